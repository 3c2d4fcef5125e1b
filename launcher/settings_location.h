// Which settings file applies to this start, and the templates it holds.
#ifndef VELMORA_LAUNCHER_SETTINGS_LOCATION_H
#define VELMORA_LAUNCHER_SETTINGS_LOCATION_H

#include "launcher/template_set.h"

#include <string>

namespace velmora {

class ArgumentList;
class Platform;

constexpr char kSettingsOption[] = "/ini=";
constexpr char kSettingsFileName[] = "velmora.ini";
constexpr char kSettingsSection[] = "Path";

struct SettingsLocation {
  std::string path;
  // Set when argument 1 named the settings file; it is then no "%O" argument.
  bool fromOption = false;
};

// Argument 1 names the file when it contains "/ini=" (exactly so, anywhere in it); otherwise
// "velmora.ini" next to the program is used.
SettingsLocation locateSettings(const ArgumentList &arguments);

// The six templates of section "Path"; a missing file, section or key reads as empty.
TemplateSet readTemplates(const Platform &platform, const std::string &settingsPath);

} // namespace velmora

#endif
