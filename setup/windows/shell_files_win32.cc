// Win32 backend of velmora-setup: its own folder, the Send To folder, shortcuts and file
// attributes through the wide API, and nothing else.
#include "setup/windows/shell_files_win32.h"

#include "host/exact_rendering.h"
#include "setup/windows/system_message_win32.h"
#include "setup/windows/utf16.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace velmora {

namespace {

// A COM interface pointer released on every road out.
template <typename Interface> class ComPointer {
public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr)
      pointer_->Release();
  }
  ComPointer(const ComPointer &) = delete;
  ComPointer &operator=(const ComPointer &) = delete;
  Interface *operator->() const { return pointer_; }
  Interface **out() { return &pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

private:
  Interface *pointer_ = nullptr;
};

constexpr char kNewFile[] = ".velmora-setup-";

std::string utf8Or(const std::wstring &wide) {
  return utf8From(wide).value_or("");
}

class Win32ShellFiles final : public ShellFiles {
public:
  std::string programFolder() const override {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0)
        return "";
      if (length < path.size()) {
        path.resize(length);
        break;
      }
      path.resize(path.size() * 2);
    }
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? "" : utf8Or(path.substr(0, slash + 1));
  }

  std::string sendToFolder() const override {
    wchar_t *path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_SendTo, 0, nullptr, &path)))
      folder = utf8Or(path);
    CoTaskMemFree(path);
    return folder;
  }

  std::string fullPath(const std::string &path) const override {
    std::optional<std::wstring> wide = utf16From(path);
    if (!wide)
      return "";
    DWORD size = GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
    if (size == 0)
      return "";
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(wide->c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
      return "";
    full.resize(length);
    return utf8Or(full);
  }

  bool isFile(const std::string &path) const override {
    std::optional<std::wstring> wide = utf16From(path);
    DWORD attributes = wide ? GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool ansiCarries(const std::string &text) const override {
    std::optional<std::wstring> wide = utf16From(text);
    if (!wide)
      return false;
    if (wide->empty())
      return true;
    // The ANSI copy Windows would hand velmora.exe, best fit and all, must read back whole.
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide->data(), static_cast<int>(wide->size()),
                                    nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
      return false;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide->data(), static_cast<int>(wide->size()), ansi.data(), bytes,
                        nullptr, nullptr);
    return isExactRendering(ansi, *wide);
  }

  std::optional<ShellLink> readLink(const std::string &path) const override {
    std::optional<std::wstring> widePath = utf16From(path);
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    if (!widePath || !isFile(path) ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void **>(link.out()))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(file.out()))) ||
        FAILED(file->Load(widePath->c_str(), STGM_READ)))
      return std::nullopt;
    ShellLink read;
    wchar_t buffer[32768];
    // The target from the item list: Wine's GetPath answers "?" for some letters outside the
    // ANSI code page, while the list keeps the name whole.
    ITEMIDLIST *items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items != nullptr &&
        SHGetPathFromIDListEx(items, buffer, 32768, GPFIDL_DEFAULT))
      read.target = utf8Or(buffer);
    CoTaskMemFree(items);
    if (SUCCEEDED(link->GetArguments(buffer, 32768)))
      read.arguments = utf8Or(buffer);
    if (SUCCEEDED(link->GetDescription(buffer, 32768)))
      read.description = utf8Or(buffer);
    return read;
  }

  Outcome writeLink(const std::string &path, const ShellLink &shellLink) override {
    std::optional<std::wstring> widePath = utf16From(path);
    clearLeftovers(path);
    // A name of this run's own: another program's file, or a leftover, is never written over.
    std::optional<std::wstring> temporary = utf16From(
        path + kNewFile + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++saved_));
    std::optional<std::wstring> target = utf16From(shellLink.target);
    std::optional<std::wstring> arguments = utf16From(shellLink.arguments);
    std::optional<std::wstring> description = utf16From(shellLink.description);
    if (!widePath || !temporary || !target || !arguments || !description)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void **>(link.out()));
    if (SUCCEEDED(result))
      result = link->SetPath(target->c_str());
    if (SUCCEEDED(result))
      result = link->SetArguments(arguments->c_str());
    if (SUCCEEDED(result))
      result = link->SetDescription(description->c_str());
    if (SUCCEEDED(result))
      result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(file.out()));
    // Written beside and renamed over, so that a failure leaves the old shortcut or none.
    if (SUCCEEDED(result))
      result = file->Save(temporary->c_str(), TRUE);
    if (SUCCEEDED(result) &&
        !MoveFileExW(temporary->c_str(), widePath->c_str(), MOVEFILE_REPLACE_EXISTING))
      result = HRESULT_FROM_WIN32(GetLastError());
    if (FAILED(result)) {
      DeleteFileW(temporary->c_str());
      return failed(static_cast<uint32_t>(result));
    }
    return Done{};
  }

  Outcome removeFile(const std::string &path) override {
    std::optional<std::wstring> wide = utf16From(path);
    if (!wide)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    if (!DeleteFileW(wide->c_str()))
      return failed(GetLastError());
    return Done{};
  }

private:
  // What a killed run left beside the shortcut at `path`: only one run holds the turn, so any
  // such file is a leftover; "<name>.new" is the name runs of the first release used.
  static void clearLeftovers(const std::string &path) {
    size_t slash = path.rfind('\\');
    std::optional<std::wstring> pattern = utf16From(path + kNewFile + "*");
    std::optional<std::wstring> folder = utf16From(path.substr(0, slash + 1));
    std::optional<std::wstring> early = utf16From(path + ".new");
    if (!pattern || !folder || !early || slash == std::string::npos)
      return;
    DeleteFileW(early->c_str());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
      return;
    do
      DeleteFileW((*folder + found.cFileName).c_str());
    while (FindNextFileW(search, &found));
    FindClose(search);
  }

  static Failure failed(uint32_t code) { return Failure{systemMessage(code)}; }

  unsigned saved_ = 0;
};

} // namespace

std::unique_ptr<ShellFiles> makeWin32ShellFiles() {
  return std::make_unique<Win32ShellFiles>();
}

} // namespace velmora
