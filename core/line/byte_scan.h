// Finding several marker bytes at once in short texts, one bit per byte.
// SSE2 is the baseline the compiler targets; where the processor has AVX2
// (asked once, at start), 32 bytes are compared per step instead of 16.
// A plain loop serves other processors. All give the same results, and no
// load reaches past the end of the text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) && !defined(QUORLIX_SCALAR_SCAN)
#define QUORLIX_SIMD_SCAN 1
#include <immintrin.h>
#endif

namespace quorlix {

// True when the processor runs AVX2 instructions.
extern const bool kCpuHasAvx2;

// Positions, among the first 64 bytes of a line, of the bytes that shape
// its header. Bit i stands for byte i.
struct HeaderMarks {
  uint64_t close = 0;       // "]"
  uint64_t comma = 0;       // ","
  uint64_t quote = 0;       // double quote
  uint64_t open = 0;        // "["
  std::size_t scanned = 0;  // bytes looked at: the first 64, or the whole line
};

HeaderMarks ScanHeaderMarks(std::string_view line);

// The positions of CR and LF among the 64 bytes at `p`, which must all be
// readable. Bit i stands for byte i.
uint64_t LineBreakBits(const char* p);

// Bits first to last - 1 (first <= last <= 64).
inline uint64_t BitRange(std::size_t first, std::size_t last) {
  if (first >= 64) return 0;
  const uint64_t below_last = last >= 64 ? ~uint64_t{0} : (uint64_t{1} << last) - 1;
  return below_last & ~((uint64_t{1} << first) - 1);
}

namespace scan_detail {

// ScanHeaderMarks and LineBreakBits without AVX2 (for the tests of both
// widths).
HeaderMarks ScanHeaderMarksNarrow(std::string_view line);
uint64_t LineBreakBitsNarrow(const char* p);

// Each function takes every whole block of `text` and then one more block
// that ends with the text when a part is left; its bytes overlap the block
// before, and a byte seen twice changes no "which bytes occur" answer.
// (No lambdas here: they would not inherit the target attribute.)
#ifdef QUORLIX_SIMD_SCAN
template <char... Set>
__attribute__((target("avx2"))) unsigned WhichBytesOccurAvx2(std::string_view text) {
  constexpr std::size_t kCount = sizeof...(Set);
  const __m256i needles[kCount] = {_mm256_set1_epi8(Set)...};
  __m256i seen[kCount];
  for (__m256i& s : seen) s = _mm256_setzero_si256();
  const char* const data = text.data();
  const std::size_t n = text.size();
  for (std::size_t i = 0;;) {
    const std::size_t at = i + 32 <= n ? i : n - 32;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    for (std::size_t k = 0; k < kCount; ++k) {
      seen[k] = _mm256_or_si256(seen[k], _mm256_cmpeq_epi8(v, needles[k]));
    }
    i = at + 32;
    if (i >= n) break;
  }
  unsigned found = 0;
  for (std::size_t k = 0; k < kCount; ++k) {
    if (_mm256_movemask_epi8(seen[k]) != 0) found |= 1u << k;
  }
  return found;
}

// Whether any byte of the set occurs: one running vector for all of them.
template <char... Set>
__attribute__((target("avx2"))) bool AnyByteOccursAvx2(std::string_view text) {
  const char* const data = text.data();
  const std::size_t n = text.size();
  __m256i seen = _mm256_setzero_si256();
  for (std::size_t i = 0;;) {
    const std::size_t at = i + 32 <= n ? i : n - 32;
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    seen = _mm256_or_si256(seen, (_mm256_cmpeq_epi8(v, _mm256_set1_epi8(Set)) | ...));
    i = at + 32;
    if (i >= n) break;
  }
  return _mm256_movemask_epi8(seen) != 0;
}

template <char... Set>
bool AnyByteOccursSse2(std::string_view text) {
  const char* const data = text.data();
  const std::size_t n = text.size();
  __m128i seen = _mm_setzero_si128();
  for (std::size_t i = 0;;) {
    const std::size_t at = i + 16 <= n ? i : n - 16;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    seen = _mm_or_si128(seen, (_mm_cmpeq_epi8(v, _mm_set1_epi8(Set)) | ...));
    i = at + 16;
    if (i >= n) break;
  }
  return _mm_movemask_epi8(seen) != 0;
}

template <char... Set>
unsigned WhichBytesOccurSse2(std::string_view text) {
  constexpr std::size_t kCount = sizeof...(Set);
  const __m128i needles[kCount] = {_mm_set1_epi8(Set)...};
  __m128i seen[kCount];
  for (__m128i& s : seen) s = _mm_setzero_si128();
  const char* const data = text.data();
  const std::size_t n = text.size();
  for (std::size_t i = 0;;) {
    const std::size_t at = i + 16 <= n ? i : n - 16;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    for (std::size_t k = 0; k < kCount; ++k) {
      seen[k] = _mm_or_si128(seen[k], _mm_cmpeq_epi8(v, needles[k]));
    }
    i = at + 16;
    if (i >= n) break;
  }
  unsigned found = 0;
  for (std::size_t k = 0; k < kCount; ++k) {
    if (_mm_movemask_epi8(seen[k]) != 0) found |= 1u << k;
  }
  return found;
}
#endif

}  // namespace scan_detail

// Bit k of the result is set when `text` holds the byte Set[k]. The set
// is fixed at compile time, so its byte vectors are constants; one pass
// over the text keeps one running "seen" vector per byte of the set.
template <char... Set>
unsigned WhichBytesOccur(std::string_view text) {
  static_assert(sizeof...(Set) >= 1 && sizeof...(Set) <= 8);
#ifdef QUORLIX_SIMD_SCAN
  if (text.size() >= 32 && kCpuHasAvx2) return scan_detail::WhichBytesOccurAvx2<Set...>(text);
  if (text.size() >= 16) return scan_detail::WhichBytesOccurSse2<Set...>(text);
#endif
  constexpr char set[] = {Set...};
  unsigned found = 0;
  for (char c : text) {
    for (std::size_t k = 0; k < sizeof set; ++k) {
      if (c == set[k]) found |= 1u << k;
    }
  }
  return found;
}

// True when `text` holds any byte of the set: the same scan as
// WhichBytesOccur, with one running vector for the whole set.
template <char... Set>
bool AnyByteOccurs(std::string_view text) {
#ifdef QUORLIX_SIMD_SCAN
  if (text.size() >= 32 && kCpuHasAvx2) return scan_detail::AnyByteOccursAvx2<Set...>(text);
  if (text.size() >= 16) return scan_detail::AnyByteOccursSse2<Set...>(text);
#endif
  for (char c : text) {
    if (((c == Set) || ...)) return true;
  }
  return false;
}

}  // namespace quorlix
