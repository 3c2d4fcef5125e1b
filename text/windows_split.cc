#include "text/windows_split.h"

namespace velmora {

std::vector<std::string> splitLikeWindowsPrograms(const std::string &commandLine) {
  std::vector<std::string> result;
  size_t i = 0, n = commandLine.size();
  auto blank = [&](size_t at) { return commandLine[at] == ' ' || commandLine[at] == '\t'; };

  // The program name: no escapes, quotation marks only group.
  std::string program;
  bool quoted = false;
  for (; i < n && (quoted || !blank(i)); ++i) {
    if (commandLine[i] == '"')
      quoted = !quoted;
    else
      program += commandLine[i];
  }
  result.push_back(program);

  for (;;) {
    while (i < n && blank(i))
      ++i;
    if (i >= n)
      return result;
    std::string argument;
    bool inQuotes = false;
    while (i < n && (inQuotes || !blank(i))) {
      size_t backslashes = 0;
      while (i < n && commandLine[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < n && commandLine[i] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
          ++i;
        } else if (inQuotes && i + 1 < n && commandLine[i + 1] == '"') {
          argument += '"'; // "" inside quotes is a literal quotation mark
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
      } else {
        argument.append(backslashes, '\\');
        if (i < n && (inQuotes || !blank(i)))
          argument += commandLine[i++];
      }
    }
    result.push_back(argument);
  }
}

} // namespace velmora
