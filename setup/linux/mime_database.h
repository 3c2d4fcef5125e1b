// The shared MIME database's names for types: the known types, their aliases, and the globs
// that map extensions to them.
#ifndef VELMORA_SETUP_LINUX_MIME_DATABASE_H
#define VELMORA_SETUP_LINUX_MIME_DATABASE_H

#include "setup/linux/desktop_files.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora {

class MimeDatabase {
public:
  // Reads mime/types, mime/aliases and mime/globs2 of every data folder.
  explicit MimeDatabase(const DesktopFiles &files);

  // The canonical MIME type that `given` (a type, an alias or ".ext") names; none when it
  // names none.
  std::optional<std::string> typeOf(const std::string &given) const;

private:
  struct Glob {
    int weight;
    std::string type;
    std::string extension;
    bool caseSensitive;
  };
  void readGlob(const std::string &line);

  std::set<std::string> types_;
  std::map<std::string, std::string> aliases_;
  std::vector<Glob> globs_;
};

} // namespace velmora

#endif
