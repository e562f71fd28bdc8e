// The few calls tests make that are spelled differently on Windows.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace quorlix::test {

inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  ::_putenv_s(name, value);
#else
  ::setenv(name, value, 1);
#endif
}

inline void UnsetEnv(const char* name) {
#ifdef _WIN32
  ::_putenv_s(name, "");  // an empty value removes the variable
#else
  ::unsetenv(name);
#endif
}

// A pipe's reading and writing ends, binary on every system.
inline int MakePipe(int ends[2]) {
#ifdef _WIN32
  return ::_pipe(ends, 1 << 16, _O_BINARY);
#else
  return ::pipe(ends);
#endif
}

// Waits for a shared lock on the file of `fd`, held until it is closed; 0
// or an error number.
inline int LockShared(int fd) {
#ifdef _WIN32
  OVERLAPPED whole{};
  const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  return ::LockFileEx(handle, 0, 0, MAXDWORD, MAXDWORD, &whole) ? 0 : EACCES;
#else
  return ::flock(fd, LOCK_SH) == 0 ? 0 : errno;
#endif
}

// A device that reads without end.
#ifdef _WIN32
inline const std::string kEndlessDevice = "NUL";
#else
inline const std::string kEndlessDevice = "/dev/zero";
#endif

}  // namespace quorlix::test
