// Which settings file applies to this start, and the templates it holds.
#ifndef VELMORA_LAUNCHER_SETTINGS_LOCATION_H
#define VELMORA_LAUNCHER_SETTINGS_LOCATION_H

#include "launcher/template_set.h"

#include <string>
#include <vector>

namespace velmora {

class ArgumentList;
class SettingsStore;

constexpr char kSettingsOption[] = "/ini=";
constexpr char kSettingsFileName[] = "velmora.ini";
constexpr char kSettingsSection[] = "Path";

enum class SettingsSource {
  NextToProgram, // velmora.ini in the program's folder
  UserFolder,    // velmora.ini in the user's settings folder, as none lies next to the program
  Option,        // argument 1 named the file; it is then no "%O" argument
  None,          // the program's own folder is unknown, so no file is read at all
};

struct SettingsLocation {
  std::string path;
  SettingsSource source = SettingsSource::NextToProgram;
  // Every place looked at, in order; the last is the one taken.
  std::vector<std::string> looked;
  // Why no file is read, or why an argument that holds "/ini=" was not taken as the option.
  std::string note;

  bool fromOption() const { return source == SettingsSource::Option; }
};

// Argument 1 names the file when it holds "/ini=" (exactly so; anywhere in it on Windows, at its
// start elsewhere) and it is not also the target, the only argument. Otherwise "velmora.ini"
// next to the program is used, provided the program's own path came whole; where the platform
// has a settings folder for the user, that one's velmora.ini when none lies next to the program.
SettingsLocation locateSettings(const ArgumentList &arguments, const SettingsStore &store);

// The six templates of section "Path"; a missing file, section or key reads as empty.
TemplateSet readTemplates(const SettingsStore &store, const std::string &settingsPath);

} // namespace velmora

#endif
