// Finding several marker bytes at once in short texts, one bit per byte.
// Uses SSE2 where the compiler offers it and a plain loop elsewhere; both
// give the same results. No load reaches past the end of the text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) && !defined(QUORLIX_SCALAR_SCAN)
#include <emmintrin.h>
#endif

namespace quorlix {

// Positions, among the first 64 bytes of a line, of the bytes that shape
// its header. Bit i stands for byte i.
struct HeaderMarks {
  uint64_t close = 0;  // "]"
  uint64_t comma = 0;  // ","
  uint64_t quote = 0;  // double quote
  uint64_t open = 0;   // "["
  std::size_t scanned = 0;  // bytes looked at: up to the 16-byte block with
                            // the first "]", at most 64, at most the line
};

inline HeaderMarks ScanHeaderMarks(std::string_view line) {
  HeaderMarks m;
  const std::size_t n = line.size() < 64 ? line.size() : 64;
#if defined(__SSE2__) && !defined(QUORLIX_SCALAR_SCAN)
  const __m128i close = _mm_set1_epi8(']'), comma = _mm_set1_epi8(','),
                quote = _mm_set1_epi8('"'), open = _mm_set1_epi8('[');
  alignas(16) char short_line[16];
  const char* base = line.data();
  if (line.size() < 16) {  // too short for one whole load
    std::memset(short_line, 0, sizeof short_line);
    std::memcpy(short_line, line.data(), line.size());
    base = short_line;
  }
  for (std::size_t offset = 0; offset < n; offset += 16) {
    // The last block of a line is loaded so that it ends with the line,
    // and its bits are moved down to start at `offset`.
    std::size_t load_at = offset, shift = 0;
    if (base == line.data() && offset + 16 > line.size()) {
      load_at = line.size() - 16;
      shift = offset - load_at;
    }
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + load_at));
    auto bits = [&](__m128i needle) {
      const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, needle)));
      return static_cast<uint64_t>(mask >> shift) << offset;
    };
    m.close |= bits(close);
    m.comma |= bits(comma);
    m.quote |= bits(quote);
    m.open |= bits(open);
    m.scanned = offset + 16 < n ? offset + 16 : n;
    if (m.close != 0) break;
  }
#else
  for (std::size_t i = 0; i < n; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    switch (line[i]) {
      case ']': m.close |= bit; break;
      case ',': m.comma |= bit; break;
      case '"': m.quote |= bit; break;
      case '[': m.open |= bit; break;
      default: break;
    }
    m.scanned = i + 1;
    if (m.close != 0) break;
  }
#endif
  return m;
}

// Bits first to last - 1 (first <= last <= 64).
inline uint64_t BitRange(std::size_t first, std::size_t last) {
  if (first >= 64) return 0;
  const uint64_t below_last = last >= 64 ? ~uint64_t{0} : (uint64_t{1} << last) - 1;
  return below_last & ~((uint64_t{1} << first) - 1);
}

// Bit k of the result is set when `text` holds the byte Set[k]. The set
// is fixed at compile time, so its byte vectors are constants; the text is
// first checked for any of them at all, which is the common answer "no".
template <char... Set>
unsigned WhichBytesOccur(std::string_view text) {
  static_assert(sizeof...(Set) >= 1 && sizeof...(Set) <= 8);
  constexpr char set[] = {Set...};
  unsigned found = 0;
#if defined(__SSE2__) && !defined(QUORLIX_SCALAR_SCAN)
  if (text.size() >= 16) {
    // Calls `visit` with each 16-byte block; the rest is covered by a block
    // that ends with the text.
    auto for_each_block = [&text](auto visit) {
      std::size_t i = 0;
      for (; i + 16 <= text.size(); i += 16) {
        visit(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i)));
      }
      if (i != text.size()) {
        visit(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + text.size() - 16)));
      }
    };
    __m128i any = _mm_setzero_si128();
    for_each_block([&any](__m128i v) {
      ((any = _mm_or_si128(any, _mm_cmpeq_epi8(v, _mm_set1_epi8(Set)))), ...);
    });
    if (_mm_movemask_epi8(any) == 0) return 0;
    // Some byte of the set is there: which ones.
    __m128i seen[sizeof set];
    for (__m128i& s : seen) s = _mm_setzero_si128();
    for_each_block([&seen](__m128i v) {
      std::size_t k = 0;
      ((seen[k] = _mm_or_si128(seen[k], _mm_cmpeq_epi8(v, _mm_set1_epi8(Set))), ++k), ...);
    });
    for (std::size_t k = 0; k < sizeof set; ++k) {
      if (_mm_movemask_epi8(seen[k]) != 0) found |= 1u << k;
    }
    return found;
  }
#endif
  for (char c : text) {
    for (std::size_t k = 0; k < sizeof set; ++k) {
      if (c == set[k]) found |= 1u << k;
    }
  }
  return found;
}

}  // namespace quorlix
