#include "host/posix/command_line_builder.h"

namespace velmora {

CarriedArgument carriedArgument(std::string_view argument, const LeadByteSet &leadBytes) {
  // The line has no escape for a quotation mark, and a lead byte at the end of an argument
  // would take the separator after it as its second byte: either would hand the launcher
  // another file than the one it was given.
  CarriedArgument carried;
  carried.bytes.reserve(argument.size());
  for (size_t i = 0; i < argument.size(); ++i) {
    char byte = argument[i];
    if (leadBytes.test(static_cast<unsigned char>(byte))) {
      if (i + 1 < argument.size()) {
        carried.bytes += byte;
        carried.bytes += argument[++i];
      } else if (carried.lost == nullptr) {
        carried.lost = "ends in the first byte of a double-byte character";
      }
    } else if (byte != '"') {
      carried.bytes += byte;
    } else if (carried.lost == nullptr) {
      carried.lost = "holds a quotation mark";
    }
  }
  return carried;
}

std::string buildCommandLine(const std::vector<std::string_view> &arguments,
                             const LeadByteSet &leadBytes) {
  std::string line;
  for (size_t index = 0; index < arguments.size(); ++index) {
    std::string carried = carriedArgument(arguments[index], leadBytes).bytes;
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
