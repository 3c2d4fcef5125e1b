// The files velmora-setup reads and writes on Windows besides the registry: the programs in its
// folder, the settings files they name and the shortcuts in the Send To folder. Paths in UTF-8.
#ifndef VELMORA_SETUP_WINDOWS_SHELL_FILES_H
#define VELMORA_SETUP_WINDOWS_SHELL_FILES_H

#include "setup/engine/expected.h"

#include <optional>
#include <string>

namespace velmora {

struct ShellLink {
  std::string target;
  std::string arguments;
  std::string description;
  bool operator==(const ShellLink &) const = default;
};

class ShellFiles {
public:
  virtual ~ShellFiles() = default;
  // The folder velmora-setup runs from, ending in a backslash; empty when unknown.
  virtual std::string programFolder() const = 0;
  virtual std::string sendToFolder() const = 0;
  // A path made absolute against the current folder; empty when that fails.
  virtual std::string fullPath(const std::string &path) const = 0;
  virtual bool isFile(const std::string &path) const = 0;
  // Whether the ANSI code page spells `text` exactly, so that velmora.exe can read it.
  virtual bool ansiCarries(const std::string &text) const = 0;
  virtual std::optional<ShellLink> readLink(const std::string &path) const = 0;
  // Replaces the file at `path` whole, or leaves it as it was.
  virtual Outcome writeLink(const std::string &path, const ShellLink &link) = 0;
  virtual Outcome removeFile(const std::string &path) = 0;
};

} // namespace velmora

#endif
