#include "launcher/settings_file.h"

#include "platform/settings_store.h"

namespace velmora {

std::string SettingsFile::readValue(const std::string &section, const std::string &key,
                                    const std::string &fallback) const {
  return store_.profileString(section, key, fallback, fileName_);
}

SettingsFile::~SettingsFile() {
  store_.flushProfile(fileName_);
}

} // namespace velmora
