// velmora-check's look at one template, as if its key were held: the placeholders velmora
// leaves as written, how the target and the arguments fill it, and the program its command
// would start.
#ifndef VELMORA_CHECK_TEMPLATE_LINT_H
#define VELMORA_CHECK_TEMPLATE_LINT_H

#include "check/finding.h"
#include "launcher/launch_plan.h"
#include "platform/inspection.h"
#include "platform/platform.h"

#include <string>
#include <vector>

namespace velmora {

// Where the template came from in the settings file.
struct TemplateSource {
  int line = 0;             // 0 when not known
  bool outerQuotes = false; // the reader took a pair of quotation marks off the whole value,
                            // which explains what follows from it
};

struct TemplateCheck {
  LaunchPlan plan;                // as velmora would make it with the key held
  std::vector<std::string> split; // the launch command as the program reads it, program first
  std::string programPath;        // empty when it cannot be found
  std::vector<Finding> findings;
};

TemplateCheck checkTemplate(const Platform &platform, const Inspection &inspection,
                            ModifierSlot slot, const TemplateSource &source);

} // namespace velmora

#endif
