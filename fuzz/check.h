// The fuzz targets' assertion: a failed check names itself and aborts, so
// that libFuzzer records the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QUORLIX_CHECK(condition)                                                         \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
