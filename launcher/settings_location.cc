#include "launcher/settings_location.h"

#include "launcher/settings_file.h"
#include "platform/settings_store.h"
#include "platform/text_rules.h"
#include "text/argument_list.h"
#include "text/path_split.h"
#include "text/text_routines.h"

namespace velmora {

namespace {

// The default file, next to the program. A path that was cut names some other folder, and a
// missing one would make the reader look in the current or the Windows folder: neither is
// velmora's own, so then nothing is read.
SettingsLocation nextToProgram(const ArgumentList &arguments, const SettingsStore &store,
                               std::string note) {
  SettingsLocation location;
  location.note = std::move(note);
  std::optional<std::string> program = arguments.ownPath();
  if (!program) {
    location.source = SettingsSource::None;
    if (!location.note.empty())
      location.note += " ";
    location.note += "The program's own path could not be had whole (cut, or holding characters "
                     "the code page cannot carry exactly), so its folder is unknown "
                     "and no settings file is read.";
    return location;
  }
  location.path = directoryPart(arguments.rules(), *program) + kSettingsFileName;
  location.looked.push_back(location.path);
  // The file next to the program wins when it is there (installs made before there was a
  // settings folder keep working); otherwise the user's own.
  std::optional<std::string> user = store.userSettingsPath();
  if (user && !store.fileExists(location.path)) {
    location.path = *user;
    location.source = SettingsSource::UserFolder;
    location.looked.push_back(location.path);
  }
  return location;
}

} // namespace

SettingsLocation locateSettings(const ArgumentList &arguments, const SettingsStore &store) {
  std::string first = arguments.argumentAt(1);
  int32_t at = indexOf(kSettingsOption, first);
  if (at == 0)
    return nextToProgram(arguments, store, "");
  // A sole argument is the target: a file in a folder named "ini=" must not choose the settings.
  // (Asking for argument 2 walks three tokens; counting would walk them all.)
  if (arguments.argumentAt(2).empty())
    return nextToProgram(arguments, store,
                         "Argument 1 holds \"/ini=\" but is the only argument, and a "
                         "sole argument is always the target.");
  bool atStart = at == 1;
  if (store.settingsOptionPlacement() == SettingsOptionPlacement::AtStart && !atStart)
    return nextToProgram(arguments, store,
                         "Argument 1 holds \"/ini=\" but does not begin with it, and "
                         "here the option counts only at the start.");
  SettingsLocation location;
  location.source = SettingsSource::Option;
  // Where the option may stand anywhere, every spelling of it is taken out of the path; where it
  // must lead, only that lead is, and the rest is the path as given.
  location.path = store.settingsOptionPlacement() == SettingsOptionPlacement::Anywhere
                      ? replaceAllIgnoreCase(arguments.rules(), first, kSettingsOption, "")
                      : first.substr(sizeof kSettingsOption - 1);
  location.looked.push_back(location.path);
  return location;
}

TemplateSet readTemplates(const SettingsStore &store, const std::string &settingsPath) {
  TemplateSet set;
  SettingsFile file(store, settingsPath);
  for (const ModifierKey &key : kModifierKeys)
    set.of(key.slot) = file.readValue(kSettingsSection, key.settingsKey, "");
  return set;
}

} // namespace velmora
