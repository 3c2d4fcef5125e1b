// Read access to an INI-style settings file through the platform's profile reader.
#ifndef VELMORA_PLATFORM_SETTINGS_FILE_H
#define VELMORA_PLATFORM_SETTINGS_FILE_H

#include <string>

namespace velmora {

class Platform;

class SettingsStore {
public:
  virtual ~SettingsStore() = default;
  virtual std::string readValue(const std::string &section, const std::string &key,
                                const std::string &fallback) const = 0;

protected:
  // Run once when the store is released.
  virtual void flush() = 0;
};

// Holds only the file name: every value is fetched when asked for, and the handle's end makes
// the reader's flush request, once, whether or not anything was read.
class SettingsFile final : public SettingsStore {
public:
  SettingsFile(const Platform &platform, std::string fileName)
      : platform_(platform), fileName_(std::move(fileName)) {}
  ~SettingsFile() override { flush(); }
  SettingsFile(const SettingsFile &) = delete;
  SettingsFile &operator=(const SettingsFile &) = delete;

  std::string readValue(const std::string &section, const std::string &key,
                        const std::string &fallback) const override;
  const std::string &fileName() const { return fileName_; }

private:
  void flush() override;

  const Platform &platform_;
  std::string fileName_;
};

} // namespace velmora

#endif
