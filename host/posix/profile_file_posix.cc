// POSIX file access for the profile reader: open, fstat and read, nothing else.
#include "host/posix/profile_file.h"

#include "host/posix/profile_reader.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

ProfileFileBytes loadProfileFile(const std::string &fileName) {
  if (fileName.empty())
    return {};
  // Non-blocking, so that opening a FIFO without a writer returns at once; fstat then turns
  // away everything that is not a regular file before a byte is read.
  int fd = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      return {};
    return {errno == ENXIO ? ProfileFileState::NotRegular : ProfileFileState::Unreadable, {}};
  }
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0)
    return {ProfileFileState::Unreadable, {}};
  if (!S_ISREG(info.st_mode))
    return {ProfileFileState::NotRegular, {}};
  if (static_cast<uintmax_t>(info.st_size) > kSettingsFileLimit)
    return {ProfileFileState::TooLarge, {}};
  // The size can change while the file is read (or be reported as 0, as /proc reports it), so
  // the limit holds for the bytes read, not only for the size stated.
  ProfileFileBytes file{ProfileFileState::Read, {}};
  char chunk[16384];
  for (;;) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return {ProfileFileState::Unreadable, {}};
    if (got == 0)
      return file;
    if (file.bytes.size() + static_cast<size_t>(got) > kSettingsFileLimit)
      return {ProfileFileState::TooLarge, {}};
    file.bytes.append(chunk, static_cast<size_t>(got));
  }
}

const char *profileFileStateText(ProfileFileState state) {
  switch (state) {
  case ProfileFileState::Read:
    return "readable";
  case ProfileFileState::Missing:
    return "missing";
  case ProfileFileState::NotRegular:
    return "not a regular file";
  case ProfileFileState::TooLarge:
    return "larger than 1 MiB";
  case ProfileFileState::Unreadable:
    return "no permission or a read error";
  }
  return "no permission or a read error";
}

} // namespace velmora
