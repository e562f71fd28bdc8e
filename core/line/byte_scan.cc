#include "core/line/byte_scan.h"

namespace quorlix {

#ifdef QUORLIX_SIMD_SCAN
// Asked while globals are set up, so the feature table is filled first.
const bool kCpuHasAvx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
#else
const bool kCpuHasAvx2 = false;
#endif

namespace {

#ifdef QUORLIX_SIMD_SCAN
// Adds the marker bits of the 16 bytes `v`, which stand at `offset`.
void MarkBlock(__m128i v, std::size_t offset, HeaderMarks& m) {
  auto bits = [&](char c) {
    const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
    return static_cast<uint64_t>(mask) << offset;
  };
  m.close |= bits(']');
  m.comma |= bits(',');
  m.quote |= bits('"');
  m.open |= bits('[');
}

// Lines of 16 bytes or more: blocks at 0, 16, 32, 48, the last one moved
// back to end with the line when the line ends inside it.
HeaderMarks ScanSse2(std::string_view line) {
  HeaderMarks m;
  const std::size_t n = line.size();
  for (std::size_t block = 0; block < 64 && block < n; block += 16) {
    const std::size_t at = block + 16 <= n ? block : n - 16;
    MarkBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + at)), at, m);
  }
  return m;
}

// Lines of 32 bytes or more: two blocks, at 0 and at 32 or the line's end.
__attribute__((target("avx2"))) HeaderMarks ScanAvx2(std::string_view line) {
  const std::size_t n = line.size();
  const std::size_t second = n >= 64 ? 32 : n - 32;
  const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line.data()));
  const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line.data() + second));
  HeaderMarks m;
  const char markers[4] = {']', ',', '"', '['};
  uint64_t* const targets[4] = {&m.close, &m.comma, &m.quote, &m.open};
  for (int k = 0; k < 4; ++k) {
    const __m256i needle = _mm256_set1_epi8(markers[k]);
    const auto low_bits =
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, needle)));
    const auto high_bits =
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, needle)));
    *targets[k] = low_bits | (static_cast<uint64_t>(high_bits) << second);
  }
  return m;
}

__attribute__((target("avx2"))) uint64_t LineBreakBitsAvx2(const char* p) {
  const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
  uint64_t bits = 0;
  for (int half = 0; half < 2; ++half) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * half));
    const __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf));
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hit))) << (32 * half);
  }
  return bits;
}
#endif

}  // namespace

uint64_t scan_detail::LineBreakBitsNarrow(const char* p) {
  uint64_t bits = 0;
#ifdef QUORLIX_SIMD_SCAN
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (int quarter = 0; quarter < 4; ++quarter) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * quarter));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hit))) << (16 * quarter);
  }
#else
  for (int i = 0; i < 64; ++i) {
    if (p[i] == '\r' || p[i] == '\n') bits |= uint64_t{1} << i;
  }
#endif
  return bits;
}

uint64_t LineBreakBits(const char* p) {
#ifdef QUORLIX_SIMD_SCAN
  if (kCpuHasAvx2) return LineBreakBitsAvx2(p);
#endif
  return scan_detail::LineBreakBitsNarrow(p);
}

HeaderMarks scan_detail::ScanHeaderMarksNarrow(std::string_view line) {
  const std::size_t n = line.size();
  HeaderMarks m;
#ifdef QUORLIX_SIMD_SCAN
  if (n >= 16) {
    m = ScanSse2(line);
  } else {  // too short for one whole load: a copy padded with zeros
    alignas(16) char padded[16] = {};
    if (n != 0) std::memcpy(padded, line.data(), n);
    MarkBlock(_mm_load_si128(reinterpret_cast<const __m128i*>(padded)), 0, m);
  }
#else
  for (std::size_t i = 0; i < n && i < 64; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    switch (line[i]) {
      case ']': m.close |= bit; break;
      case ',': m.comma |= bit; break;
      case '"': m.quote |= bit; break;
      case '[': m.open |= bit; break;
      default: break;
    }
  }
#endif
  m.scanned = n < 64 ? n : 64;
  return m;
}

HeaderMarks ScanHeaderMarks(std::string_view line) {
#ifdef QUORLIX_SIMD_SCAN
  if (line.size() >= 32 && kCpuHasAvx2) {
    HeaderMarks m = ScanAvx2(line);
    m.scanned = line.size() < 64 ? line.size() : 64;
    return m;
  }
#endif
  return scan_detail::ScanHeaderMarksNarrow(line);
}

}  // namespace quorlix
