#include "host/posix/command_line_builder.h"

namespace velmora {

std::string carriedArgument(std::string_view argument, const LeadByteSet &leadBytes) {
  std::string carried;
  carried.reserve(argument.size());
  for (size_t i = 0; i < argument.size(); ++i) {
    char byte = argument[i];
    if (leadBytes.test(static_cast<unsigned char>(byte))) {
      if (i + 1 < argument.size()) {
        carried += byte;
        carried += argument[++i];
      }
    } else if (byte != '"') {
      carried += byte;
    }
  }
  return carried;
}

std::string buildCommandLine(const std::vector<std::string_view> &arguments,
                             const LeadByteSet &leadBytes) {
  std::string line;
  for (size_t index = 0; index < arguments.size(); ++index) {
    std::string carried = carriedArgument(arguments[index], leadBytes);
    if (carried.empty()) {
      if (index > 0)
        continue;
      carried = "velmora";
    }
    bool quote = false;
    for (char byte : carried) {
      unsigned value = static_cast<unsigned char>(byte);
      quote = quote || (value >= 0x01 && value <= 0x20);
    }
    if (!line.empty())
      line += ' ';
    if (quote)
      line += '"';
    line += carried;
    if (quote)
      line += '"';
  }
  return line;
}

} // namespace velmora
