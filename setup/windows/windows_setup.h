// velmora-setup on Windows: wires the velmora programs in its own folder into the current
// user's "Send To" folder, "Open with" lists and right-click menu, and takes them out again.
#ifndef VELMORA_SETUP_WINDOWS_WINDOWS_SETUP_H
#define VELMORA_SETUP_WINDOWS_WINDOWS_SETUP_H

#include "setup/engine/setup_options.h"
#include "setup/windows/registry.h"
#include "setup/windows/shell_files.h"

#include <string>

namespace velmora {

SetupGrammar windowsSetupGrammar();

// Runs one parsed command; what it has to say goes to `out`. Returns the exit status.
int runWindowsSetup(const SetupOptions &options, Registry &registry, ShellFiles &files,
                    std::string &out);

} // namespace velmora

#endif
