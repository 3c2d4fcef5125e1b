#include "setup/windows/windows_writes.h"

#include <cstdint>

namespace velmora {

namespace {

constexpr char kCapabilitiesKey[] = "Software\\velmora\\Capabilities";
constexpr char kClasses[] = "Software\\Classes\\";
// One program id for links, whatever program and settings: there is one velmora among the
// browsers, and a later "links" points it elsewhere.
constexpr char kLinkProgId[] = "velmora.url";
constexpr char kBrowserKey[] = "Software\\Clients\\StartMenuInternet\\velmora";

// What Windows needs to offer velmora as a web browser: a program id for http and https links,
// velmora's capabilities naming it, and the entry of the browser list; the user chooses it.
std::vector<Write> linkWritesOf(const std::string &command, const std::string &program) {
  std::string progKey = std::string(kClasses) + kLinkProgId;
  std::string urls = std::string(kCapabilitiesKey) + "\\URLAssociations";
  return {
      {progKey, "", textValue("velmora link")},
      {progKey + "\\shell\\open\\command", "", textValue(command)},
      {kCapabilitiesKey, "ApplicationName", textValue("velmora")},
      {kCapabilitiesKey, "ApplicationDescription",
       textValue("Opens a file with the program that the held key selects")},
      {urls, "http", textValue(kLinkProgId)},
      {urls, "https", textValue(kLinkProgId)},
      {"Software\\RegisteredApplications", "velmora", textValue(kCapabilitiesKey)},
      {kBrowserKey, "", textValue("velmora")},
      {std::string(kBrowserKey) + "\\DefaultIcon", "", textValue(program + ",0")},
      {std::string(kBrowserKey) + "\\shell\\open\\command", "", textValue(program)},
  };
}

// The shell replaces "%1" and its kin anywhere in a registered command, and reads "%%" as '%'.
std::string shellQuoted(const std::string &text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '%')
      quoted += '%';
  }
  return quoted + "\"";
}

std::string commandOf(const Registration &r, const std::string &folder) {
  std::string command = shellQuoted(folder + r.program);
  if (!r.ini.empty())
    command += " " + shellQuoted("/ini=" + r.ini);
  return command + " \"%1\"";
}

std::string linkArgumentsOf(const Registration &r) {
  if (r.ini.empty())
    return "";
  std::string argument = "/ini=" + r.ini;
  return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

} // namespace

RegistryValue textValue(std::string value) {
  return {RegistryValue::Text, std::move(value), 0};
}

RegistryValue emptyValue() {
  return {RegistryValue::Empty, "", 0};
}

// One program id per program and settings file, so that registrations with other settings live
// side by side. FNV-1a keeps the name short and the same from run to run.
std::string progIdOf(const Registration &r) {
  if (r.program == kDefaultProgram && r.ini.empty())
    return "velmora.file";
  uint32_t hash = 2166136261u;
  for (char c : r.program + "|" + r.ini)
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  const char digits[] = "0123456789abcdef";
  std::string id = "velmora.file.";
  for (int shift = 28; shift >= 0; shift -= 4)
    id += digits[(hash >> shift) & 0xF];
  return id;
}

std::vector<Write> writesOf(const Registration &r, const std::string &folder) {
  std::string command = commandOf(r, folder);
  std::string label = r.ini.empty() ? "velmora" : "velmora (" + r.ini + ")";
  if (r.kind == Command::ContextMenu) {
    std::string verb = std::string(kClasses) + "*\\shell\\velmora";
    return {{verb, "", textValue("Open with velmora")},
            {verb + "\\command", "", textValue(command)}};
  }
  if (r.kind == Command::Links)
    return linkWritesOf(command, shellQuoted(folder + r.program));
  if (r.kind != Command::OpenWith)
    return {};
  std::string progId = progIdOf(r);
  std::string progKey = kClasses + progId;
  std::string application = std::string(kClasses) + "Applications\\" + r.program;
  return {
      {progKey, "", textValue(label)},
      {progKey + "\\shell\\open\\command", "", textValue(command)},
      {kClasses + r.subject + "\\OpenWithProgids", progId, emptyValue()},
      {application + "\\SupportedTypes", r.subject, textValue("")},
      {application + "\\shell\\open\\command", "",
       textValue(shellQuoted(folder + r.program) + " \"%1\"")},
      {kCapabilitiesKey, "ApplicationName", textValue("velmora")},
      {kCapabilitiesKey, "ApplicationDescription",
       textValue("Opens a file with the program that the held key selects")},
      {std::string(kCapabilitiesKey) + "\\FileAssociations", r.subject, textValue(progId), false},
      {"Software\\RegisteredApplications", "velmora", textValue(kCapabilitiesKey)},
  };
}

// Where the registration's command lies, for "status".
std::string commandKeyOf(const Registration &r) {
  if (r.kind == Command::ContextMenu)
    return std::string(kClasses) + "*\\shell\\velmora\\command";
  if (r.kind == Command::Links)
    return std::string(kClasses) + kLinkProgId + "\\shell\\open\\command";
  return kClasses + progIdOf(r) + "\\shell\\open\\command";
}

ShellLink linkOf(const Registration &r, const std::string &folder) {
  return {folder + r.program, linkArgumentsOf(r), "velmora"};
}

std::string linkPathOf(const Registration &r, const ShellFiles &files) {
  return files.sendToFolder() + "\\" + r.subject + ".lnk";
}

// The folder that a registered command's program lies in, ending in a backslash: the first
// word, quoted, with "%%" read as '%'; empty for a command of another shape.
std::string folderOfCommand(const std::string &command) {
  if (command.empty() || command[0] != '"')
    return "";
  std::string program;
  for (size_t i = 1; i < command.size() && command[i] != '"'; ++i) {
    program += command[i];
    if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '%')
      ++i;
  }
  return program.substr(0, program.rfind('\\') + 1);
}

std::string folderOfPath(const std::string &path) {
  return path.substr(0, path.rfind('\\') + 1);
}

} // namespace velmora
