// Win32 backend of velmora-setup: the current user's registry through the wide API, and
// nothing else.
#include "setup/windows/registry_win32.h"

#include "setup/windows/system_message_win32.h"
#include "setup/windows/utf16.h"

#include <windows.h>

namespace velmora {

namespace {

class OpenKey {
public:
  OpenKey(const std::string &path, REGSAM access) {
    std::optional<std::wstring> wide = utf16From(path);
    status_ = wide ? RegOpenKeyExW(HKEY_CURRENT_USER, wide->c_str(), 0, access, &key_)
                   : ERROR_NO_UNICODE_TRANSLATION;
    if (status_ != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~OpenKey() {
    if (key_ != nullptr)
      RegCloseKey(key_);
  }
  OpenKey(const OpenKey &) = delete;
  OpenKey &operator=(const OpenKey &) = delete;
  HKEY get() const { return key_; }
  LSTATUS status() const { return status_; }

private:
  HKEY key_ = nullptr;
  LSTATUS status_ = ERROR_SUCCESS;
};

// Names of values (or subkeys) one by one, until the registry says there are no more.
template <typename Enumerate> std::vector<std::string> namesOf(Enumerate enumerate) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (enumerate(index, name, &length) != ERROR_SUCCESS)
      break;
    if (std::optional<std::string> utf8 = utf8From(std::wstring(name, length)))
      names.push_back(*utf8);
  }
  return names;
}

class Win32Registry final : public Registry {
public:
  bool keyExists(const std::string &key) const override {
    return OpenKey(key, KEY_READ).get() != nullptr;
  }

  std::vector<std::string> valueNames(const std::string &key) const override {
    OpenKey open(key, KEY_READ);
    if (open.get() == nullptr)
      return {};
    return namesOf([&open](DWORD index, wchar_t *name, DWORD *length) {
      return RegEnumValueW(open.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::vector<std::string> subkeyNames(const std::string &key) const override {
    OpenKey open(key, KEY_READ);
    if (open.get() == nullptr)
      return {};
    return namesOf([&open](DWORD index, wchar_t *name, DWORD *length) {
      return RegEnumKeyExW(open.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::optional<RegistryValue> readValue(const std::string &key,
                                         const std::string &name) const override {
    OpenKey open(key, KEY_READ);
    std::optional<std::wstring> wideName = utf16From(name);
    DWORD type = 0;
    DWORD size = 0;
    if (open.get() == nullptr || !wideName ||
        RegQueryValueExW(open.get(), wideName->c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
      return std::nullopt;
    std::string bytes(size, '\0');
    if (RegQueryValueExW(open.get(), wideName->c_str(), nullptr, &type,
                         reinterpret_cast<BYTE *>(bytes.data()), &size) != ERROR_SUCCESS)
      return std::nullopt;
    bytes.resize(size);
    if (type == REG_NONE && bytes.empty())
      return RegistryValue{RegistryValue::Empty, "", 0};
    if (type == REG_SZ && bytes.size() % 2 == 0) {
      std::wstring wide(bytes.size() / 2, L'\0');
      std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char *>(wide.data()));
      while (!wide.empty() && wide.back() == L'\0')
        wide.pop_back();
      if (std::optional<std::string> text = utf8From(wide))
        return RegistryValue{RegistryValue::Text, *text, 0};
    }
    return RegistryValue{RegistryValue::Other, bytes, type};
  }

  Outcome createKey(const std::string &key) override {
    std::optional<std::wstring> wide = utf16From(key);
    HKEY created = nullptr;
    if (!wide)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    if (Outcome made = outcomeOf(RegCreateKeyExW(HKEY_CURRENT_USER, wide->c_str(), 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &created, nullptr));
        !made)
      return made;
    RegCloseKey(created);
    return Done{};
  }

  Outcome writeValue(const std::string &key, const std::string &name,
                     const RegistryValue &value) override {
    OpenKey open(key, KEY_SET_VALUE);
    std::optional<std::wstring> wideName = utf16From(name);
    if (open.get() == nullptr)
      return failed(open.status());
    if (!wideName)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    DWORD type = value.kind == RegistryValue::Text    ? REG_SZ
                 : value.kind == RegistryValue::Empty ? REG_NONE
                                                      : value.rawType;
    std::string bytes = value.kind == RegistryValue::Other ? value.text : "";
    if (value.kind == RegistryValue::Text) {
      std::optional<std::wstring> wide = utf16From(value.text);
      if (!wide)
        return failed(ERROR_NO_UNICODE_TRANSLATION);
      bytes.assign(reinterpret_cast<const char *>(wide->c_str()), (wide->size() + 1) * 2);
    }
    return outcomeOf(RegSetValueExW(open.get(), wideName->c_str(), 0, type,
                                    reinterpret_cast<const BYTE *>(bytes.data()),
                                    static_cast<DWORD>(bytes.size())));
  }

  Outcome deleteValue(const std::string &key, const std::string &name) override {
    OpenKey open(key, KEY_SET_VALUE);
    std::optional<std::wstring> wideName = utf16From(name);
    if (open.get() == nullptr)
      return failed(open.status());
    if (!wideName)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    LSTATUS status = RegDeleteValueW(open.get(), wideName->c_str());
    return outcomeOf(status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status);
  }

  Outcome deleteKey(const std::string &key) override {
    std::optional<std::wstring> wide = utf16From(key);
    if (!wide)
      return failed(ERROR_NO_UNICODE_TRANSLATION);
    return outcomeOf(RegDeleteKeyW(HKEY_CURRENT_USER, wide->c_str()));
  }

private:
  static Outcome outcomeOf(LSTATUS status) {
    return status == ERROR_SUCCESS ? Outcome(Done{}) : failed(status);
  }
  static Failure failed(LSTATUS status) {
    return Failure{systemMessage(static_cast<uint32_t>(status))};
  }
};

} // namespace

std::unique_ptr<Registry> makeWin32Registry() {
  return std::make_unique<Win32Registry>();
}

} // namespace velmora
