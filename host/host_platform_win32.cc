// Win32 backend: the ANSI Win32 calls behind the platform's roles, and nothing else.
#include "host/exact_rendering.h"
#include "host/host_platform.h"
#include "host/win32_platform.h"

#include "text/argument_list.h"
#include "text/double_byte_rules.h"
#include "text/windows_split.h"

#include <windows.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

// GetModuleFileNameA's buffer: MAX_PATH and one more, so that a count equal to it tells a cut
// path.
constexpr int kModulePathCapacity = 261;
// CreateProcess takes at most 32,767 characters, the terminating NUL among them.
constexpr size_t kLaunchCommandUnits = 32766;

// The longest path GetModuleFileNameW can report, with its NUL.
constexpr DWORD kWideModulePathCapacity = 32768;

bool hasDirectory(const std::string &path) {
  return path.find_first_of("\\/:") != std::string::npos;
}

// The file SearchPath finds for `program`, with ".exe" added to a name without extension, as
// CreateProcess searches: the program's folder, the current folder, the system folders, PATH.
// Empty when there is none, or when it is a folder.
std::string searchExe(const std::string &program) {
  char found[MAX_PATH];
  DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return "";
  DWORD attributes = GetFileAttributesA(found);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "";
  return std::string(found, length);
}

std::string ansiOf(std::wstring_view wide) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                  nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes,
                        nullptr, nullptr);
  return text;
}

} // namespace

const char *Win32Platform::commandLine() const {
  return GetCommandLineA();
}

std::optional<UncarriedArgument> Win32Platform::uncarriedArgument() const {
  std::string reason = "holds characters that code page " + std::to_string(GetACP()) +
                       " cannot carry exactly (Windows hands them over as look-alikes or \"?\"; "
                       "velmora-utf8.exe takes them as they are)";
  // Explorer and the shell start programs with a UTF-16 command line; the ANSI copy velmora
  // reads turns a name with "＂" into one with '"', which splits differently and can bring in
  // "/ini=". Only an exact copy is taken.
  std::wstring_view wide = GetCommandLineW();
  if (std::optional<size_t> at = firstUnrenderedUnit(GetCommandLineA(), wide)) {
    std::wstring token;
    int index = argumentHoldingUnit(wide, *at, token);
    return UncarriedArgument{index, ansiOf(token), reason};
  }
  // Started by its bare name, the command line holds no folder, but the program's own path
  // does, and velmora's settings lie there.
  std::vector<wchar_t> path(kWideModulePathCapacity);
  DWORD units = GetModuleFileNameW(nullptr, path.data(), kWideModulePathCapacity);
  std::wstring_view own(path.data(), units < kWideModulePathCapacity ? units : 0);
  std::string ansi = ansiOf(own);
  if (!isExactRendering(ansi, own))
    return UncarriedArgument{0, ansi, reason};
  return std::nullopt;
}

int Win32Platform::startDepth() const {
  char value[16];
  DWORD length = GetEnvironmentVariableA(kStartDepthVariable, value, sizeof value);
  return length > 0 && length < sizeof value ? startDepthOf(value) : 0;
}

bool Win32Platform::commandLineLostCharacters() const {
  // Windows made the ANSI line from the UTF-16 one; read back, it differs exactly where a
  // character had no place in the ANSI code page.
  return !isExactRendering(GetCommandLineA(), GetCommandLineW());
}

int Win32Platform::moduleFileName(char *buffer, int capacity) const {
  DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(capacity));
  if (length == 0 || length >= static_cast<DWORD>(capacity))
    return static_cast<int>(length);
  // A folder named with characters the code page lacks would be read as another folder, whose
  // velmora.ini is not this program's: such a path counts as not had at all.
  std::vector<wchar_t> wide(kWideModulePathCapacity);
  DWORD units = GetModuleFileNameW(nullptr, wide.data(), kWideModulePathCapacity);
  if (units == 0 || units >= kWideModulePathCapacity ||
      !isExactRendering(std::string_view(buffer, length), std::wstring_view(wide.data(), units)))
    return 0;
  return static_cast<int>(length);
}

int Win32Platform::modulePathCapacity() const {
  return kModulePathCapacity;
}

bool Win32Platform::fileExists(const std::string &path) const {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileStatus Win32Platform::fileStatus(const std::string &path) const {
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
    // The reader takes the file whole; a megabyte is more than any settings file holds.
    char chunk[4096];
    DWORD got = 0;
    while (status.bytes.size() < (1u << 20) && ReadFile(file, chunk, sizeof chunk, &got, nullptr) &&
           got > 0)
      status.bytes.append(chunk, got);
    CloseHandle(file);
  } else if (status.exists) {
    status.why = attributes & FILE_ATTRIBUTE_DIRECTORY ? "a folder" : "cannot be opened";
  }
  return status;
}

int Win32Platform::charLength(const char *text) const {
  return static_cast<int>(CharNextA(text) - text);
}

void Win32Platform::upperCase(char *bytes, int length) const {
  // In UTF-8, CharUpperBuffA maps letters whose upper case is longer or shorter (a dotless i
  // becomes I), so the copy would no longer line up byte for byte with the text it is searched
  // for. The placeholders are ASCII: there, ASCII letters alone are folded.
  if (GetACP() == CP_UTF8) {
    upperCaseLetters(LeadByteSet{}, bytes, length);
    return;
  }
  CharUpperBuffA(bytes, static_cast<DWORD>(length));
}

bool Win32Platform::sameText(const char *a, const char *b, int length) const {
  return CompareStringA(0x0400, 0, a, length, b, length) == CSTR_EQUAL;
}

uint32_t Win32Platform::versionPlatformId() const {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record");
  if (!GetVersionExA(&info))
    return 0;
  return info.dwPlatformId;
}

