// POSIX backend: the process's locale, argv, /proc and posix_spawn behind the platform seam.
#include "platform/host_platform.h"

#include "platform/command_line_builder.h"
#include "platform/locale_names.h"
#include "platform/profile_reader.h"
#include "platform/x11_key_state.h"
#include "text/argument_list.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <spawn.h>
#include <unistd.h>

extern char **environ;

namespace velmora {
namespace {

class PosixPlatform final : public Platform {
public:
  PosixPlatform(int argc, char **argv) {
    // Only the character type matters here, and loading every other category of the user's
    // locale would cost a dozen file opens on each start.
    const char *name = std::setlocale(LC_CTYPE, "");
    localeId_ = localeIdForName(name != nullptr ? name : "C");
    codePage_ = codePageForCodeset(nl_langinfo(CODESET));
    ranges_ = leadByteRangesOf(codePage_);
    for (size_t pair = 0; pair < ranges_.size() && ranges_[pair] != 0; pair += 2)
      for (unsigned value = ranges_[pair]; value <= ranges_[pair + 1]; ++value)
        leadBytes_.set(value);
    std::vector<std::string_view> arguments(argv, argv + argc);
    commandLine_ = buildCommandLine(arguments, leadBytes_);
  }

  const char *commandLine() const override { return commandLine_.c_str(); }

  int moduleFileName(char *buffer, int capacity) const override {
    // Cut at the capacity, as Windows cuts its module path.
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || capacity <= 0)
      return 0;
    size_t taken = std::min(static_cast<size_t>(length), static_cast<size_t>(capacity));
    std::memcpy(buffer, path, taken);
    if (taken < static_cast<size_t>(capacity))
      buffer[taken] = '\0';
    return static_cast<int>(taken);
  }

  int charLength(const char *text) const override {
    if (*text == '\0')
      return 0;
    return isLead(*text) && text[1] != '\0' ? 2 : 1;
  }

  void upperCase(char *bytes, int length) const override {
    for (int i = 0; i < length; ++i) {
      if (isLead(bytes[i]))
        ++i; // never touch the second byte of a character
      else if (bytes[i] >= 'a' && bytes[i] <= 'z')
        bytes[i] = static_cast<char>(bytes[i] - 'a' + 'A');
    }
  }

  bool sameText(const char *a, const char *b, int length) const override {
    return std::memcmp(a, b, static_cast<size_t>(length)) == 0;
  }

  uint32_t versionPlatformId() const override { return 2; }
  uint32_t threadLocale() const override { return localeId_; }

  std::array<char, 7> localeAnsiCodePage(uint32_t) const override {
    // The code page the process really uses: ja_JP.UTF-8 is UTF-8, not Shift_JIS.
    std::array<char, 7> buffer{};
    std::string digits = std::to_string(codePage_);
    std::memcpy(buffer.data(), digits.data(), std::min(digits.size(), buffer.size() - 1));
    return buffer;
  }

  uint32_t ansiCodePage() const override { return codePage_; }
  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override {
    return leadByteRangesOf(codePage);
  }
  int dbcsEnabled() const override { return leadBytes_.any() ? 1 : 0; }

  int16_t keyState(int virtualKey) const override {
    // One look at the desktop per start, on the first question.
    if (!held_)
      held_ = readX11HeldKeys().value_or(HeldKeys{});
    bool down = false;
    switch (virtualKey) {
    case 0x10:
      down = held_->shift;
      break;
    case 0x11:
      down = held_->ctrl;
      break;
    case 0x12:
      down = held_->alt;
      break;
    case 0x05:
      down = held_->button8;
      break;
    case 0x06:
      down = held_->button9;
      break;
    default:
      break;
    }
    return down ? kHeld : 0;
  }

  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override {
    return readProfileFile(fileName, section, key, fallback);
  }
  void flushProfile(const std::string &) const override {}

  std::string_view pathDelimiters() const override { return "/"; }
  char directorySeparator() const override { return '/'; }

  void createProcess(const std::string &commandLine) const override {
    // Split by the launcher's own rules and started directly: no shell ever sees the text.
    std::vector<std::string> tokens = splitCommandLine(*this, commandLine.c_str());
    if (tokens.empty())
      return;
    std::vector<char *> argv;
    for (std::string &token : tokens)
      argv.push_back(token.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
      return;
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
  }

  void postQuitRequest() const override {}

  void showFailure(const char *title, const char *text) const override {
    std::string_view parts[] = {title, "\n", text, "\n"};
    for (std::string_view part : parts)
      if (write(STDERR_FILENO, part.data(), part.size()) < 0)
        return;
  }

private:
  bool isLead(char byte) const { return leadBytes_.test(static_cast<unsigned char>(byte)); }

  static constexpr int16_t kHeld = -0x8000; // the state's most significant bit

  mutable std::optional<HeldKeys> held_;
  uint32_t localeId_ = 0;
  uint32_t codePage_ = 1252;
  std::array<uint8_t, 12> ranges_{};
  LeadByteSet leadBytes_;
  std::string commandLine_;
};

} // namespace

std::unique_ptr<Platform> makeHostPlatform(int argc, char **argv) {
  return std::make_unique<PosixPlatform>(argc, argv);
}

} // namespace velmora
