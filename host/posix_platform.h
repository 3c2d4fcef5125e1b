// The POSIX backend as a type of its own, so that the program's entry can hold it without the
// heap (running out of memory must be reported, never end in an abort). It plays every role.
#ifndef VELMORA_HOST_POSIX_PLATFORM_H
#define VELMORA_HOST_POSIX_PLATFORM_H

#include "host/posix/key_reading.h"
#include "host/posix/profile_reader.h"
#include "platform/platform.h"
#include "text/system_locale.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class PosixPlatform final : public PlatformRoles {
public:
  // The process's own locale (LC_CTYPE from the environment). argv is read when first needed,
  // after the locale set-up, so it must live as long as the platform (main's does).
  PosixPlatform(int argc, char **argv);
  // A named locale and codeset, without touching the process's locale; for tests.
  PosixPlatform(int argc, char **argv, std::string_view localeName, std::string_view codeset);

  const char *commandLine() const override;
  int moduleFileName(char *buffer, int capacity) const override;
  int modulePathCapacity() const override;
  std::optional<UncarriedArgument> uncarriedArgument() const override;
  bool commandLineLostCharacters() const override { return false; }
  int startDepth() const override;
  SettingsOptionPlacement settingsOptionPlacement() const override {
    return SettingsOptionPlacement::AtStart;
  }
  std::optional<std::string> userSettingsPath() const override;
  bool fileExists(const std::string &path) const override;
  FileStatus fileStatus(const std::string &path) const override;
  int charLength(const char *text) const override;
  void upperCase(char *bytes, int length) const override;
  bool sameText(const char *a, const char *b, int length) const override;
  uint32_t versionPlatformId() const override { return 2; }
  uint32_t threadLocale() const override { return localeId_; }
  std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const override;
  uint32_t ansiCodePage() const override { return codePage_; }
  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override;
  int dbcsEnabled() const override;
  int16_t keyState(int virtualKey) const override;
  std::optional<KeySource> keySource() const override;
  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override;
  void flushProfile(const std::string &fileName) const override;
  PathSyntax pathSyntax() const override { return {"/", '/', true}; }
  void createProcess(const std::string &commandLine) const override;
  size_t launchCommandByteLimit() const override;
  bool launchCommandFits(std::string_view command) const override;
  std::vector<std::string> splitLaunchCommand(const std::string &command) const override;
  ProgramLookup findProgram(const std::string &command,
                            const std::string &firstToken) const override;
  void postQuitRequest() const override {}
  void showFailure(const char *title, const char *text) const override;
  void ansiToUtf8(const char *text, char *buffer, size_t capacity) const override;
  void writeError(std::string_view line) const override;

private:
  void settleLocale(std::string_view localeName, std::string_view codeset);

  // The settings file, read once per run: the reader asks for six values, and the flush
  // request that ends the reading lets it go.
  struct SettingsCache {
    std::string fileName;
    SettingsText text;
  };

  int argc_;
  char **argv_;
  uint32_t localeId_ = 0x0409;
  uint32_t codePage_ = 1252;
  char codeset_[48] = {};
  // Built on first use, after the start-up has settled the double-byte rules it follows.
  mutable std::optional<std::string> commandLine_;
  mutable std::optional<SettingsCache> settings_;
  mutable std::optional<KeyReading> keys_;
};

} // namespace velmora

#endif
