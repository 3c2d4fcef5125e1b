// Where settings files are and how the system's reader reads them.
#ifndef VELMORA_PLATFORM_SETTINGS_STORE_H
#define VELMORA_PLATFORM_SETTINGS_STORE_H

#include <optional>
#include <string>

namespace velmora {

// Where "/ini=" must stand in argument 1 to name the settings file. Anywhere on Windows, where
// stored shortcuts rely on it; only at the start where every path holds '/'.
enum class SettingsOptionPlacement { Anywhere, AtStart };

class SettingsStore {
public:
  virtual ~SettingsStore() = default;

  virtual SettingsOptionPlacement settingsOptionPlacement() const = 0;
  // Where the user keeps the settings when none lie next to the program: the XDG settings
  // folder on Linux. No value on Windows, where velmora.ini next to the program is the place.
  virtual std::optional<std::string> userSettingsPath() const = 0;
  // Whether anything (a file, a folder, ...) is at `path`.
  virtual bool fileExists(const std::string &path) const = 0;

  // GetPrivateProfileStringA with a 2048-byte buffer: the first N bytes, N being the count the
  // call returns.
  virtual std::string profileString(const std::string &section, const std::string &key,
                                    const std::string &fallback,
                                    const std::string &fileName) const = 0;
  // WritePrivateProfileStringA(NULL, NULL, NULL, fileName): the reader's flush request.
  virtual void flushProfile(const std::string &fileName) const = 0;
};

} // namespace velmora

#endif
