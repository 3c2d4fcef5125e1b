#include "host/posix/profile_file.h"
#include "host/posix_platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
  void SetUp() override {
    // One folder per test and process: ctest runs the tests side by side.
    dir =
        fs::temp_directory_path() /
        ("velmora_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path write(const char *name, const std::string &contents) {
    fs::path path = dir / name;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    std::fwrite(contents.data(), 1, contents.size(), file);
    std::fclose(file);
    return path;
  }

  fs::path dir;
};

// The "default" value as the POSIX backend's settings reader gives it; "fb" when it reads none.
std::string valueIn(const std::string &fileName) {
  char program[] = "velmora";
  char *argv[] = {program, nullptr};
  return PosixPlatform(1, argv, "C.UTF-8", "UTF-8")
      .profileString("Path", "default", "fb", fileName);
}

TEST_F(ProfileFile, FilesThatCannotBeReadGiveTheFallback) {
  fs::path ini = write("s.ini", "[Path]\r\ndefault=x\r\n");
  EXPECT_EQ(valueIn(ini.string()), "x");
  EXPECT_EQ(valueIn((dir / "missing.ini").string()), "fb");
  EXPECT_EQ(valueIn(dir.string()), "fb");
  EXPECT_EQ(valueIn(""), "fb");

  fs::path previous = fs::current_path();
  fs::current_path(dir);
  EXPECT_EQ(valueIn("s.ini"), "x");
  fs::current_path(previous);
}

// A FIFO without a writer would block a plain open for ever, and a device would never end.
TEST_F(ProfileFile, OnlyRegularFilesUpToTheLimitAreRead) {
  fs::path fifo = dir / "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string header = "[Path]\r\ndefault=x\r\n";
  fs::path atLimit =
      write("limit.ini", header + std::string(kSettingsFileLimit - header.size(), ';'));
  fs::path overLimit = write("over.ini", header + std::string(kSettingsFileLimit, ';'));
  struct Case {
    const char *label;
    std::string path;
    ProfileFileState state;
  };
  const Case cases[] = {
      {"FIFO without a writer", fifo.string(), ProfileFileState::NotRegular},
      {"endless device", "/dev/zero", ProfileFileState::NotRegular},
      {"empty device", "/dev/null", ProfileFileState::NotRegular},
      {"folder", dir.string(), ProfileFileState::NotRegular},
      {"over the limit", overLimit.string(), ProfileFileState::TooLarge},
      {"at the limit", atLimit.string(), ProfileFileState::Read},
      {"missing file", (dir / "missing.ini").string(), ProfileFileState::Missing},
      {"missing folder", (dir / "missing" / "x.ini").string(), ProfileFileState::Missing},
      {"no name", "", ProfileFileState::Missing},
  };
  for (const Case &c : cases) {
    ProfileFileBytes file = loadProfileFile(c.path);
    EXPECT_EQ(file.state, c.state) << c.label;
    EXPECT_EQ(file.bytes.empty(), c.state != ProfileFileState::Read) << c.label;
    EXPECT_EQ(valueIn(c.path), c.state == ProfileFileState::Read ? "x" : "fb") << c.label;
  }
}

// /proc reports a size of 0 for files that hold text: the limit counts the bytes read.
TEST_F(ProfileFile, TheLimitHoldsForWhatIsReadNotWhatIsStated) {
  ProfileFileBytes status = loadProfileFile("/proc/self/status");
  EXPECT_EQ(status.state, ProfileFileState::Read);
  EXPECT_NE(status.bytes.find("Name:"), std::string::npos);
}

} // namespace
} // namespace velmora
