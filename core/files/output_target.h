// What kind of file an output name is, shared by every front end that
// writes output: the log itself is refused, a character device, FIFO or
// socket is written straight into (it cannot be replaced), so is an open
// descriptor of this process named as such (/dev/stdout, /dev/fd/N: the
// output goes where the shell pointed it, appending where it appends, and
// the file behind it is never replaced), and anything else goes through
// AtomicFileWriter.
#pragma once

#include <string>

namespace quorlix {

// True when `output_file` names the log itself, also through links: the
// conversion would replace its own input. A LOG "-" is standard input.
bool IsTheLog(const std::string& output_file, const std::string& log_file);

// The refusal of `path` when it names a device where output would be lost
// (platform::IsLostDeviceName).
std::string LostDeviceMessage(const std::string& path);

// True when `path` exists and is a character device, FIFO or socket, or
// names an open descriptor of this process (whatever its far end is).
bool IsStreamTarget(const std::string& path);

// Opens such a target for writing (a socket is connected to, a named
// descriptor duplicated); returns the descriptor, or -1 with errno set.
int OpenStreamTarget(const std::string& path);

// Writes all of `size` bytes into the stream `fd`, retrying on EINTR;
// false with errno set on failure.
bool WriteAllToStream(int fd, const char* data, std::size_t size);

}  // namespace quorlix
