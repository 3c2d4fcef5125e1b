// The current user's registry as velmora-setup sees it: keys under HKEY_CURRENT_USER named by
// paths such as "Software\Classes\.txt", text in UTF-8.
#ifndef VELMORA_SETUP_WINDOWS_REGISTRY_H
#define VELMORA_SETUP_WINDOWS_REGISTRY_H

#include "setup/engine/expected.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct RegistryValue {
  enum Kind { Text, Empty, Other };
  Kind kind = Text;
  std::string text;     // Text: the string; Other: the raw bytes
  uint32_t rawType = 0; // Other: the registry's type number
  bool operator==(const RegistryValue &) const = default;
};

class Registry {
public:
  virtual ~Registry() = default;
  virtual bool keyExists(const std::string &key) const = 0;
  virtual std::vector<std::string> valueNames(const std::string &key) const = 0;
  virtual std::vector<std::string> subkeyNames(const std::string &key) const = 0;
  // The value named `name` ("" for the key's default value); none when absent.
  virtual std::optional<RegistryValue> readValue(const std::string &key,
                                                 const std::string &name) const = 0;
  // Creates one key whose parent exists.
  virtual Outcome createKey(const std::string &key) = 0;
  virtual Outcome writeValue(const std::string &key, const std::string &name,
                             const RegistryValue &value) = 0;
  // Also done when no such value is there.
  virtual Outcome deleteValue(const std::string &key, const std::string &name) = 0;
  // Deletes a key that has no subkeys.
  virtual Outcome deleteKey(const std::string &key) = 0;
};

} // namespace velmora

#endif
