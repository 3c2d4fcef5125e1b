// POSIX backend: the process's locale, argv, /proc, the files, the held keys and posix_spawn
// behind the platform's roles.
#include "host/host_platform.h"
#include "host/posix_platform.h"

#include "host/posix/codeset_conversion.h"
#include "host/posix/command_line_builder.h"
#include "host/posix/locale_names.h"
#include "host/posix/profile_file.h"
#include "text/argument_list.h"
#include "text/system_locale.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

namespace velmora {
namespace {

// Linux takes no single argument longer than this, terminating NUL included (MAX_ARG_STRLEN);
// a launch command within it is far inside ARG_MAX however it splits.
constexpr size_t kLaunchCommandCapacity = 131072;

bool isExecutableFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool isFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The file execvp would start for `program` (empty when there is none), and the first file of
// that name it passes over because it cannot run it.
ProgramLookup searchPath(const std::string &program) {
  ProgramLookup lookup{program, "", false, ""};
  if (program.find('/') != std::string::npos) {
    (isExecutableFile(program) ? lookup.path : lookup.notRunnable) = isFile(program) ? program : "";
    return lookup;
  }
  const char *path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t start = 0;;) {
    size_t end = directories.find(':', start);
    std::string directory = directories.substr(start, end - start);
    std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
    if (isExecutableFile(candidate)) {
      lookup.path = candidate;
      return lookup;
    }
    if (lookup.notRunnable.empty() && isFile(candidate))
      lookup.notRunnable = candidate;
    if (end == std::string::npos)
      return lookup;
    start = end + 1;
  }
}

void writeAll(std::string_view text) {
  while (!text.empty()) {
    ssize_t written = write(STDERR_FILENO, text.data(), text.size());
    if (written <= 0)
      return; // closed or broken: there is nobody to tell
    text.remove_prefix(static_cast<size_t>(written));
  }
}

} // namespace

PosixPlatform::PosixPlatform(int argc, char **argv) : argc_(argc), argv_(argv) {
  // Only the character type matters here, and loading every other category of the user's
  // locale would cost a dozen file opens on each start.
  const char *name = std::setlocale(LC_CTYPE, "");
  settleLocale(name != nullptr ? name : "C", nl_langinfo(CODESET));
}

PosixPlatform::PosixPlatform(int argc, char **argv, std::string_view localeName,
                             std::string_view codeset)
    : argc_(argc), argv_(argv) {
  settleLocale(localeName, codeset);
}

void PosixPlatform::settleLocale(std::string_view localeName, std::string_view codeset) {
  localeId_ = localeIdForName(localeName);
  codePage_ = codePageForCodeset(codeset);
  size_t kept = std::min(codeset.size(), sizeof codeset_ - 1);
  std::memcpy(codeset_, codeset.data(), kept);
  codeset_[kept] = '\0';
  // Windows has no western thread locale with a double-byte code page. Answering as if it had
  // would leave the double-byte rules off for text that is double-byte.
  bool doubleByte = leadByteRangesOf(codePage_)[0] != 0;
  if (doubleByte && (localeId_ == 0 || isWesternLanguage(localeId_ & 0x3FF)))
    localeId_ = localeOfCodePage(codePage_);
}

const char *PosixPlatform::commandLine() const {
  if (!commandLine_) {
    std::vector<std::string_view> arguments(argv_, argv_ + argc_);
    commandLine_ = buildCommandLine(arguments, activeLeadBytes());
  }
  return commandLine_->c_str();
}

std::optional<UncarriedArgument> PosixPlatform::uncarriedArgument() const {
  // Empty arguments may go, as Windows drops "" too.
  const LeadByteSet &leads = activeLeadBytes();
  for (int index = 1; index < argc_; ++index)
    if (const char *lost = carriedArgument(argv_[index], leads).lost)
      return UncarriedArgument{index, argv_[index], lost};
  return std::nullopt;
}

int PosixPlatform::moduleFileName(char *buffer, int capacity) const {
  // The whole path or a count equal to the capacity, as Windows reports a cut one. Without
  // /proc there is no path at all.
  if (capacity <= 0)
    return 0;
  ssize_t length = readlink("/proc/self/exe", buffer, static_cast<size_t>(capacity));
  return length < 0 ? 0 : static_cast<int>(length);
}

int PosixPlatform::modulePathCapacity() const {
  return PATH_MAX;
}

int PosixPlatform::charLength(const char *text) const {
  return characterLength(activeLeadBytes(), text);
}

void PosixPlatform::upperCase(char *bytes, int length) const {
  upperCaseLetters(activeLeadBytes(), bytes, length);
}

bool PosixPlatform::sameText(const char *a, const char *b, int length) const {
  return std::memcmp(a, b, static_cast<size_t>(length)) == 0;
}

std::array<char, 7> PosixPlatform::localeAnsiCodePage(uint32_t) const {
  // The code page the process really uses: ja_JP.UTF-8 is UTF-8, not Shift_JIS.
  std::array<char, 7> buffer{};
  std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, codePage_);
  return buffer;
}

std::array<uint8_t, 12> PosixPlatform::leadByteRanges(uint32_t codePage) const {
  return leadByteRangesOf(codePage);
}

int PosixPlatform::dbcsEnabled() const {
  return leadByteRangesOf(codePage_)[0] != 0 ? 1 : 0;
}

