// A platform that hands every call on to another one, for decorators that change a few calls
// and leave the rest alone.
#ifndef VELMORA_PLATFORM_FORWARDING_PLATFORM_H
#define VELMORA_PLATFORM_FORWARDING_PLATFORM_H

#include "platform/platform.h"

namespace velmora {

class ForwardingPlatform : public Platform {
public:
  explicit ForwardingPlatform(const Platform &inner) : inner_(inner) {}

  const char *commandLine() const override { return inner_.commandLine(); }
  int moduleFileName(char *buffer, int capacity) const override {
    return inner_.moduleFileName(buffer, capacity);
  }
  int modulePathCapacity() const override { return inner_.modulePathCapacity(); }
  std::optional<UncarriedArgument> uncarriedArgument() const override {
    return inner_.uncarriedArgument();
  }
  SettingsOptionPlacement settingsOptionPlacement() const override {
    return inner_.settingsOptionPlacement();
  }
  std::optional<std::string> userSettingsPath() const override { return inner_.userSettingsPath(); }
  bool fileExists(const std::string &path) const override { return inner_.fileExists(path); }
  int charLength(const char *text) const override { return inner_.charLength(text); }
  void upperCase(char *bytes, int length) const override { inner_.upperCase(bytes, length); }
  bool sameText(const char *a, const char *b, int length) const override {
    return inner_.sameText(a, b, length);
  }
  uint32_t versionPlatformId() const override { return inner_.versionPlatformId(); }
  uint32_t threadLocale() const override { return inner_.threadLocale(); }
  std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const override {
    return inner_.localeAnsiCodePage(localeId);
  }
  uint32_t ansiCodePage() const override { return inner_.ansiCodePage(); }
  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override {
    return inner_.leadByteRanges(codePage);
  }
  int dbcsEnabled() const override { return inner_.dbcsEnabled(); }
  int16_t keyState(int virtualKey) const override { return inner_.keyState(virtualKey); }
  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override {
    return inner_.profileString(section, key, fallback, fileName);
  }
  void flushProfile(const std::string &fileName) const override { inner_.flushProfile(fileName); }
  PathSyntax pathSyntax() const override { return inner_.pathSyntax(); }
  void createProcess(const std::string &commandLine) const override {
    inner_.createProcess(commandLine);
  }
  size_t launchCommandByteLimit() const override { return inner_.launchCommandByteLimit(); }
  bool launchCommandFits(std::string_view command) const override {
    return inner_.launchCommandFits(command);
  }
  void postQuitRequest() const override { inner_.postQuitRequest(); }
  void showFailure(const char *title, const char *text) const override {
    inner_.showFailure(title, text);
  }
  void ansiToUtf8(const char *text, char *buffer, size_t capacity) const override {
    inner_.ansiToUtf8(text, buffer, capacity);
  }
  void writeError(std::string_view line) const override { inner_.writeError(line); }

protected:
  const Platform &inner() const { return inner_; }

private:
  const Platform &inner_;
};

} // namespace velmora

#endif
