// Windows' own words for an error code, as velmora-setup passes them on to the user.
#ifndef VELMORA_SETUP_WINDOWS_SYSTEM_MESSAGE_WIN32_H
#define VELMORA_SETUP_WINDOWS_SYSTEM_MESSAGE_WIN32_H

#include <cstdint>
#include <string>

namespace velmora {

// The system's message for a Win32 error code or an HRESULT, in UTF-8 and on one line, with
// the code itself; "error N" alone where the system has no words for it.
std::string systemMessage(uint32_t code);

} // namespace velmora

#endif
