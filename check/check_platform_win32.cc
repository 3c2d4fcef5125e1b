// Win32 backend of velmora-check: where the profile reader and CreateProcess look for files,
// and console output.
#include "check/check_platform.h"

#include <windows.h>

#include <cstdio>

namespace velmora {
namespace {

bool hasDirectory(const std::string &path) {
  return path.find_first_of("\\/:") != std::string::npos;
}

class Win32CheckPlatform final : public CheckPlatform {
public:
  FileStatus settingsFile(const std::string &path) const override {
    FileStatus status;
    // The profile reader looks for a bare file name in the Windows directory.
    status.where = path;
    if (!hasDirectory(path)) {
      char windows[MAX_PATH];
      UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
      status.where = std::string(windows, length < MAX_PATH ? length : 0) + "\\" + path;
    }
    DWORD attributes = GetFileAttributesA(status.where.c_str());
    status.exists = !path.empty() && attributes != INVALID_FILE_ATTRIBUTES;
    HANDLE file = status.exists && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CreateFileA(status.where.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr)
                      : INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE) {
      status.readable = true;
      CloseHandle(file);
    } else if (status.exists) {
      status.why = attributes & FILE_ATTRIBUTE_DIRECTORY ? "a folder" : "cannot be opened";
    }
    return status;
  }

  std::vector<std::string> splitLaunchCommand(const Platform &,
                                              const std::string &command) const override {
    return splitLikeWindowsPrograms(command);
  }

  std::string findProgram(const std::string &program) const override {
    // CreateProcess appends ".exe" to a name without extension and searches the program's
    // folder, the current folder, the system folders and PATH, as SearchPath does.
    char found[MAX_PATH];
    DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH)
      return "";
    DWORD attributes = GetFileAttributesA(found);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return "";
    return std::string(found, length);
  }

  void print(const std::string &text) const override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};

} // namespace

std::unique_ptr<CheckPlatform> makeHostCheckPlatform() {
  return std::make_unique<Win32CheckPlatform>();
}

} // namespace velmora
