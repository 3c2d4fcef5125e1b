// The files velmora-setup reads and writes on a freedesktop.org desktop: the XDG folders,
// mimeapps.list, its own record and the installed programs. Paths are the system's bytes.
#ifndef VELMORA_SETUP_LINUX_DESKTOP_FILES_H
#define VELMORA_SETUP_LINUX_DESKTOP_FILES_H

#include "setup/engine/expected.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct FileContent {
  bool exists = false;
  bool readable = true; // false: it is there (or may be) and could not be read
  std::string bytes;
};

class DesktopFiles {
public:
  virtual ~DesktopFiles() = default;
  // $XDG_CONFIG_HOME, or ~/.config; empty when neither names a folder.
  virtual std::string configFolder() const = 0;
  // $XDG_DATA_HOME (or ~/.local/share) and then $XDG_DATA_DIRS, first one first.
  virtual std::vector<std::string> dataFolders() const = 0;
  // The data folder of the install velmora-setup runs from (<prefix>/share, its program's
  // folder's neighbour), whether or not desktops look there; empty when not known.
  virtual std::string ownDataFolder() const = 0;

  virtual FileContent read(const std::string &path) const = 0;
  virtual bool isFile(const std::string &path) const = 0;
  virtual bool isRunnable(const std::string &path) const = 0;
  // Where a file at `path` can be replaced without breaking it: the path, or the file that a
  // link there names. None, with the reason in `why`, for a dangling link, a read-only file,
  // a file of several names or something that is no file.
  virtual std::optional<std::string> editablePlace(const std::string &path,
                                                   std::string &why) const = 0;

  // Replaces the file whole or leaves it as it was. `personal` files only the user may read;
  // others keep the permissions they had.
  virtual Outcome writeWhole(const std::string &path, const std::string &bytes, bool personal) = 0;
  // Removes a file; also done when none was there.
  virtual Outcome removeFile(const std::string &path) = 0;
  // Makes a folder only the user may enter. `made` says whether it was not there before.
  virtual Outcome makeFolder(const std::string &path, bool &made) = 0;
  // Removes the folder when nothing is left in it.
  virtual void removeEmptyFolder(const std::string &path) = 0;
  // Clears away what writeWhole of `path` in a run that was killed left behind.
  virtual void clearLeftovers(const std::string &path) = 0;
  // Makes the configuration folder, and the folders above it, where they are missing, only for
  // the user (as the XDG base directory rules say); configFolderMade tells whether this run
  // made it.
  virtual void makeConfigFolder() = 0;
  virtual bool configFolderMade() const = 0;
};

} // namespace velmora

#endif