uint32_t Win32Platform::threadLocale() const {
  return GetThreadLocale();
}

std::array<char, 7> Win32Platform::localeAnsiCodePage(uint32_t localeId) const {
  std::array<char, 7> buffer{};
  GetLocaleInfoA(localeId, LOCALE_IDEFAULTANSICODEPAGE, buffer.data(),
                 static_cast<int>(buffer.size()));
  return buffer;
}

uint32_t Win32Platform::ansiCodePage() const {
  return GetACP();
}

std::array<uint8_t, 12> Win32Platform::leadByteRanges(uint32_t codePage) const {
  std::array<uint8_t, 12> ranges{};
  CPINFO info{};
  if (GetCPInfo(codePage, &info))
    for (size_t i = 0; i < ranges.size(); ++i)
      ranges[i] = info.LeadByte[i];
  return ranges;
}

int Win32Platform::dbcsEnabled() const {
  return GetSystemMetrics(SM_DBCSENABLED);
}

int16_t Win32Platform::keyState(int virtualKey) const {
  return GetKeyState(virtualKey);
}

std::string Win32Platform::profileString(const std::string &section, const std::string &key,
                                         const std::string &fallback,
                                         const std::string &fileName) const {
  char buffer[2048];
  DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                          sizeof buffer, fileName.c_str());
  return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

void Win32Platform::flushProfile(const std::string &fileName) const {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName.c_str());
}

void Win32Platform::createProcess(const std::string &commandLine) const {
  // The record carries nothing: the new process gets the platform's defaults.
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  static_assert(sizeof(void *) != 4 || sizeof(STARTUPINFOA) == 68, "the 32-bit record");
  PROCESS_INFORMATION process{};
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  // The new process inherits velmora's environment, one start deeper.
  SetEnvironmentVariableA(kStartDepthVariable, std::to_string(startDepth() + 1).c_str());
  // The launcher exits right after this; the returned handles end with it.
  CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                 &process);
}

size_t Win32Platform::launchCommandByteLimit() const {
  // A UTF-16 unit never takes more than three bytes of ANSI text (UTF-8 being the widest).
  return 3 * kLaunchCommandUnits;
}

bool Win32Platform::launchCommandFits(std::string_view command) const {
  if (command.size() > launchCommandByteLimit())
    return false;
  int units =
      MultiByteToWideChar(CP_ACP, 0, command.data(), static_cast<int>(command.size()), nullptr, 0);
  return static_cast<size_t>(units) <= kLaunchCommandUnits;
}

std::vector<std::string> Win32Platform::splitLaunchCommand(const std::string &command) const {
  return splitLikeWindowsPrograms(command);
}

ProgramLookup Win32Platform::findProgram(const std::string &command,
                                         const std::string &firstToken) const {
  // A quoted program is the text up to the next quotation mark. An unquoted one is read as
  // CreateProcess reads it: the line word by word, growing, and the first prefix that names
  // a file is the program ("C:\Program Files\x.exe" tries C:\Program.exe first).
  ProgramLookup lookup;
  if (command.empty() || command[0] == '"') {
    lookup.program = firstToken;
    lookup.path = searchExe(firstToken);
    return lookup;
  }
  size_t end = 0;
  while (end < command.size()) {
    end = command.find_first_of(" \t", command.find_first_not_of(" \t", end));
    if (end == std::string::npos)
      end = command.size();
    std::string prefix = command.substr(0, end);
    std::string found = searchExe(prefix);
    if (found.empty())
      continue;
    if (lookup.path.empty()) {
      lookup.program = prefix;
      lookup.path = found;
      lookup.unquotedBlank = prefix.find_first_of(" \t") != std::string::npos;
    } else {
      // A longer prefix names a program too: the one taken may be a planted one.
      lookup.unquotedBlank = true;
      break;
    }
  }
  if (lookup.path.empty())
    lookup.program = firstToken;
  return lookup;
}

void Win32Platform::postQuitRequest() const {
  PostQuitMessage(0);
}

void Win32Platform::showFailure(const char *title, const char *text) const {
  // The texts are Japanese; the wide box shows them right whatever the ANSI code page is.
  // Fixed buffers: the heap may be exhausted when this runs.
  wchar_t wideTitle[128];
  wchar_t wideText[2048];
  if (MultiByteToWideChar(CP_UTF8, 0, title, -1, wideTitle, 128) == 0)
    wideTitle[0] = L'\0';
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wideText, 2048) == 0)
    wideText[0] = L'\0';
  MessageBoxW(nullptr, wideText, wideTitle, MB_TASKMODAL | MB_ICONERROR);
}

void Win32Platform::ansiToUtf8(const char *text, char *buffer, size_t capacity) const {
  if (capacity == 0)
    return;
  buffer[0] = '\0';
  if (capacity < 2)
    return;
  // At most the first 1023 bytes, more than the box would show anyway; fixed buffers, as for
  // the box itself.
  wchar_t wide[1024];
  int length = 0;
  while (length < 1023 && text[length] != '\0')
    ++length;
  int units = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, length, wide, 1023);
  int bytes = 0;
  while (units > 0 &&
         (bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, buffer,
                                      static_cast<int>(capacity) - 1, nullptr, nullptr)) == 0)
    units /= 2; // too long for the buffer: a shorter part of it
  buffer[bytes] = '\0';
}

void Win32Platform::writeError(std::string_view line) const {
  // A windowless program usually has no standard error; when it was given one, use it.
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  WriteFile(error, "\r\n", 2, &written, nullptr);
}

std::unique_ptr<PlatformRoles> makeHostPlatform(int, char **) {
  return std::make_unique<Win32Platform>();
}

} // namespace velmora
