// POSIX backend of velmora-setup: the XDG variables, files written whole and renamed into
// place, and the stat, open and unlink calls behind them; no policy.
#include "setup/linux/desktop_files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {

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

// The suffix writeWhole's new files carry until they are renamed into place.
constexpr char kNewFile[] = ".velmora-setup-";

class PosixDesktopFiles final : public DesktopFiles {
public:
  std::string configFolder() const override { return xdgHome("XDG_CONFIG_HOME", ".config"); }

  std::string ownDataFolder() const override {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
      return "";
    std::string program(path, static_cast<size_t>(length));
    std::string bin = program.substr(0, program.find_last_of('/'));
    return bin.substr(0, bin.find_last_of('/')) + "/share";
  }

  std::vector<std::string> dataFolders() const override {
    std::vector<std::string> folders;
    std::string home = xdgHome("XDG_DATA_HOME", ".local/share");
    if (!home.empty())
      folders.push_back(home);
    std::string dirs = environment("XDG_DATA_DIRS");
    if (dirs.empty())
      dirs = "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= dirs.size();) {
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

  FileContent read(const std::string &path) const override {
    FileContent content;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      content.readable = errno == ENOENT;
      return content;
    }
    content.exists = true;
    char buffer[65536];
    for (;;) {
      ssize_t count = ::read(fd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR)
        continue;
      if (count < 0)
        content.readable = false;
      if (count <= 0)
        break;
      content.bytes.append(buffer, static_cast<size_t>(count));
    }
    close(fd);
    return content;
  }

  bool isFile(const std::string &path) const override {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }

  bool isRunnable(const std::string &path) const override {
    return isFile(path) && access(path.c_str(), X_OK) == 0;
  }

  std::optional<std::string> editablePlace(const std::string &path,
                                           std::string &why) const override {
    std::string place = path;
    struct stat info;
    // A file kept elsewhere and linked here (as dotfile managers do) is edited where it lies:
    // renaming over the link would replace it with a copy.
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      char target[PATH_MAX];
      if (realpath(path.c_str(), target) == nullptr) {
        why = path + " is a link to a file that does not exist";
        return std::nullopt;
      }
      place = target;
    }
    if (stat(place.c_str(), &info) != 0) {
      if (errno == ENOENT)
        return place;
      why = "cannot look at " + place + " (" + std::strerror(errno) + ")";
      return std::nullopt;
    }
    if (!S_ISREG(info.st_mode))
      why = place + " is not a regular file";
    else if ((info.st_mode & 0222) == 0 || access(place.c_str(), W_OK) != 0)
      why = place + " is read-only";
    else if (info.st_nlink > 1)
      why = place + " has other names (hard links), which a new file in its place would part "
                    "from it";
    else
      return place;
    return std::nullopt;
  }

  // Written to a new file beside it and renamed over it: an interrupted run leaves the old file
  // or the new one, never half of one.
  Outcome writeWhole(const std::string &path, const std::string &bytes, bool personal) override {
    mode_t mode = personal ? 0600 : modeFor(path);
    std::string temporary = path + kNewFile + "XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
      return failed();
    int error = fchmod(fd, mode) == 0 ? 0 : errno;
    for (size_t done = 0; error == 0 && done < bytes.size();) {
      ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
      if (count < 0 && errno == EINTR)
        continue;
      if (count <= 0)
        error = count < 0 ? errno : EIO;
      else
        done += static_cast<size_t>(count);
    }
    if (error == 0 && fsync(fd) != 0)
      error = errno;
    if (close(fd) != 0 && error == 0)
      error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0)
      error = errno;
    if (error != 0) {
      unlink(temporary.c_str());
      errno = error;
      return failed();
    }
    return Done{};
  }

  Outcome removeFile(const std::string &path) override {
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
      return failed();
    return Done{};
  }

  Outcome makeFolder(const std::string &path, bool &made) override {
    made = mkdir(path.c_str(), 0700) == 0;
    if (!made && !(errno == EEXIST && isFolder(path)))
      return failed();
    return Done{};
  }

  void removeEmptyFolder(const std::string &path) override { rmdir(path.c_str()); }

  void makeConfigFolder() override {
    std::string folder = configFolder();
    for (size_t slash = folder.find('/', 1); !folder.empty(); slash = folder.find('/', slash + 1)) {
      std::string level = folder.substr(0, slash);
      bool made = mkdir(level.c_str(), 0700) == 0;
      if (slash == std::string::npos) {
        configFolderMade_ = made;
        break;
      }
    }
  }
  bool configFolderMade() const override { return configFolderMade_; }

  void clearLeftovers(const std::string &path) override {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string prefix = path.substr(slash + 1) + kNewFile;
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

private:
  static bool isFolder(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  static mode_t modeFor(const std::string &path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
      return info.st_mode & 07777;
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
  }

  static Failure failed() { return Failure{std::strerror(errno)}; }

  bool configFolderMade_ = false;
};

} // namespace

std::unique_ptr<DesktopFiles> makePosixDesktopFiles() {
  return std::make_unique<PosixDesktopFiles>();
}

} // namespace velmora
