// POSIX backend of velmora-setup: the XDG folders, the shared MIME database, GIO's answer for a
// type's default, and mimeapps.list written whole and renamed into place.
#include "setup/linux_setup.h"

#include "setup/mimeapps_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>

extern char **environ;

namespace velmora {

namespace {

constexpr char kDesktopId[] = "velmora.desktop";
constexpr char kAdded[] = "Added Associations";
constexpr char kDefaults[] = "Default Applications";

const char kHelp[] =
    "usage: velmora-setup COMMAND [TYPE...]\n"
    "\n"
    "Adds velmora to file types' \"Open with\" lists for the current user, through\n"
    "$XDG_CONFIG_HOME/mimeapps.list, and takes it out again. A TYPE is a MIME type\n"
    "(image/png) or an extension (.png) of the shared MIME database.\n"
    "\n"
    "  open-with TYPE...  velmora in these types' \"Open with\" lists; their default program\n"
    "                     stays as it is\n"
    "  default TYPE...    velmora as these types' default program\n"
    "  status             lists what velmora-setup added and whether velmora.desktop is there\n"
    "  repair             puts back what velmora-setup added and is missing now\n"
    "  remove             takes out exactly what velmora-setup added\n"
    "\n"
    "--help shows this text, --version the version.\n"
    "Exit status: 0 done, 1 could not be done (nothing is left half written), 2 bad usage.\n";

std::string environment(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr ? value : "";
}

// An XDG folder: the variable when it names an absolute path, else the home-relative default.
std::string xdgHome(const char *variable, const char *underHome) {
  std::string value = environment(variable);
  if (!value.empty() && value[0] == '/')
    return value;
  std::string home = environment("HOME");
  return home.empty() ? "" : home + "/" + underHome;
}

std::vector<std::string> dataFolders() {
  std::vector<std::string> folders;
  std::string home = xdgHome("XDG_DATA_HOME", ".local/share");
  if (!home.empty())
    folders.push_back(home);
  std::string dirs = environment("XDG_DATA_DIRS");
  if (dirs.empty())
    dirs = "/usr/local/share:/usr/share";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    std::string folder = dirs.substr(start, end - start);
    if (!folder.empty() && folder[0] == '/')
      folders.push_back(folder);
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return folders;
}

struct FileRead {
  bool exists = false;
  bool readable = true;
  std::string bytes;
};

FileRead readFile(const std::string &path) {
  FileRead read;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    read.readable = errno == ENOENT;
    return read;
  }
  read.exists = true;
  char buffer[65536];
  for (;;) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0)
      read.readable = false;
    if (count <= 0)
      break;
    read.bytes.append(buffer, static_cast<size_t>(count));
  }
  close(fd);
  return read;
}

