// What velmora would do for a given start, and the mistakes in it that people make, worked out
// by the launcher's own routines without starting anything.
#ifndef VELMORA_CHECK_DIAGNOSIS_H
#define VELMORA_CHECK_DIAGNOSIS_H

#include "check/check_platform.h"
#include "launcher/settings_location.h"
#include "launcher/template_set.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

class Platform;

struct Diagnosis {
  int32_t argumentCount = 0;
  SettingsLocation location;
  FileStatus settings;
  TemplateSet templates;
  ModifierSlot slot = ModifierSlot::Default;
  std::string launchCommand;
  std::vector<std::string> split; // program first
  std::string programPath;        // empty when it cannot be found
  std::vector<std::string> warnings;

  bool wouldLaunch() const;
};

// Runs the launcher's sequence up to the start: settings, one key sample, both stages.
Diagnosis diagnose(const Platform &platform, const CheckPlatform &check);

std::string formatReport(const Diagnosis &diagnosis);

const char *slotName(ModifierSlot slot);

} // namespace velmora

#endif
