#include "setup/linux/mime_database.h"

#include "setup/engine/setup_options.h"

#include <cstdlib>

namespace velmora {

namespace {

std::vector<std::string> linesOf(const std::string &bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos)
      end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

} // namespace

MimeDatabase::MimeDatabase(const DesktopFiles &files) {
  for (const std::string &folder : files.dataFolders()) {
    for (const std::string &line : linesOf(files.read(folder + "/mime/types").bytes))
      types_.insert(line);
    for (const std::string &line : linesOf(files.read(folder + "/mime/aliases").bytes)) {
      size_t space = line.find(' ');
      if (space != std::string::npos)
        aliases_.emplace(line.substr(0, space), line.substr(space + 1));
    }
    for (const std::string &line : linesOf(files.read(folder + "/mime/globs2").bytes))
      readGlob(line);
  }
}

std::optional<std::string> MimeDatabase::typeOf(const std::string &given) const {
  if (given.size() > 1 && given[0] == '.') {
    std::string extension = given.substr(1);
    const Glob *best = nullptr;
    for (const Glob &glob : globs_)
      if ((glob.caseSensitive ? extension : asciiLower(extension)) == glob.extension &&
          (best == nullptr || glob.weight > best->weight))
        best = &glob;
    if (best != nullptr)
      return best->type;
    return std::nullopt;
  }
  auto alias = aliases_.find(given);
  std::string type = alias != aliases_.end() ? alias->second : given;
  if (types_.count(type) == 0)
    return std::nullopt;
  return type;
}

// "weight:type:glob[:flags]"; only the plain "*.ext" globs name extensions.
void MimeDatabase::readGlob(const std::string &line) {
  if (line.empty() || line[0] == '#')
    return;
  size_t first = line.find(':');
  size_t second = first == std::string::npos ? first : line.find(':', first + 1);
  if (second == std::string::npos)
    return;
  size_t third = line.find(':', second + 1);
  std::string glob = line.substr(second + 1, third - second - 1);
  if (glob.size() < 3 || glob.compare(0, 2, "*.") != 0 ||
      glob.find_first_of("*?[", 2) != std::string::npos)
    return;
  bool caseSensitive =
      third != std::string::npos && line.find("cs", third + 1) != std::string::npos;
  int weight = std::atoi(line.substr(0, first).c_str());
  std::string extension = glob.substr(2);
  globs_.push_back({weight, line.substr(first + 1, second - first - 1),
                    caseSensitive ? extension : asciiLower(extension), caseSensitive});
}

} // namespace velmora
