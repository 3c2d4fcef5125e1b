// The files our own profile reader reads: which are read at all, and how.
#ifndef VELMORA_HOST_POSIX_PROFILE_FILE_H
#define VELMORA_HOST_POSIX_PROFILE_FILE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// A settings file larger than this is not read: nobody writes six command lines of a megabyte,
// and reading a huge file on every click would be a way to stall velmora.
constexpr size_t kSettingsFileLimit = 1024 * 1024;

// What a look at a settings file found. Only a regular file of at most kSettingsFileLimit bytes
// is read; a FIFO, a device or a directory would block, never end or is no settings file.
enum class ProfileFileState { Read, Missing, NotRegular, TooLarge, Unreadable };

struct ProfileFileBytes {
  ProfileFileState state = ProfileFileState::Missing;
  std::string bytes; // the whole file when state is Read
};

// A relative name is taken from the current directory; an empty name is missing.
ProfileFileBytes loadProfileFile(const std::string &fileName);

// The state in words, for velmora-check: "readable", "missing", "not a regular file", ...
const char *profileFileStateText(ProfileFileState state);

} // namespace velmora

#endif
