// The host platform as velmora-check presents it to the launcher's routines: velmora's command
// line without the tool's own options, held keys from --hold when given, and no process start.
#ifndef VELMORA_CHECK_CHECKED_PLATFORM_H
#define VELMORA_CHECK_CHECKED_PLATFORM_H

#include "launcher/template_set.h"
#include "platform/platform.h"

#include <optional>
#include <string>

namespace velmora {

struct CheckOptions {
  bool help = false;
  std::optional<ModifierSlot> hold;
  std::string error;       // a bad option
  std::string commandLine; // token 0, then everything after the options, byte for byte
};

// Options come first, each a token of its own that starts with "--"; the first other token and
// everything after it are velmora's arguments.
CheckOptions parseCheckOptions(const Platform &host);

class CheckedPlatform final : public Platform {
public:
  CheckedPlatform(const Platform &host, const CheckOptions &options)
      : host_(host), options_(options) {}

  const char *commandLine() const override { return options_.commandLine.c_str(); }
  int16_t keyState(int virtualKey) const override;
  void createProcess(const std::string &) const override {}
  void postQuitRequest() const override {}

  int moduleFileName(char *buffer, int capacity) const override {
    return host_.moduleFileName(buffer, capacity);
  }
  int charLength(const char *text) const override { return host_.charLength(text); }
  void upperCase(char *bytes, int length) const override { host_.upperCase(bytes, length); }
  bool sameText(const char *a, const char *b, int length) const override {
    return host_.sameText(a, b, length);
  }
  uint32_t versionPlatformId() const override { return host_.versionPlatformId(); }
  uint32_t threadLocale() const override { return host_.threadLocale(); }
  std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const override {
    return host_.localeAnsiCodePage(localeId);
  }
  uint32_t ansiCodePage() const override { return host_.ansiCodePage(); }
  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override {
    return host_.leadByteRanges(codePage);
  }
  int dbcsEnabled() const override { return host_.dbcsEnabled(); }
  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override {
    return host_.profileString(section, key, fallback, fileName);
  }
  void flushProfile(const std::string &fileName) const override { host_.flushProfile(fileName); }
  std::string_view pathDelimiters() const override { return host_.pathDelimiters(); }
  char directorySeparator() const override { return host_.directorySeparator(); }
  void showFailure(const char *title, const char *text) const override {
    host_.showFailure(title, text);
  }

private:
  const Platform &host_;
  const CheckOptions &options_;
};

} // namespace velmora

#endif
