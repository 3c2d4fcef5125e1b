// The one seam between velmora's logic and the operating system.
//
// Each operation delivers exactly the data of one ANSI Win32 call (named beside it), so the
// logic can run on Windows, on a POSIX backend of our own, or on a scripted fake in tests.
#ifndef VELMORA_PLATFORM_PLATFORM_H
#define VELMORA_PLATFORM_PLATFORM_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Where "/ini=" must stand in argument 1 to name the settings file. Anywhere on Windows, where
// stored shortcuts rely on it; only at the start where every path holds '/'.
enum class SettingsOptionPlacement { Anywhere, AtStart };

// How paths are cut into folder and name.
struct PathSyntax {
  // The bytes that end the directory part of a path (backslash and colon on Windows).
  std::string_view delimiters;
  // The one that separates a file from its folder.
  char separator;
  // Whether a delimiter byte is one wherever it stands. The Linux kernel never reads '/' as part
  // of a character, whatever the locale says; Windows reads a backslash that is the second byte
  // of a double-byte character as part of that character.
  bool delimitersAreBytes;
};

// An argument that the command line could not carry unchanged, so the launcher would see
// another text than the caller gave.
struct UncarriedArgument {
  int index = 0; // 1-based, as the launcher counts its arguments
  std::string text;
  std::string reason;
};

class Platform {
public:
  virtual ~Platform() = default;

  // GetCommandLineA: the process's command line, up to its terminating NUL.
  virtual const char *commandLine() const = 0;

  // GetModuleFileNameA(NULL, buffer, capacity): fills the buffer and returns the byte count the
  // call reports (0 on failure). The bytes past that count are unspecified. A count equal to
  // the capacity means the path was cut.
  virtual int moduleFileName(char *buffer, int capacity) const = 0;
  // The capacity to ask with: 261 on Windows, the longest path the system has elsewhere.
  virtual int modulePathCapacity() const = 0;

  // Set when the command line lost or changed an argument on its way in; the launcher then
  // starts nothing. Windows hands over its own command line, which always carries.
  virtual std::optional<UncarriedArgument> uncarriedArgument() const = 0;

  virtual SettingsOptionPlacement settingsOptionPlacement() const = 0;

  // Where the user keeps the settings when none lie next to the program: the XDG settings
  // folder on Linux. No value on Windows, where velmora.ini next to the program is the place.
  virtual std::optional<std::string> userSettingsPath() const = 0;
  // Whether anything (a file, a folder, ...) is at `path`.
  virtual bool fileExists(const std::string &path) const = 0;

  // CharNextA(text) - text: how many bytes the character at `text` takes in the ANSI code
  // page; 0 at the terminating NUL.
  virtual int charLength(const char *text) const = 0;

  // CharUpperBuffA: upper-cases `length` bytes in place; the length never changes.
  virtual void upperCase(char *bytes, int length) const = 0;

  // CompareStringA(0x0400, 0, a, length, b, length) == CSTR_EQUAL.
  virtual bool sameText(const char *a, const char *b, int length) const = 0;

  // Start-up locale queries.
  // GetVersionExA with the ANSI record's size (148): dwPlatformId, or 0 when the call fails.
  virtual uint32_t versionPlatformId() const = 0;
  // GetThreadLocale.
  virtual uint32_t threadLocale() const = 0;
  // GetLocaleInfoA(localeId, LOCALE_IDEFAULTANSICODEPAGE, buffer, 7): the whole buffer, zeroed
  // before the call.
  virtual std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const = 0;
  // GetACP.
  virtual uint32_t ansiCodePage() const = 0;
  // GetCPInfo(codePage).LeadByte: six (low, high) pairs, all zero when the call fails.
  virtual std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const = 0;
  // GetSystemMetrics(SM_DBCSENABLED).
  virtual int dbcsEnabled() const = 0;

  // GetKeyState(virtualKey).
  virtual int16_t keyState(int virtualKey) const = 0;

  // GetPrivateProfileStringA with a 2048-byte buffer: the first N bytes, N being the count the
  // call returns.
  virtual std::string profileString(const std::string &section, const std::string &key,
                                    const std::string &fallback,
                                    const std::string &fileName) const = 0;
  // WritePrivateProfileStringA(NULL, NULL, NULL, fileName): the reader's flush request.
  virtual void flushProfile(const std::string &fileName) const = 0;

  virtual PathSyntax pathSyntax() const = 0;

  // CreateProcessA(NULL, commandLine, ...) with a default start-up record; the result is not
  // reported because the launcher ignores it.
  virtual void createProcess(const std::string &commandLine) const = 0;
  // No launch command longer than this many bytes can start; the launcher stops building one
  // there, whatever the template and the arguments would make of it.
  virtual size_t launchCommandByteLimit() const = 0;
  // Whether process creation takes `command` (on Windows: at most 32,766 UTF-16 units).
  virtual bool launchCommandFits(std::string_view command) const = 0;

  // PostQuitMessage(0).
  virtual void postQuitRequest() const = 0;

  // The failure box: title and text are UTF-8.
  virtual void showFailure(const char *title, const char *text) const = 0;
  // ANSI text to UTF-8 into a fixed buffer (always terminated, cut to fit), without touching
  // the heap: the failure box needs it when memory has run out.
  virtual void ansiToUtf8(const char *text, char *buffer, size_t capacity) const = 0;
  // One line for whoever started velmora (standard error where there is one).
  virtual void writeError(std::string_view line) const = 0;
};

} // namespace velmora

#endif
