// How the Microsoft C runtime splits a command line into argv, which is how most Windows
// programs read theirs.
#ifndef VELMORA_TEXT_WINDOWS_SPLIT_H
#define VELMORA_TEXT_WINDOWS_SPLIT_H

#include <string>
#include <vector>

namespace velmora {

// The program up to a space or tab (or inside quotation marks), then arguments with 2n
// backslashes before a quotation mark giving n backslashes.
std::vector<std::string> splitLikeWindowsPrograms(const std::string &commandLine);

} // namespace velmora

#endif
