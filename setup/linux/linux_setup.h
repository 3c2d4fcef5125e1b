// velmora-setup on Linux: adds velmora's desktop entry to file types' "Open with" lists, or
// makes it their default, through the user's mimeapps.list, and takes that out again.
#ifndef VELMORA_SETUP_LINUX_LINUX_SETUP_H
#define VELMORA_SETUP_LINUX_LINUX_SETUP_H

#include "setup/engine/setup_options.h"
#include "setup/linux/default_apps.h"
#include "setup/linux/desktop_files.h"

#include <string>

namespace velmora {

SetupGrammar linuxSetupGrammar();

// Whether the command may write the user's files (and so needs their configuration folder).
bool linuxCommandWrites(const SetupOptions &options);

// Runs one parsed command; what it has to say goes to `out`. Returns the exit status.
int runLinuxSetup(const SetupOptions &options, DesktopFiles &files, DefaultApps &apps,
                  std::string &out);

} // namespace velmora

#endif
