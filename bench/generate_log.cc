// Writes a large, realistic chat log for the benchmarks:
//   generate_log SIZE_MB OUTPUT [SEED]
// The same size and seed give the same bytes. Lines end in CR LF and their
// time stamps span two years from 2004-01-01.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/log_generator.h"

int main(int argc, char** argv) {
  using namespace quorlix::bench;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s SIZE_MB OUTPUT [SEED]\n", argv[0]);
    return 2;
  }
  const double size_mb = std::atof(argv[1]);
  const uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 20050102;
  if (size_mb <= 0) {
    std::fprintf(stderr, "SIZE_MB must be positive\n");
    return 2;
  }
  const double target = size_mb * 1024 * 1024;
  const double lines = target / (AverageLineLength(seed) + 2);
  LogGenerator generator(seed, kDefaultStartTime, kTwoYearsSeconds / lines);

  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "%s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
  std::string line;
  double written = 0;
  while (written < target) {
    generator.NextLine(line);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), out);
    written += static_cast<double>(line.size());
  }
  if (std::ferror(out) || std::fclose(out) != 0) {
    std::fprintf(stderr, "%s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  return 0;
}
