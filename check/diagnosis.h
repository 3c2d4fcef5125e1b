// What velmora would do for a given start, and the mistakes in it that people make: the
// launcher's own plan, looked at without starting anything.
#ifndef VELMORA_CHECK_DIAGNOSIS_H
#define VELMORA_CHECK_DIAGNOSIS_H

#include "check/finding.h"
#include "launcher/launch_plan.h"
#include "platform/platform.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct Diagnosis {
  uint32_t codePage = 0; // the ANSI code page velmora's text is in
  LaunchPlan plan;
  FileStatus settings;
  std::vector<std::string> split;    // program first
  std::string programPath;           // empty when it cannot be found
  std::optional<KeySource> keys;     // no value when --hold stood in for them
  std::vector<std::string> warnings; // as the report shows them, in order
  std::vector<Finding> findings;     // those of the settings file and the templates, as values

  bool wouldLaunch() const;
};

// The plan velmora would make on `platform`, with what `inspection` can tell about it.
Diagnosis diagnose(const Platform &platform, const Inspection &inspection);
std::string formatReport(const Diagnosis &diagnosis);

} // namespace velmora

#endif