// Written to a new file beside it and renamed over it: an interrupted run leaves the old file
// or the new one, never half of one.
bool writeFileWhole(const std::string &path, const std::string &bytes, mode_t mode) {
  std::string temporary = path + ".velmora-setup-XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return false;
  bool written = fchmod(fd, mode) == 0;
  for (size_t done = 0; written && done < bytes.size();) {
    ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
    if (count < 0 && errno == EINTR)
      continue;
    written = count > 0;
    done += written ? static_cast<size_t>(count) : 0;
  }
  written = fsync(fd) == 0 && written;
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::vector<std::string> linesOf(const std::string &bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos)
      end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The shared MIME database's names for types: the known types, their aliases, and the globs
// that map extensions to them.
class MimeDatabase {
public:
  MimeDatabase() {
    for (const std::string &folder : dataFolders()) {
      for (const std::string &line : linesOf(readFile(folder + "/mime/types").bytes))
        types_.insert(line);
      for (const std::string &line : linesOf(readFile(folder + "/mime/aliases").bytes)) {
        size_t space = line.find(' ');
        if (space != std::string::npos)
          aliases_.emplace(line.substr(0, space), line.substr(space + 1));
      }
      for (const std::string &line : linesOf(readFile(folder + "/mime/globs2").bytes))
        readGlob(line);
    }
  }

  // The canonical MIME type that `given` names; none when it names none.
  std::optional<std::string> typeOf(const std::string &given) const {
    if (given.size() > 1 && given[0] == '.') {
      std::string extension = given.substr(1);
      const Glob *best = nullptr;
      for (const Glob &glob : globs_)
        if ((glob.caseSensitive ? extension : asciiLower(extension)) == glob.extension &&
            (best == nullptr || glob.weight > best->weight))
          best = &glob;
      if (best != nullptr)
        return best->type;
      return std::nullopt;
    }
    auto alias = aliases_.find(given);
    std::string type = alias != aliases_.end() ? alias->second : given;
    if (types_.count(type) == 0)
      return std::nullopt;
    return type;
  }

private:
  struct Glob {
    int weight;
    std::string type;
    std::string extension;
    bool caseSensitive;
  };

  // "weight:type:glob[:flags]"; only the plain "*.ext" globs name extensions.
  void readGlob(const std::string &line) {
    if (line.empty() || line[0] == '#')
      return;
    size_t first = line.find(':');
    size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos)
      return;
    size_t third = line.find(':', second + 1);
    std::string glob = line.substr(second + 1, third - second - 1);
    if (glob.size() < 3 || glob.compare(0, 2, "*.") != 0 ||
        glob.find_first_of("*?[", 2) != std::string::npos)
      return;
    bool caseSensitive =
        third != std::string::npos && line.find("cs", third + 1) != std::string::npos;
    int weight = std::atoi(line.substr(0, first).c_str());
    std::string extension = glob.substr(2);
    globs_.push_back({weight, line.substr(first + 1, second - first - 1),
                      caseSensitive ? extension : asciiLower(extension), caseSensitive});
  }

  std::set<std::string> types_;
  std::map<std::string, std::string> aliases_;
  std::vector<Glob> globs_;
};

