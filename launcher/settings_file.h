// Read access to an INI-style settings file through the platform's profile reader.
#ifndef VELMORA_LAUNCHER_SETTINGS_FILE_H
#define VELMORA_LAUNCHER_SETTINGS_FILE_H

#include <string>

namespace velmora {

class SettingsStore;

// Holds only the file name: every value is fetched when asked for, and the handle's end makes
// the reader's flush request, once, whether or not anything was read.
class SettingsFile {
public:
  SettingsFile(const SettingsStore &store, std::string fileName)
      : store_(store), fileName_(std::move(fileName)) {}
  ~SettingsFile();
  SettingsFile(const SettingsFile &) = delete;
  SettingsFile &operator=(const SettingsFile &) = delete;

  std::string readValue(const std::string &section, const std::string &key,
                        const std::string &fallback) const;

private:
  const SettingsStore &store_;
  std::string fileName_;
};

} // namespace velmora

#endif
