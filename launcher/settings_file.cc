#include "launcher/settings_file.h"

#include "platform/platform.h"

namespace velmora {

std::string SettingsFile::readValue(const std::string &section, const std::string &key,
                                    const std::string &fallback) const {
  return platform_.profileString(section, key, fallback, fileName_);
}

SettingsFile::~SettingsFile() {
  platform_.flushProfile(fileName_);
}

} // namespace velmora
