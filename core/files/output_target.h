// What kind of file an output name is, shared by every front end that
// writes output: the log itself is refused, a character device, FIFO or
// socket is written straight into (it cannot be replaced), and anything
// else goes through AtomicFileWriter.
#pragma once

#include <string>

namespace quorlix {

// True when `output_file` names the log itself, also through links: the
// conversion would replace its own input. A LOG "-" is standard input.
bool IsTheLog(const std::string& output_file, const std::string& log_file);

// True when `path` exists and is a character device, FIFO or socket.
bool IsStreamTarget(const std::string& path);

// Opens such a target for writing (a socket is connected to); returns the
// descriptor, or -1 with errno set.
int OpenStreamTarget(const std::string& path);

// Writes all of `size` bytes into the stream `fd`, retrying on EINTR;
// false with errno set on failure.
bool WriteAllToStream(int fd, const char* data, std::size_t size);

}  // namespace quorlix
