// A scripted platform for tests: every answer is a field to set, and the calls whose order
// matters are written to one log.
#ifndef VELMORA_TESTING_FAKE_PLATFORM_H
#define VELMORA_TESTING_FAKE_PLATFORM_H

#include "platform/platform.h"
#include "text/system_locale.h"

#include <optional>

#include <map>
#include <string>
#include <vector>

namespace velmora {

enum class FakeLocale { Western, Japanese };

class FakePlatform : public PlatformRoles {
public:
  std::string commandLineText = "p";
  std::string modulePath = "C:\\Tools\\velmora.exe";
  int moduleResult = -1; // -1: the path's length, capped at the capacity
  int moduleCapacity = 261;
  std::optional<UncarriedArgument> uncarried;
  bool lostCharacters = false;
  SettingsOptionPlacement optionPlacement = SettingsOptionPlacement::Anywhere;
  std::optional<std::string> userSettings; // none, as on Windows
  std::vector<std::string> otherFiles;     // beside those with a profile
  // What the settings reader would say of any file: there, and readable.
  bool settingsExist = true;
  bool settingsReadable = true;
  int depth = 0;             // velmora starts in a row before this one
  std::string settingsBytes; // what fileStatus reports the file to hold
  // Windows' limits: 32,766 characters (a double-byte character counts once), read through at
  // most three bytes a character.
  size_t commandCharacters = 32766;
  size_t commandBytes = 3 * 32766;
  uint32_t platformId = 2;
  uint32_t threadLocaleId = 0x0409;
  std::string localeCodePage = "1252"; // at most 7 bytes are seen
  uint32_t acp = 1252;
  std::map<uint32_t, std::array<uint8_t, 12>> codePageRanges;
  int dbcsMetric = 0;
  std::vector<int> heldKeys;
  std::optional<KeySource> keys = KeySource{"GetKeyState", ""};
  // file -> section -> key -> value; a missing file, section or key gives the fallback.
  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> profiles;
  std::string delimiters = "\\:";
  char separator = '\\';
  bool delimitersAreBytes = false;
  // Every program is found in C:\bin but these; one at this prefix of an unquoted path is as
  // if planted there.
  std::vector<std::string> missingPrograms = {"missing.exe"};
  std::string plantedProgram = "C:\\Program";

  mutable std::vector<std::string> log;
  mutable std::vector<std::string> started;

  // Scripts a code page with the given lead-byte ranges and makes it the locale's.
  void useCodePage(uint32_t codePage, uint32_t localeId, std::array<uint8_t, 12> ranges);
  // Scripts code page 1252 (locale 0x0409) or 932 (locale 0x0411, lead bytes 81-9F and E0-FC),
  // sets the process's locale up from it and clears the log.
  void activate(FakeLocale locale);

  const char *commandLine() const override { return commandLineText.c_str(); }
  int moduleFileName(char *buffer, int capacity) const override;
  int modulePathCapacity() const override { return moduleCapacity; }
  std::optional<UncarriedArgument> uncarriedArgument() const override { return uncarried; }
  bool commandLineLostCharacters() const override { return lostCharacters; }
  int startDepth() const override { return depth; }
  SettingsOptionPlacement settingsOptionPlacement() const override { return optionPlacement; }
  std::optional<std::string> userSettingsPath() const override { return userSettings; }
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
  std::optional<KeySource> keySource() const override { return keys; }
  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override;
  void flushProfile(const std::string &fileName) const override;
  PathSyntax pathSyntax() const override { return {delimiters, separator, delimitersAreBytes}; }
  void createProcess(const std::string &commandLine) const override;
  size_t launchCommandByteLimit() const override { return commandBytes; }
  bool launchCommandFits(std::string_view command) const override;
  // As most Windows programs read their command line.
  std::vector<std::string> splitLaunchCommand(const std::string &command) const override;
  ProgramLookup findProgram(const std::string &command,
                            const std::string &firstToken) const override;
  void postQuitRequest() const override;
  void showFailure(const char *title, const char *text) const override;
  // Reads the bytes as Latin-1.
  void ansiToUtf8(const char *text, char *buffer, size_t capacity) const override;
  void writeError(std::string_view line) const override;
};

} // namespace velmora

#endif
