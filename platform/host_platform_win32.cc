// Win32 backend: the ANSI Win32 calls behind the platform seam, and nothing else.
#include "platform/host_platform.h"

#include <windows.h>

#include <vector>

namespace velmora {
namespace {

class Win32Platform final : public Platform {
public:
  const char *commandLine() const override { return GetCommandLineA(); }

  int moduleFileName(char *buffer, int capacity) const override {
    return static_cast<int>(GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(capacity)));
  }

  int charLength(const char *text) const override {
    return static_cast<int>(CharNextA(text) - text);
  }

  void upperCase(char *bytes, int length) const override {
    CharUpperBuffA(bytes, static_cast<DWORD>(length));
  }

  bool sameText(const char *a, const char *b, int length) const override {
    return CompareStringA(0x0400, 0, a, length, b, length) == CSTR_EQUAL;
  }

  uint32_t versionPlatformId() const override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record");
    if (!GetVersionExA(&info))
      return 0;
    return info.dwPlatformId;
  }

  uint32_t threadLocale() const override { return GetThreadLocale(); }

  std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const override {
    std::array<char, 7> buffer{};
    GetLocaleInfoA(localeId, LOCALE_IDEFAULTANSICODEPAGE, buffer.data(),
                   static_cast<int>(buffer.size()));
    return buffer;
  }

  uint32_t ansiCodePage() const override { return GetACP(); }

  std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const override {
    std::array<uint8_t, 12> ranges{};
    CPINFO info{};
    if (GetCPInfo(codePage, &info))
      for (size_t i = 0; i < ranges.size(); ++i)
        ranges[i] = info.LeadByte[i];
    return ranges;
  }

  int dbcsEnabled() const override { return GetSystemMetrics(SM_DBCSENABLED); }

  int16_t keyState(int virtualKey) const override { return GetKeyState(virtualKey); }

  std::string profileString(const std::string &section, const std::string &key,
                            const std::string &fallback,
                            const std::string &fileName) const override {
    char buffer[2048];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                            sizeof buffer, fileName.c_str());
    return std::string(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
  }

  void flushProfile(const std::string &fileName) const override {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName.c_str());
  }

  std::string_view pathDelimiters() const override { return "\\:"; }
  char directorySeparator() const override { return '\\'; }

  void createProcess(const std::string &commandLine) const override {
    // The record carries nothing: the new process gets the platform's defaults.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    static_assert(sizeof(void *) != 4 || sizeof(STARTUPINFOA) == 68, "the 32-bit record");
    PROCESS_INFORMATION process{};
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    // The launcher exits right after this; the returned handles end with it.
    CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   &process);
  }

  void postQuitRequest() const override { PostQuitMessage(0); }

  void showFailure(const char *title, const char *text) const override {
    // The texts are Japanese; the wide box shows them right whatever the ANSI code page is.
    // Fixed buffers: the heap may be exhausted when this runs.
    wchar_t wideTitle[128];
    wchar_t wideText[1024];
    if (MultiByteToWideChar(CP_UTF8, 0, title, -1, wideTitle, 128) == 0)
      wideTitle[0] = L'\0';
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wideText, 1024) == 0)
      wideText[0] = L'\0';
    MessageBoxW(nullptr, wideText, wideTitle, MB_TASKMODAL | MB_ICONERROR);
  }
};

} // namespace

std::unique_ptr<Platform> makeHostPlatform(int, char **) {
  return std::make_unique<Win32Platform>();
}

} // namespace velmora
