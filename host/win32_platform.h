// The Win32 backend as a type of its own, so that the program's entry can hold it without the
// heap. It plays every role. No <windows.h> here: the calls stay in the backend's source.
#ifndef VELMORA_HOST_WIN32_PLATFORM_H
#define VELMORA_HOST_WIN32_PLATFORM_H

#include "platform/platform.h"

#include <string>
#include <vector>

namespace velmora {

class Win32Platform final : public PlatformRoles {
public:
  const char *commandLine() const override;
  int moduleFileName(char *buffer, int capacity) const override;
  int modulePathCapacity() const override;
  // Set when the ANSI command line is no exact rendering of the UTF-16 one.
  std::optional<UncarriedArgument> uncarriedArgument() const override;
  bool commandLineLostCharacters() const override;
  int startDepth() const override;
  SettingsOptionPlacement settingsOptionPlacement() const override {
    return SettingsOptionPlacement::Anywhere;
  }
  std::optional<std::string> userSettingsPath() const override { return std::nullopt; }
  bool fileExists(const std::string &path) const override;
  FileStatus fileStatus(const std::string &path) const override;
  int charLength(const char *text) const override;
  void upperCase(char *bytes, int length) const override;
  bool sameText(const char *a, const char *b, int length) const override;
  uint32_t versionPlatformId() const override;
  uint32_t threadLocale() const override;
  std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const override;
  uint32_t ansiCodePage() const override;
  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override;
  int dbcsEnabled() const override;
  int16_t keyState(int virtualKey) const override;
  std::optional<KeySource> keySource() const override { return KeySource{"GetKeyState", ""}; }
  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override;
  void flushProfile(const std::string &fileName) const override;
  PathSyntax pathSyntax() const override { return {"\\:", '\\', false}; }
  void createProcess(const std::string &commandLine) const override;
  size_t launchCommandByteLimit() const override;
  bool launchCommandFits(std::string_view command) const override;
  std::vector<std::string> splitLaunchCommand(const std::string &command) const override;
  ProgramLookup findProgram(const std::string &command,
                            const std::string &firstToken) const override;
  void postQuitRequest() const override;
  void showFailure(const char *title, const char *text) const override;
  void ansiToUtf8(const char *text, char *buffer, size_t capacity) const override;
  void writeError(std::string_view line) const override;
};

} // namespace velmora

#endif