// GIO's default application for a type, as a GLib file manager opens it; "" for none, no value
// when gio cannot answer.
std::optional<std::string> gioDefault(const std::string &type) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return std::nullopt;
  std::vector<std::string> environmentCopy;
  for (char **entry = environ; *entry != nullptr; ++entry)
    if (std::strncmp(*entry, "LC_ALL=", 7) != 0 && std::strncmp(*entry, "LANGUAGE=", 9) != 0)
      environmentCopy.emplace_back(*entry);
  environmentCopy.emplace_back("LC_ALL=C");
  std::vector<char *> envp;
  for (std::string &entry : environmentCopy)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string gio = "gio";
  std::string mime = "mime";
  std::string typeCopy = type;
  char *argv[] = {gio.data(), mime.data(), typeCopy.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  int spawned = posix_spawnp(&child, "gio", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  std::string output;
  if (spawned == 0) {
    char buffer[4096];
    // GIO answers at once; one that hangs is given up after ten seconds.
    pollfd readable{pipeFds[0], POLLIN, 0};
    while (poll(&readable, 1, 10000) > 0) {
      ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
      if (count <= 0)
        break;
      output.append(buffer, static_cast<size_t>(count));
    }
  }
  close(pipeFds[0]);
  int status = 0;
  if (spawned != 0) {
    return std::nullopt;
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  // "Default application for “TYPE”: ID", whose quotation marks the C locale shows as '?'.
  size_t at = output.find("Default application for ");
  if (at != std::string::npos) {
    std::string line = output.substr(at, output.find('\n', at) - at);
    size_t colon = line.rfind(": ");
    if (colon != std::string::npos)
      return line.substr(colon + 2);
  }
  if (output.find("No default applications for") != std::string::npos)
    return std::string();
  return std::nullopt;
}

// An exclusive lock on a folder, held until the object goes; none when the folder cannot be
// opened (then there is nothing of ours there to guard either).
class FolderLock {
public:
  explicit FolderLock(const std::string &folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() {
    if (fd_ >= 0)
      close(fd_);
  }
  FolderLock(const FolderLock &) = delete;
  FolderLock &operator=(const FolderLock &) = delete;

private:
  int fd_;
};

// Holds back the signals that ask a program to end (from a terminal or `kill`) until the
// object goes; the run then ends as it would have, only not halfway.
class TerminationDeferred {
public:
  TerminationDeferred() {
    sigset_t deferred;
    sigemptyset(&deferred);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE})
      sigaddset(&deferred, signal);
    sigprocmask(SIG_BLOCK, &deferred, &previous_);
  }
  ~TerminationDeferred() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  TerminationDeferred(const TerminationDeferred &) = delete;
  TerminationDeferred &operator=(const TerminationDeferred &) = delete;

private:
  sigset_t previous_;
};

// Removes what an earlier run that was killed left of writeFileWhole's new files.
void clearTemporaryFiles(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string prefix = path.substr(slash + 1) + ".velmora-setup-";
  DIR *listing = opendir(folder.c_str());
  if (listing == nullptr)
    return;
  while (dirent *entry = readdir(listing)) {
    std::string name = entry->d_name;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      unlink((folder + "/" + name).c_str());
  }
  closedir(listing);
}

class LinuxSetup {
public:
  explicit LinuxSetup(std::string &out) : out_(out) {
    std::string config = xdgHome("XDG_CONFIG_HOME", ".config");
    listPath_ = config.empty() ? "" : config + "/mimeapps.list";
    // A list kept elsewhere and linked here (as dotfile managers do) is edited where it lies:
    // renaming over the link would replace it with a copy.
    char target[PATH_MAX];
    struct stat link;
    if (!listPath_.empty() && lstat(listPath_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      if (realpath(listPath_.c_str(), target) != nullptr)
        listPath_ = target;
      else
        danglingLink_ = true;
    }
    configFolder_ = config;
    recordFolder_ = config + "/velmora";
    recordPath_ = recordFolder_ + "/setup.list";
  }

  int run(const SetupOptions &options) {
    if (listPath_.empty())
      return failed("neither XDG_CONFIG_HOME nor HOME names a folder");
    std::vector<std::string> types;
    if (!options.types.empty()) {
      MimeDatabase database;
      for (const std::string &given : options.types) {
        std::optional<std::string> type = database.typeOf(given);
        bool dotless = !given.empty() && given[0] != '.' && given.find('/') == std::string::npos;
        if (!type && dotless && database.typeOf("." + given))
          return usage("\"" + given + "\" is no type: write the extension with its dot, \"." +
                       given + "\"");
        if (!type)
          return usage("\"" + given +
                       "\" is neither a MIME type nor an extension that the "
                       "shared MIME database knows");
        if (std::find(types.begin(), types.end(), *type) == types.end())
          types.push_back(*type);
      }
    }
    // Runs at the same time take turns, and a run once begun is not cut short by a signal that
    // can wait: what it writes is whole, and a run killed outright leaves only temporary files,
    // which the next run clears away.
    FolderLock lock(configFolder_);
    TerminationDeferred deferred;
    if (std::optional<std::string> why = unfitList())
      return failed(*why + "; nothing was changed");
    clearTemporaryFiles(listPath_);
    clearTemporaryFiles(recordPath_);
    if (!load())
      return kSetupFailed;
    if (options.command == "status")
      return status();
    if (options.command == "remove")
      return remove();
    if (desktopEntry().empty())
      return failed(std::string(kDesktopId) +
                    " is not installed in any applications folder of "
                    "XDG_DATA_HOME or XDG_DATA_DIRS: install velmora first; nothing was "
                    "written");
    if (options.command == "repair")
      return repair();
    return add(types, options.command == "default");
  }

private:
  bool load() {
    FileRead list = readFile(listPath_);
    FileRead record = readFile(recordPath_);
    if (!list.readable) {
      failed("cannot read " + listPath_);
      return false;
    }
    if (!record.readable) {
      failed("cannot read " + recordPath_);
      return false;
    }
    listExisted_ = list.exists;
    original_ = list.bytes;
    recordExisted_ = record.exists;
    originalRecord_ = record.bytes;
    std::optional<std::vector<MimeAppsEdit>> edits = editsFromRecord(record.bytes, createdFile_);
    if (!edits) {
      failed(recordPath_ + " is damaged; nothing was changed");
      return false;
    }
    for (const MimeAppsEdit &edit : *edits)
      if (std::optional<std::string> why = foreignEdit(edit)) {
        failed(recordPath_ + " holds an edit that velmora-setup never makes (" + *why +
               "): it goes by no such record, and nothing was changed");
        return false;
      }
    edits_ = *edits;
    if (!record.exists)
      createdFile_ = !list.exists;
    return true;
  }

  // What makes an edit of the record one that velmora-setup does not make: it adds velmora to
  // "Added Associations" and "Default Applications", and pins the old default in the latter.
  static std::optional<std::string> foreignEdit(const MimeAppsEdit &edit) {
    auto plainWord = [](const std::string &text, bool slashes) {
      return !text.empty() && std::none_of(text.begin(), text.end(), [slashes](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '=' || c == ';' || c == '[' ||
               c == ']' || (!slashes && c == '/');
      });
    };
    if (edit.section != kAdded && edit.section != kDefaults)
      return "the section [" + edit.section + "]";
    if (!plainWord(edit.type, true) || edit.type.find('/') == std::string::npos)
      return "the type \"" + edit.type + "\"";
    bool desktopId = plainWord(edit.id, false) && edit.id.size() > 8 &&
                     edit.id.compare(edit.id.size() - 8, 8, ".desktop") == 0;
    if (!desktopId || (edit.id != kDesktopId && edit.section != kDefaults))
      return "the program \"" + edit.id + "\" in [" + edit.section + "]";
    if (edit.before.find_first_of("\r\n") != std::string::npos)
      return "a line end in the value before";
    return std::nullopt;
  }

  std::string desktopEntry() const {
    for (const std::string &folder : dataFolders()) {
      std::string path = folder + "/applications/" + kDesktopId;
      struct stat info;
      if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return path;
    }
    return "";
  }

  int add(const std::vector<std::string> &types, bool asDefault) {
    MimeAppsList list(original_);
    std::map<std::string, std::string> defaultsBefore;
    for (const std::string &type : types) {
      if (!asDefault) {
        // GLib's own answer, not the list's: a pin naming a program that is gone, or none,
        // counts for nothing there.
        std::optional<std::string> current = gioDefault(type);
        if (!current)
          return failed("cannot tell the default program of " + type +
                        " (gio, of GLib, does "
                        "not answer): nothing was written");
        defaultsBefore[type] = *current;
      }
      record(list.add(kAdded, type, kDesktopId, false));
      if (asDefault)
        record(list.add(kDefaults, type, kDesktopId, true));
      else if (!defaultsBefore[type].empty() && defaultsBefore[type] != kDesktopId)
        // Pinned in the same write that adds velmora, so that at no moment does velmora come
        // first only because it was added last.
        record(list.add(kDefaults, type, defaultsBefore[type], true));
    }
    if (!commit(list))
      return kSetupFailed;
    for (const auto &[type, before] : defaultsBefore) {
      std::optional<std::string> now = gioDefault(type);
      // Where no program opened the type, velmora is the only one and GLib takes it: that is
      // no default anyone had.
      if (!before.empty() && before != kDesktopId && now == std::string(kDesktopId)) {
        rollBack("velmora would have become the default program of " + type +
                 ", which open-with does not do");
        return kSetupFailed;
      }
    }
    for (const std::string &type : types) {
      out_ += (asDefault ? "default " : "open-with ") + type + ": " + kDesktopId + " in " +
              listPath_ + "\n";
      if (defaultsBefore.count(type) && !defaultsBefore[type].empty())
        out_ += "  the default stays " + defaultsBefore[type] + "\n";
    }
    return kSetupDone;
  }

  int repair() {
    MimeAppsList list(original_);
    std::vector<MimeAppsEdit> kept;
    bool changed = false;
    for (const MimeAppsEdit &edit : edits_) {
      // A line that is there but reads otherwise is the user's own choice, and stays; only a
      // line that went missing is put back.
      if (list.ids(edit.section, edit.type)) {
        kept.push_back(edit);
        continue;
      }
      if (std::optional<MimeAppsEdit> again =
              list.add(edit.section, edit.type, edit.id, edit.first)) {
        kept.push_back(*again);
        changed = true;
        out_ += "put back " + edit.section + ": " + edit.type + "=" + edit.id + "\n";
      }
    }
    if (!changed) {
      out_ += "nothing to repair\n";
      return kSetupDone;
    }
    edits_ = kept;
    return commit(list) ? kSetupDone : kSetupFailed;
  }

  int remove() {
    if (!recordExisted_) {
      out_ += "velmora-setup has added nothing for this user: nothing to remove\n";
      return kSetupDone;
    }
    MimeAppsList list(original_);
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
      // A pin names another program: it goes only where nothing changed the line since.
      list.undo(*edit, edit->id != kDesktopId);
      out_ += "removed " + edit->section + ": " + edit->type + "=" + edit->id + "\n";
    }
    std::string bytes = list.bytes();
    bool dropFile = createdFile_ && bytes.empty();
    if (listExisted_ && bytes != original_ && !dropFile &&
        !writeFileWhole(listPath_, bytes, modeOf(listPath_)))
      return failed("cannot write " + listPath_ + "; nothing was changed");
    if (dropFile && listExisted_ && unlink(listPath_.c_str()) != 0 && errno != ENOENT)
      return failed("cannot remove " + listPath_ + "; nothing was changed");
    if (unlink(recordPath_.c_str()) != 0 && errno != ENOENT) {
      rollBack("cannot remove " + recordPath_);
      return kSetupFailed;
    }
    rmdir(recordFolder_.c_str()); // only when nothing else lives there
    return kSetupDone;
  }

  int status() {
    if (edits_.empty()) {
      out_ += "velmora-setup has added nothing for this user\n";
      return kSetupDone;
    }
    MimeAppsList list(original_);
    bool lost = false;
    out_ += listPath_ + ":\n";
    for (const MimeAppsEdit &edit : edits_) {
      std::optional<std::vector<std::string>> ids = list.ids(edit.section, edit.type);
      bool present = ids && std::find(ids->begin(), ids->end(), edit.id) != ids->end();
      const char *state = present ? ""
                          : ids   ? " (changed since, by you or a program you ran: left as it is)"
                                  : " (missing)";
      out_ += "  [" + edit.section + "] " + edit.type + "=" + edit.id + state +
              (edit.id == kDesktopId ? "" : " (pinned: the default before velmora was added)") +
              "\n";
      lost = lost || !ids;
    }
    std::string entry = desktopEntry();
    out_ += std::string(kDesktopId) + ": " + (entry.empty() ? "(missing)" : entry) + "\n";
    if (entry.empty()) {
      out_ += "Install velmora again to bring back its desktop entry, then run \"velmora-setup "
              "repair\".\n";
      return kSetupFailed;
    }
    // <data>/applications/velmora.desktop goes with <data>/../bin/velmora.
    std::string data = entry.substr(0, entry.rfind("/applications/"));
    std::string program = data.substr(0, data.rfind('/')) + "/bin/velmora";
    bool runs = access(program.c_str(), X_OK) == 0;
    out_ += "velmora: " + program + (runs ? "" : " (missing)") + "\n";
    std::string besideIt = program.substr(0, program.rfind('/')) + "/velmora.ini";
    std::string users = configFolder_ + "/velmora/velmora.ini";
    std::string settings = access(besideIt.c_str(), R_OK) == 0 ? besideIt
                           : access(users.c_str(), R_OK) == 0  ? users
                                                               : "";
    out_ += "settings: " + (settings.empty() ? users + " (missing)" : settings) + "\n";
    if (!runs) {
      out_ += "Install velmora again: its desktop entry names a program that is gone.\n";
      return kSetupFailed;
    }
    if (settings.empty()) {
      out_ += "velmora starts nothing without settings: mkdir -p \"" + configFolder_ +
              "/velmora\" && cp \"" + data + "/velmora/velmora-linux.ini\" \"" + users + "\"\n";
      return kSetupFailed;
    }
    if (lost) {
      out_ += "Run \"velmora-setup repair\" to put back what is missing.\n";
      return kSetupFailed;
    }
    return kSetupDone;
  }

  // Why the list cannot be edited in place as it should be; none when it can.
  std::optional<std::string> unfitList() const {
    if (danglingLink_)
      return listPath_ + " is a link to a file that does not exist";
    struct stat info;
    if (stat(listPath_.c_str(), &info) != 0)
      return errno == ENOENT ? std::nullopt
                             : std::optional<std::string>("cannot look at " + listPath_ + " (" +
                                                          std::strerror(errno) + ")");
    if (!S_ISREG(info.st_mode))
      return listPath_ + " is not a regular file";
    if ((info.st_mode & 0222) == 0 || access(listPath_.c_str(), W_OK) != 0)
      return listPath_ + " is read-only";
    if (info.st_nlink > 1)
      return listPath_ + " has other names (hard links), which a new file in its place would "
                         "part from it";
    return std::nullopt;
  }

  void record(const std::optional<MimeAppsEdit> &edit) {
    if (edit)
      edits_.push_back(*edit);
  }

  static mode_t modeOf(const std::string &path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
      return info.st_mode & 07777;
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
  }

  // The record first, then the list: a record may name edits the list lacks (status shows
  // them, remove passes over them), never the other way round. A failure puts both back as
  // they were when this run began.
  bool commit(const MimeAppsList &list) {
    if (mkdir(recordFolder_.c_str(), 0700) == 0)
      madeFolder_ = true;
    else if (errno != EEXIST)
      return rollBack("cannot make " + recordFolder_ + " (" + std::strerror(errno) + ")");
    if (!writeFileWhole(recordPath_, recordText(edits_, createdFile_), 0600))
      return rollBack("cannot write " + recordPath_);
    if ((list.bytes() != original_ || !listExisted_) &&
        !writeFileWhole(listPath_, list.bytes(), modeOf(listPath_)))
      return rollBack("cannot write " + listPath_);
    return true;
  }

  bool rollBack(const std::string &why) {
    if (listExisted_)
      writeFileWhole(listPath_, original_, modeOf(listPath_));
    else
      unlink(listPath_.c_str());
    if (recordExisted_)
      writeFileWhole(recordPath_, originalRecord_, 0600);
    else
      unlink(recordPath_.c_str());
    if (madeFolder_)
      rmdir(recordFolder_.c_str());
    failed(why + "; nothing was changed");
    return false;
  }

  int failed(const std::string &why) { return reportFailure(why, out_); }
  int usage(const std::string &why) { return reportUsage(why, kHelp, out_); }

  std::string &out_;
  std::string listPath_;
  bool danglingLink_ = false;
  std::string configFolder_;
  std::string recordFolder_;
  std::string recordPath_;
  bool listExisted_ = false;
  bool recordExisted_ = false;
  bool createdFile_ = false;
  bool madeFolder_ = false;
  std::string original_;
  std::string originalRecord_;
  std::vector<MimeAppsEdit> edits_;
};

} // namespace

SetupGrammar linuxSetupGrammar() {
  return {{"open-with", "default", "status", "repair", "remove"}, {"open-with", "default"}, {}};
}

int runLinuxSetup(const SetupOptions &options, std::string &out) {
  if (std::optional<int> answered = answerHelpOrError(options, kHelp, out))
    return *answered;
  return LinuxSetup(out).run(options);
}

} // namespace velmora
