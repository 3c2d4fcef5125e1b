// Test helper: reads every settings file of a folder with velmora's own reader and with the
// platform's GetPrivateProfileStringA, for the same sections and keys, and lists where they
// disagree. Files named in the known-differences list may disagree; any other may not.
#include "host/posix/profile_reader.h"

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::string readAll(const std::string &path) {
  std::string contents;
  if (std::FILE *file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
      contents.append(chunk, got);
    std::fclose(file);
  }
  return contents;
}

std::string printable(const std::string &text) {
  std::string out;
  for (char byte : text) {
    auto c = static_cast<unsigned char>(byte);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out.size() > 60 ? out.substr(0, 60) + "...(" + std::to_string(text.size()) + " bytes)"
                         : out;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: profile_diff CORPUS-FOLDER KNOWN-DIFFERENCES\n");
    return 2;
  }
  std::string folder = argv[1];
  std::set<std::string> known;
  std::string list = readAll(argv[2]);
  for (size_t pos = 0; pos < list.size();) {
    size_t end = list.find('\n', pos);
    std::string line = list.substr(pos, end - pos);
    pos = end == std::string::npos ? list.size() : end + 1;
    if (!line.empty() && line[0] != '#')
      known.insert(line.substr(0, line.find(' ')));
  }

  const std::pair<const char *, const char *> queries[] = {
      {"Path", "default"},  {"Path", "shift"},  {"Path", "ctrl"},    {"Path", "alt"},
      {"Path", "X1"},       {"Path", "X2"},     {"PATH", "Default"}, {"Other", "key"},
      {"Other", "default"}, {"Path", "missing"}};
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.ini").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return 3;
  int files = 0, unexpected = 0, tolerated = 0;
  do {
    ++files;
    std::string name = found.cFileName;
    std::string path = folder + "\\" + name;
    std::string contents = readAll(path);
    bool differs = false;
    for (auto [section, key] : queries) {
      std::string ours = velmora::profileValue(contents, section, key, "<none>");
      char buffer[2048];
      DWORD length =
          GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, path.c_str());
      std::string theirs(buffer, length);
      if (ours == theirs)
        continue;
      differs = true;
      std::printf("%s %s [%s] %s: ours \"%s\", platform \"%s\"\n",
                  known.count(name) ? "known" : "UNEXPECTED", name.c_str(), section, key,
                  printable(ours).c_str(), printable(theirs).c_str());
    }
    if (differs && known.count(name))
      ++tolerated;
    else if (differs)
      ++unexpected;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::printf("%d files, %d agree, %d known differences, %d unexpected\n", files,
              files - tolerated - unexpected, tolerated, unexpected);
  return unexpected == 0 ? 0 : 1;
}
