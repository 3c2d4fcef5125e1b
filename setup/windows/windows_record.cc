#include "setup/windows/windows_record.h"

#include "setup/engine/setup_options.h"
#include "setup/windows/windows_writes.h"
#include "text/fields.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

namespace velmora {

namespace {

std::optional<Registration> registrationFrom(const std::string &recordText) {
  std::vector<std::string> fields = splitFields(recordText, '|');
  std::optional<Command> kind = fields.size() == 4 ? commandNamed(fields[0]) : std::nullopt;
  if (!kind || (*kind != Command::SendTo && *kind != Command::OpenWith &&
                *kind != Command::ContextMenu && *kind != Command::Links))
    return std::nullopt;
  return Registration{*kind, fields[1], fields[2], fields[3]};
}

std::optional<RegistryValue> storedValue(const std::string &stored) {
  if (stored.empty())
    return std::nullopt;
  if (stored[0] == 'T')
    return RegistryValue{RegistryValue::Text, stored.substr(1), 0};
  if (stored == "E")
    return RegistryValue{RegistryValue::Empty, "", 0};
  size_t colon = stored.find(':');
  if (stored[0] != 'O' || colon == std::string::npos || colon == 1 ||
      (stored.size() - colon - 1) % 2 != 0)
    return std::nullopt;
  RegistryValue value{RegistryValue::Other, "", 0};
  for (size_t i = 1; i < colon; ++i) {
    if (stored[i] < '0' || stored[i] > '9' || value.rawType > 100000000u)
      return std::nullopt;
    value.rawType = value.rawType * 10 + static_cast<uint32_t>(stored[i] - '0');
  }
  auto nibble = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  for (size_t i = colon + 1; i < stored.size(); i += 2) {
    int high = nibble(stored[i]), low = nibble(stored[i + 1]);
    if (high < 0 || low < 0)
      return std::nullopt;
    value.text += static_cast<char>(high << 4 | low);
  }
  return value;
}

// A full path such as fullPath makes: a drive or a share, no quotation mark or '|', no control
// character, and no ".." that would lead out of its folder.
bool isValidSettingsPath(const std::string &path) {
  bool rooted =
      (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
  bool strange = std::any_of(path.begin(), path.end(), [](char c) {
    return c == '"' || c == '|' || static_cast<unsigned char>(c) < ' ';
  });
  std::string wrapped = "\\" + path + "\\";
  return rooted && !strange && wrapped.find("\\..\\") == std::string::npos;
}

bool isSoundRegistration(const Registration &r) {
  if (r.program != "velmora.exe" && r.program != "velmora-utf8.exe")
    return false;
  if (!r.ini.empty() && !isValidSettingsPath(r.ini))
    return false;
  if (r.kind == Command::SendTo)
    return isValidLinkName(r.subject);
  if (r.kind == Command::OpenWith)
    return isValidType(r.subject) && r.subject == asciiLower(r.subject);
  return (r.kind == Command::ContextMenu || r.kind == Command::Links) && r.subject.empty();
}

} // namespace

std::string recordNameOf(const Registration &r) {
  std::string name = "reg:" + commandName(r.kind);
  if (!r.subject.empty())
    name += " " + r.subject;
  if (r.kind == Command::OpenWith)
    name += " " + progIdOf(r);
  return name;
}

// '|' is no part of a Windows file name, nor of a type velmora-setup accepts.
std::string recordTextOf(const Registration &r) {
  return commandName(r.kind) + "|" + r.subject + "|" + r.program + "|" + r.ini;
}

// A value as the record keeps it, type and bytes: "T" and the text, "E" for an empty value,
// "O<type>:" and the bytes in hex for any other kind.
std::string storedText(const RegistryValue &value) {
  if (value.kind == RegistryValue::Text)
    return "T" + value.text;
  if (value.kind == RegistryValue::Empty)
    return "E";
  static constexpr char kHex[] = "0123456789abcdef";
  std::string stored = "O" + std::to_string(value.rawType) + ":";
  for (char c : value.text) {
    stored += kHex[static_cast<unsigned char>(c) >> 4];
    stored += kHex[static_cast<unsigned char>(c) & 15];
  }
  return stored;
}

RegistryValue versionValue() {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>(kRecordVersion >> (8 * i) & 0xFF);
  return RegistryValue{RegistryValue::Other, bytes, 4};
}

// The record's name for what stood at a place before set-up first wrote it.
std::string priorNameOf(const std::string &key, const std::string &name) {
  return "was:" + key + "|" + name;
}

bool isValidType(const std::string &type) {
  if (type.size() < 2 || type[0] != '.')
    return false;
  for (char c : type.substr(1))
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F ||
        std::string_view("\\/|.\"*?<>:").find(c) != std::string_view::npos)
      return false;
  return true;
}

bool isValidLinkName(const std::string &name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ')
    return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < ' ' ||
        std::string_view("\\/|\"*?<>:").find(c) != std::string_view::npos)
      return false;
  return true;
}

