#include "testing/fake_platform.h"

#include "platform/modifier_keys.h"
#include "text/windows_split.h"

#include <algorithm>
#include <cstring>

namespace velmora {

void FakePlatform::useCodePage(uint32_t codePage, uint32_t localeId,
                               std::array<uint8_t, 12> ranges) {
  threadLocaleId = localeId;
  localeCodePage = std::to_string(codePage);
  acp = codePage;
  codePageRanges[codePage] = ranges;
}

void FakePlatform::activate(FakeLocale locale) {
  if (locale == FakeLocale::Japanese)
    useCodePage(932, 0x0411, {0x81, 0x9F, 0xE0, 0xFC});
  else
    useCodePage(1252, 0x0409, {});
  initSystemLocale(*this);
  log.clear();
}

int FakePlatform::moduleFileName(char *buffer, int capacity) const {
  int length = std::min(static_cast<int>(modulePath.size()), capacity);
  std::memcpy(buffer, modulePath.data(), static_cast<size_t>(length));
  if (length < capacity)
    buffer[length] = '\0';
  return moduleResult >= 0 ? moduleResult : length;
}

int FakePlatform::charLength(const char *text) const {
  return characterLength(activeLeadBytes(), text);
}

void FakePlatform::upperCase(char *bytes, int length) const {
  upperCaseLetters(activeLeadBytes(), bytes, length);
}

bool FakePlatform::sameText(const char *a, const char *b, int length) const {
  log.push_back("compare");
  return std::memcmp(a, b, static_cast<size_t>(length)) == 0;
}

uint32_t FakePlatform::versionPlatformId() const {
  log.push_back("GetVersionExA");
  return platformId;
}

uint32_t FakePlatform::threadLocale() const {
  log.push_back("GetThreadLocale");
  return threadLocaleId;
}

std::array<char, 7> FakePlatform::localeAnsiCodePage(uint32_t localeId) const {
  log.push_back("GetLocaleInfoA " + std::to_string(localeId));
  std::array<char, 7> buffer{};
  std::memcpy(buffer.data(), localeCodePage.data(), std::min(localeCodePage.size(), buffer.size()));
  return buffer;
}

uint32_t FakePlatform::ansiCodePage() const {
  log.push_back("GetACP");
  return acp;
}

std::array<uint8_t, 12> FakePlatform::leadByteRanges(uint32_t codePage) const {
  log.push_back("GetCPInfo " + std::to_string(codePage));
  auto found = codePageRanges.find(codePage);
  return found == codePageRanges.end() ? std::array<uint8_t, 12>{} : found->second;
}

int FakePlatform::dbcsEnabled() const {
  log.push_back("GetSystemMetrics");
  return dbcsMetric;
}

int16_t FakePlatform::keyState(int virtualKey) const {
  log.push_back("GetKeyState " + std::to_string(virtualKey));
  bool held = std::find(heldKeys.begin(), heldKeys.end(), virtualKey) != heldKeys.end();
  // Toggled as well, whether held or not: only the most significant bit may count.
  return static_cast<int16_t>((held ? kKeyHeld : 0) | 1);
}

std::string FakePlatform::profileString(const std::string &section, const std::string &key,
                                        const std::string &fallback,
                                        const std::string &fileName) const {
  log.push_back("read " + fileName + " [" + section + "] " + key);
  auto file = profiles.find(fileName);
  if (file == profiles.end())
    return fallback;
  auto sect = file->second.find(section);
  if (sect == file->second.end())
    return fallback;
  auto value = sect->second.find(key);
  return value == sect->second.end() ? fallback : value->second;
}

void FakePlatform::flushProfile(const std::string &fileName) const {
  log.push_back("flush " + fileName);
}

void FakePlatform::createProcess(const std::string &commandLine) const {
  log.push_back("CreateProcessA");
  started.push_back(commandLine);
}

bool FakePlatform::fileExists(const std::string &path) const {
  return profiles.count(path) > 0 ||
         std::find(otherFiles.begin(), otherFiles.end(), path) != otherFiles.end();
}

FileStatus FakePlatform::fileStatus(const std::string &path) const {
  bool readable = settingsExist && settingsReadable;
  return {path, settingsExist, readable, settingsExist && !settingsReadable ? "no permission" : "",
          readable ? settingsBytes : ""};
}

std::vector<std::string> FakePlatform::splitLaunchCommand(const std::string &command) const {
  return splitLikeWindowsPrograms(command);
}

ProgramLookup FakePlatform::findProgram(const std::string &, const std::string &first) const {
  bool missing =
      std::find(missingPrograms.begin(), missingPrograms.end(), first) != missingPrograms.end();
  return {first, missing ? "" : "C:\\bin\\" + first, first == plantedProgram, ""};
}

bool FakePlatform::launchCommandFits(std::string_view command) const {
  std::string text(command);
  size_t characters = 0;
  for (const char *at = text.c_str(); *at != '\0'; at += charLength(at))
    ++characters;
  return command.size() <= commandBytes && characters <= commandCharacters;
}

void FakePlatform::postQuitRequest() const {
  log.push_back("PostQuitMessage");
}

void FakePlatform::showFailure(const char *title, const char *text) const {
  log.push_back(std::string("failure ") + title + "\n" + text);
}

void FakePlatform::ansiToUtf8(const char *text, char *buffer, size_t capacity) const {
  size_t used = 0;
  for (; *text != '\0'; ++text) {
    auto byte = static_cast<unsigned char>(*text);
    size_t need = byte < 0x80 ? 1 : 2;
    if (used + need + 1 > capacity)
      break;
    if (byte < 0x80) {
      buffer[used++] = static_cast<char>(byte);
    } else {
      buffer[used++] = static_cast<char>(0xC0 | byte >> 6);
      buffer[used++] = static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  if (capacity > 0)
    buffer[used] = '\0';
}

void FakePlatform::writeError(std::string_view line) const {
  log.push_back("error " + std::string(line));
}

} // namespace velmora