int16_t PosixPlatform::keyState(int virtualKey) const {
  // One look per start, on the first question.
  if (!keys_)
    keys_ = readHeldKeys(*kernelInputDevices(), readX11HeldKeys);
  for (const ModifierKey &key : kModifierKeys)
    if (key.virtualKey != 0 && key.virtualKey == virtualKey)
      return keys_->held.test(static_cast<size_t>(key.slot)) ? kKeyHeld : 0;
  return 0;
}

std::optional<KeySource> PosixPlatform::keySource() const {
  if (!keys_)
    return std::nullopt;
  KeySource source{keys_->source(), ""};
  const char *wayland = std::getenv("WAYLAND_DISPLAY");
  if (!keys_->fromDevices && wayland != nullptr && *wayland != '\0')
    source.advice =
        "on Wayland, held keys can only be read from the input devices (/dev/input/event*), "
        "and this user may not read them" +
        std::string(keys_->devices.unreadable > 0 ? "" : " (none were found)") +
        ". Adding yourself to the group that owns them (commonly \"input\": sudo usermod "
        "-aG input $USER, then log in again) makes them readable; it also lets every program "
        "you run read every key you type, passwords included. Without it velmora starts "
        "\"default\" whatever you hold.";
  return source;
}

std::optional<std::string> PosixPlatform::userSettingsPath() const {
  // $XDG_CONFIG_HOME/velmora, ~/.config/velmora when it is unset or not absolute.
  const char *config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/')
    return std::string(config) + "/velmora/velmora.ini";
  const char *home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/')
    return std::string(home) + "/.config/velmora/velmora.ini";
  return std::nullopt;
}

bool PosixPlatform::fileExists(const std::string &path) const {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

FileStatus PosixPlatform::fileStatus(const std::string &path) const {
  // The reader's own look at the file, so that both tell the same story.
  ProfileFileBytes file = loadProfileFile(path);
  FileStatus status;
  status.where = path;
  status.exists = file.state != ProfileFileState::Missing;
  status.readable = file.state == ProfileFileState::Read;
  if (status.exists && !status.readable)
    status.why = profileFileStateText(file.state);
  status.bytes = std::move(file.bytes);
  return status;
}

std::string PosixPlatform::profileString(const std::string &section, const std::string &key,
                                         const std::string &fallback,
                                         const std::string &fileName) const {
  if (!settings_ || settings_->fileName != fileName) {
    ProfileFileBytes file = loadProfileFile(fileName);
    settings_ = SettingsCache{
        fileName, decodeSettingsText(file.state == ProfileFileState::Read ? file.bytes : "")};
  }
  // A UTF-16 file's values arrive as UTF-8; the launcher works in the locale's character set.
  return profileValueIn(settings_->text, section, key, fallback,
                        [this](std::string_view utf8) { return utf8ToCodeset(utf8, codeset_); });
}

void PosixPlatform::flushProfile(const std::string &fileName) const {
  if (settings_ && settings_->fileName == fileName)
    settings_.reset();
}

int PosixPlatform::startDepth() const {
  return startDepthOf(std::getenv(kStartDepthVariable));
}

void PosixPlatform::createProcess(const std::string &commandLine) const {
  // Split by the launcher's own rules and started directly: no shell ever sees the text.
  std::vector<std::string> tokens = splitLaunchCommand(commandLine);
  if (tokens.empty())
    return;
  std::vector<char *> argv;
  for (std::string &token : tokens)
    argv.push_back(token.data());
  argv.push_back(nullptr);
  // The program starts as the platform would start it, not with whatever the caller of velmora
  // left behind: no blocked or ignored signals, no descriptors beyond the standard three (as
  // Windows inherits no handles here), in a session of its own.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0)
    return;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    posix_spawnattr_destroy(&attributes);
    return;
  }
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // velmora ends right after the start: its own environment is the child's.
  setenv(kStartDepthVariable, std::to_string(startDepth() + 1).c_str(), 1);
  pid_t child = 0;
  posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
}

size_t PosixPlatform::launchCommandByteLimit() const {
  return kLaunchCommandCapacity - 1;
}

bool PosixPlatform::launchCommandFits(std::string_view command) const {
  return command.size() < kLaunchCommandCapacity;
}

std::vector<std::string> PosixPlatform::splitLaunchCommand(const std::string &command) const {
  return splitCommandLine(*this, command.c_str(), SeparatorBytes::Alone);
}

ProgramLookup PosixPlatform::findProgram(const std::string &, const std::string &firstToken) const {
  return searchPath(firstToken);
}

void PosixPlatform::showFailure(const char *title, const char *text) const {
  std::string_view parts[] = {title, "\n", text, "\n"};
  for (std::string_view part : parts)
    writeAll(part);
}

void PosixPlatform::ansiToUtf8(const char *text, char *buffer, size_t capacity) const {
  // The bytes are the locale's, and stderr takes them as they are.
  if (capacity == 0)
    return;
  size_t length = std::min(std::strlen(text), capacity - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

void PosixPlatform::writeError(std::string_view line) const {
  writeAll(std::string(line) + "\n");
}

std::unique_ptr<PlatformRoles> makeHostPlatform(int argc, char **argv) {
  return std::make_unique<PosixPlatform>(argc, argv);
}

} // namespace velmora