// The record as it stands, checked: it is input like any other, and a changed one must not make
// velmora-setup delete or register what is not its own.
Recorded readRecord(const Registry &registry, const std::string &folder) {
  Recorded recorded;
  std::vector<std::string> priorNames;
  for (const std::string &name : registry.valueNames(kRecordKey)) {
    recorded.valueNames.push_back(name);
    std::optional<RegistryValue> value = registry.readValue(kRecordKey, name);
    bool text = value && value->kind == RegistryValue::Text;
    if (name == kVersionName) {
      // A REG_DWORD, four bytes, least significant first.
      constexpr uint32_t kDword = 4;
      if (!value || value->kind != RegistryValue::Other || value->rawType != kDword ||
          value->text.size() != 4) {
        recorded.damage = "the value \"" + name + "\"";
        continue;
      }
      recorded.version = 0;
      for (size_t i = 4; i-- > 0;)
        recorded.version = recorded.version << 8 | static_cast<unsigned char>(value->text[i]);
      if (recorded.version == 0)
        recorded.damage = "the value \"" + name + "\"";
    } else if (name.rfind("key:", 0) == 0) {
      recorded.createdKeys.push_back(name.substr(4));
    } else if (name.rfind("reg:", 0) == 0) {
      std::optional<Registration> r = text ? registrationFrom(value->text) : std::nullopt;
      if (!r || !isSoundRegistration(*r) || recordNameOf(*r) != name)
        recorded.damage = "the value \"" + name + "\"";
      else
        recorded.registrations.push_back(*r);
    } else if (name.rfind("was:", 0) == 0 && text) {
      priorNames.push_back(name);
    } else {
      recorded.damage = "the value \"" + name + "\"";
    }
  }
  // Keys and earlier values only at the places that the recorded registrations write.
  std::set<std::string> keys = {kRecordParent, kRecordKey};
  std::map<std::string, std::pair<std::string, std::string>> places;
  for (const Registration &r : recorded.registrations)
    for (const Write &w : writesOf(r, folder)) {
      places[priorNameOf(w.key, w.name)] = {w.key, w.name};
      for (size_t end = w.key.find('\\'); end != std::string::npos; end = w.key.find('\\', end + 1))
        keys.insert(w.key.substr(0, end));
      keys.insert(w.key);
    }
  for (const std::string &key : recorded.createdKeys)
    if (keys.count(key) == 0)
      recorded.damage = "the created key \"" + key + "\"";
  for (const std::string &name : priorNames) {
    std::optional<RegistryValue> stored = storedValue(registry.readValue(kRecordKey, name)->text);
    // One of no registration was entered by a run killed before it entered the registration:
    // nothing goes by it, and it goes with the record.
    auto place = places.find(name);
    if (!stored)
      recorded.damage = "the value \"" + name + "\"";
    else if (place != places.end())
      recorded.priors[place->second] = *stored;
  }
  return recorded;
}

} // namespace velmora
