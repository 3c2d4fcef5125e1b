#include "launcher/settings_location.h"

#include "platform/path_split.h"
#include "platform/settings_file.h"
#include "text/argument_list.h"
#include "text/text_routines.h"

namespace velmora {

const char *slotKey(ModifierSlot slot) {
  static constexpr const char *kKeys[kSlotCount] = {"default", "shift", "ctrl", "alt", "X1", "X2"};
  return kKeys[static_cast<size_t>(slot)];
}

SettingsLocation locateSettings(const ArgumentList &arguments) {
  const Platform &platform = arguments.platform();
  std::string first = arguments.argumentAt(1);
  SettingsLocation location;
  // Detected exactly, but every spelling of the option is taken out of the path.
  if (indexOf(kSettingsOption, first) > 0) {
    location.path = replaceAllIgnoreCase(platform, first, kSettingsOption, "");
    location.fromOption = true;
  } else {
    location.path = directoryPart(platform, arguments.argumentAt(0)) + kSettingsFileName;
  }
  return location;
}

TemplateSet readTemplates(const Platform &platform, const std::string &settingsPath) {
  TemplateSet set;
  SettingsFile file(platform, settingsPath);
  for (ModifierSlot slot : {ModifierSlot::Default, ModifierSlot::Shift, ModifierSlot::Ctrl,
                            ModifierSlot::Alt, ModifierSlot::X1, ModifierSlot::X2})
    set.of(slot) = file.readValue(kSettingsSection, slotKey(slot), "");
  return set;
}

} // namespace velmora
