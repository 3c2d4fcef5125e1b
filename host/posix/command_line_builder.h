// Builds one command line from separate arguments so that the launcher's splitting rules give
// them back.
#ifndef VELMORA_HOST_POSIX_COMMAND_LINE_BUILDER_H
#define VELMORA_HOST_POSIX_COMMAND_LINE_BUILDER_H

#include "text/system_locale.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// An argument that holds a separator byte is wrapped in quotation marks. What the rules cannot
// carry is left out rather than allowed to merge arguments: a quotation mark wherever it
// stands, also after a lead byte (there is no escape, and the launch split reads it alone), a
// lead byte with nothing after it or before a quotation mark (it would take the following
// separator as its second byte), and an argument left empty. Entry 0 stands for the program
// and is never left out.
std::string buildCommandLine(const std::vector<std::string_view> &arguments,
                             const LeadByteSet &leadBytes);

// What of an argument the command line carries, by the one rule that both the line and the
// check for lost arguments follow.
struct CarriedArgument {
  std::string bytes;          // what buildCommandLine carries, before quoting
  const char *lost = nullptr; // why not all of it, when it is not
};
CarriedArgument carriedArgument(std::string_view argument, const LeadByteSet &leadBytes);

} // namespace velmora

#endif
