// velmora-setup's record on Windows, under HKCU\Software\velmora\Setup: one value per
// registration ("reg:..."), one per key it created ("key:...") and one per earlier value it
// keeps to give back ("was:..."), so that status, repair and remove touch exactly that.
#ifndef VELMORA_SETUP_WINDOWS_WINDOWS_RECORD_H
#define VELMORA_SETUP_WINDOWS_WINDOWS_RECORD_H

#include "setup/engine/registration.h"
#include "setup/windows/registry.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

inline constexpr char kRecordParent[] = "Software\\velmora";
inline constexpr char kRecordKey[] = "Software\\velmora\\Setup";

using Place = std::pair<std::string, std::string>; // a key and a value's name

struct Recorded {
  std::vector<Registration> registrations;
  std::vector<std::string> valueNames;
  std::vector<std::string> createdKeys;
  std::map<Place, RegistryValue> priors;
  unsigned version = 1; // its "Version" value; none is version 1
  std::string damage;   // what in the record velmora-setup never writes; empty when sound
};

// A registration's value in the record: its name ("reg:open-with .txt velmora.file") and its
// text, fields joined by '|', which is no part of a Windows file name, nor of a type
// velmora-setup accepts.
std::string recordNameOf(const Registration &r);
std::string recordTextOf(const Registration &r);

// A value as the record keeps it, type and bytes: "T" and the text, "E" for an empty value,
// "O<type>:" and the bytes in hex for any other kind.
std::string storedText(const RegistryValue &value);

// The record's version, as a REG_DWORD named "Version".
inline constexpr char kVersionName[] = "Version";
RegistryValue versionValue();

// The record's name for what stood at a place before set-up first wrote it.
std::string priorNameOf(const std::string &key, const std::string &name);

// A type as ".EXT", and a name a shortcut can have.
bool isValidType(const std::string &type);
bool isValidLinkName(const std::string &name);

// The record as it stands, checked: it is input like any other, and a changed one must not make
// velmora-setup delete or register what is not its own.
Recorded readRecord(const Registry &registry, const std::string &folder);

} // namespace velmora

#endif
