// The files and shortcuts of the running Windows, for velmora-setup.
#ifndef VELMORA_SETUP_WINDOWS_SHELL_FILES_WIN32_H
#define VELMORA_SETUP_WINDOWS_SHELL_FILES_WIN32_H

#include "setup/windows/shell_files.h"

#include <memory>

namespace velmora {

// Needs COM initialised on the calling thread.
std::unique_ptr<ShellFiles> makeWin32ShellFiles();

} // namespace velmora

#endif
