// The XDG folders and files of the user this process runs as, and GIO's answer for defaults.
#ifndef VELMORA_SETUP_LINUX_DESKTOP_FILES_POSIX_H
#define VELMORA_SETUP_LINUX_DESKTOP_FILES_POSIX_H

#include "setup/linux/default_apps.h"
#include "setup/linux/desktop_files.h"

#include <memory>

namespace velmora {

std::unique_ptr<DesktopFiles> makePosixDesktopFiles();
// Asks `gio mime TYPE`, as a GLib file manager would decide.
std::unique_ptr<DefaultApps> makeGioDefaultApps();

} // namespace velmora

#endif
