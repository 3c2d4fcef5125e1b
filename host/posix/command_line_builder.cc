#include "host/posix/command_line_builder.h"

namespace velmora {
namespace {

// The bytes that shape the launch command: the split there reads them alone, whatever byte
// stands before them, so no check may take one as the second byte of a character.
bool shapesTheLine(char byte) {
  return byte == '"' || (static_cast<unsigned char>(byte) <= 0x20 && byte != '\0');
}

} // namespace

CarriedArgument carriedArgument(std::string_view argument, const LeadByteSet &leadBytes) {
  // The line has no escape for a quotation mark, and a lead byte at the end of an argument
  // would take the separator after it as its second byte: either would hand the launcher
  // another file than the one it was given.
  CarriedArgument carried;
  carried.bytes.reserve(argument.size());
  auto lose = [&](const char *why) {
    if (carried.lost == nullptr)
      carried.lost = why;
  };
  for (size_t i = 0; i < argument.size(); ++i) {
    char byte = argument[i];
    bool lead = leadBytes.test(static_cast<unsigned char>(byte));
    if (lead && i + 1 == argument.size()) {
      lose("ends in the first byte of a double-byte character");
    } else if (lead && argument[i + 1] == '"') {
      // Kept, the lead byte would take the line's next quotation mark or blank with it.
      lose("holds a quotation mark");
      ++i;
    } else if (lead && !shapesTheLine(argument[i + 1])) {
      carried.bytes += byte;
      carried.bytes += argument[++i];
    } else if (byte != '"') {
      carried.bytes += byte;
    } else {
      lose("holds a quotation mark");
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
