#include "host/host_platform.h"
#include "host/posix/codeset_conversion.h"
#include "host/posix_platform.h"

#include "launcher/template_expansion.h"
#include "text/argument_list.h"
#include "text/system_locale.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora {
namespace {

TEST(PosixPlatform, RebuildsTheCommandLineFromArgv) {
  char program[] = "/usr/bin/velmora";
  char spaced[] = "a b";
  char quoted[] = "say \"x\"";
  char empty[] = "";
  char last[] = "/tmp/t.txt";
  char *argv[] = {program, spaced, quoted, empty, last, nullptr};
  std::unique_ptr<PlatformRoles> host = makeHostPlatform(5, argv);
  ArgumentList arguments(*host, *host);
  ASSERT_EQ(arguments.argumentCount(), 3);
  EXPECT_EQ(arguments.argumentAt(1), "a b");
  // The quotation marks cannot be carried: the launcher is told so and starts nothing.
  EXPECT_EQ(arguments.argumentAt(2), "say x");
  EXPECT_EQ(host->uncarriedArgument()->index, 2);
  EXPECT_EQ(arguments.argumentAt(3), "/tmp/t.txt");
  // Entry 0 is this very test program, wherever it was started from, whatever argv[0] says.
  EXPECT_EQ(arguments.argumentAt(0), std::filesystem::read_symlink("/proc/self/exe").string());
}

// Letters are folded by the double-byte rules in force: ASCII ones only, and never the second
// byte of a character.
TEST(PosixPlatform, UpperCasesAsciiLettersOutsideDoubleByteCharacters) {
  struct Case {
    const char *label;
    const char *locale;
    const char *codeset;
    std::string text;
    std::string upper;
  };
  const Case cases[] = {
      {"UTF-8", "C.UTF-8", "UTF-8", "abc\xC3\xA9z%p", "ABC\xC3\xA9Z%P"},
      {"a byte above ASCII stays", "C", "ANSI_X3.4-1968", "\xE9x", "\xE9X"},
      {"trail byte 'a' stays", "ja_JP.SJIS", "SHIFT_JIS",
       "\x82"
       "aa",
       "\x82"
       "aA"},
      {"lead byte at the end", "ja_JP.SJIS", "SHIFT_JIS", "a\x82", "A\x82"},
  };
  char program[] = "v";
  char *argv[] = {program, nullptr};
  for (const Case &c : cases) {
    PosixPlatform host(1, argv, c.locale, c.codeset);
    initSystemLocale(host);
    std::string text = c.text;
    host.upperCase(text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(text, c.upper) << c.label;
  }
}

// The longest launch command taken is the longest single argument the kernel passes on: one
// byte more and exec refuses it (E2BIG), so no command is built that could never start.
TEST(PosixPlatform, TakesLaunchCommandsUpToTheKernelsArgumentLimit) {
  char program[] = "v";
  char *argv[] = {program, nullptr};
  PosixPlatform host(1, argv, "C.UTF-8", "UTF-8");
  size_t limit = host.launchCommandByteLimit();
  for (size_t bytes : {limit, limit + 1}) {
    std::string argument(bytes, 'a');
    char truePath[] = "/bin/true";
    char *childArgv[] = {truePath, argument.data(), nullptr};
    pid_t child = 0;
    int error = posix_spawn(&child, truePath, nullptr, nullptr, childArgv, environ);
    if (error == 0)
      waitpid(child, nullptr, 0);
    EXPECT_EQ(error == 0, bytes == limit) << bytes << ": " << std::strerror(error);
    EXPECT_EQ(host.launchCommandFits(argument), bytes == limit) << bytes;
  }
}

// The line cannot carry a quotation mark, nor a lead byte with nothing after it: an argument
// holding either would reach the launcher as another text, naming another file.
TEST(PosixPlatform, ReportsArgumentsTheCommandLineCannotCarry) {
  struct Case {
    const char *label;
    const char *locale;
    const char *codeset;
    std::vector<std::string> arguments;
    int index; // 0: every argument is carried
    const char *reason;
  };
  const Case cases[] = {
      {"plain", "C.UTF-8", "UTF-8", {"a b", "", "/tmp/t.txt"}, 0, ""},
      {"quote inside", "C.UTF-8", "UTF-8", {"-x", "a\"b.txt"}, 2, "quotation mark"},
      {"dot-quote-dot folder", "C.UTF-8", "UTF-8", {"/x/sub/.\".\"/f.txt"}, 1, "quotation mark"},
      {"lone quote last", "C.UTF-8", "UTF-8", {"/tmp/a.txt", "\""}, 2, "quotation mark"},
      {"quote after a lead byte", "ja_JP.SJIS", "SHIFT_JIS", {"\x81\"x"}, 1, "quotation mark"},
      {"blank after a lead byte", "ja_JP.SJIS", "SHIFT_JIS", {"\x81 x", "\x81\x1f"}, 0, ""},
      {"lead byte at the end", "ja_JP.SJIS", "SHIFT_JIS", {"a\x81", "t"}, 1, "double-byte"},
      {"lead byte at the end, UTF-8", "C.UTF-8", "UTF-8", {"a\x81", "t"}, 0, ""},
  };
  for (const Case &c : cases) {
    std::vector<std::string> storage = {"/usr/bin/velmora"};
    storage.insert(storage.end(), c.arguments.begin(), c.arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : storage)
      argv.push_back(argument.data());
    PosixPlatform host(static_cast<int>(argv.size()), argv.data(), c.locale, c.codeset);
    initSystemLocale(host);
    std::optional<UncarriedArgument> uncarried = host.uncarriedArgument();
    EXPECT_EQ(uncarried ? uncarried->index : 0, c.index) << c.label;
    if (uncarried) {
      EXPECT_EQ(uncarried->text, storage[static_cast<size_t>(c.index)]) << c.label;
      EXPECT_NE(uncarried->reason.find(c.reason), std::string::npos) << c.label;
    }
  }
}

// A double-byte codeset with a language the locale table does not know: the splitter and the
// text routines must still read text alike, or "%D" can end in a lone lead byte that takes the
// template's closing quotation mark as its second byte.
TEST(PosixPlatform, OneDoubleByteDecisionForSplitterAndTextRoutines) {
  char program[] = "/usr/bin/velmora";
  char target[] = "/x/\x81/f.txt";
  char *argv[] = {program, target, nullptr};
  for (const char *locale : {"xx_YY.GBK", "en_US.GBK", "zh_CN.GBK"}) {
    PosixPlatform host(2, argv, locale, "GBK");
    initSystemLocale(host);
    EXPECT_TRUE(systemLocale().farEastMode) << locale;
    std::string command =
        *expandTemplate(host, "app \"%D\"", ArgumentList(host, host).argumentAt(1));
    std::vector<std::string> tokens = splitCommandLine(host, command.c_str());
    EXPECT_EQ(tokens.size(), 2u) << locale << ": " << command;
  }
}

// A folder name that ends in a lead byte must not take the template's closing quotation mark
// as its second byte: the program gets exactly the arguments the template has, each the
// substituted text, for every lead byte of every double-byte codeset.
TEST(PosixPlatform, ASubstitutedTextNeverChangesTheArguments) {
  struct Case {
    const char *commandTemplate;
    std::vector<int> tokens; // 0: "app", 1: the folder, 2: the target, 3: the middle argument
  };
  const Case cases[] = {{"app \"%D\" \"%D\"", {0, 1, 1}},
                        {"app \"%D\" \"%O1\"", {0, 1, 3}},
                        {"app \"%O1\"\t\"%D\"", {0, 3, 1}},
                        {"app \"%P\" %O1", {0, 2, 3}}};
  char program[] = "/usr/bin/velmora";
  char middle[] = "-o";
  for (const char *codeset : {"GBK", "BIG5", "EUC-KR", "SHIFT_JIS"}) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      std::string folder = std::string("/d/x --evil ") + static_cast<char>(lead);
      std::string target = folder + "/f.txt";
      char *argv[] = {program, middle, target.data(), nullptr};
      PosixPlatform host(3, argv, "xx_YY", codeset);
      initSystemLocale(host);
      const char pair[] = {static_cast<char>(lead), 'A', '\0'};
      if (host.charLength(pair) != 2)
        continue;
      ArgumentList arguments(host, host);
      const std::string texts[] = {"app", folder, target, middle};
      for (const Case &c : cases) {
        std::string command = *substituteArguments(
            *expandTemplate(host, c.commandTemplate, arguments.argumentAt(2)), arguments, false);
        std::vector<std::string> wanted;
        for (int token : c.tokens)
          wanted.push_back(texts[token]);
        EXPECT_EQ(host.splitLaunchCommand(command), wanted)
            << codeset << " lead byte " << lead << ": " << c.commandTemplate;
      }
    }
  }
}

TEST(PosixPlatform, TheWholeProgramPathOrNone) {
  char program[] = "v";
  char *argv[] = {program, nullptr};
  PosixPlatform host(1, argv, "C.UTF-8", "UTF-8");
  EXPECT_GE(host.modulePathCapacity(), 4096);
  std::optional<std::string> self = ArgumentList(host, host).ownPath();
  EXPECT_EQ(self, std::filesystem::read_symlink("/proc/self/exe").string());
  // A capacity the path does not fit reports the capacity, as Windows reports a cut path.
  char small[8];
  EXPECT_EQ(host.moduleFileName(small, 8), 8);
}

// velmora-check names the file the start would run: the first executable file of that name
// along PATH (an empty entry is the current folder), or the path itself when it holds a '/'.
TEST(PosixPlatform, FindsTheProgramAsTheStartWould) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("velmora-path-" + std::to_string(getpid()));
  for (const char *folder : {"a", "b", "c/tool", "cwd"})
    fs::create_directories(dir / folder);
  auto file = [&](const char *name, fs::perms permissions) {
    std::FILE *made = std::fopen((dir / name).c_str(), "w");
    std::fclose(made);
    fs::permissions(dir / name, permissions);
  };
  file("a/tool", fs::perms::owner_read);
  file("b/tool", fs::perms::owner_all);
  file("cwd/here", fs::perms::owner_all);
  std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  fs::path previousFolder = fs::current_path();
  fs::current_path(dir / "cwd");
  char program[] = "v";
  char *argv[] = {program, nullptr};
  PosixPlatform host(1, argv, "C.UTF-8", "UTF-8");
  std::string a = (dir / "a").string(), b = (dir / "b").string(), c = (dir / "c").string();
  struct Case {
    std::string path, program, found, notRunnable;
  };
  const Case cases[] = {
      {a + ":" + b, "tool", b + "/tool", a + "/tool"}, // not executable in a: on to b
      {c + ":" + b, "tool", b + "/tool", ""},          // a folder named so is no program
      {a, "tool", "", a + "/tool"},                    // only one that cannot run
      {b + "::" + a, "here", "./here", ""},            // the empty entry
      {b, a + "/tool", "", a + "/tool"},               // a path is taken as it is
      {"", b + "/tool", b + "/tool", ""},
      {b, "missing", "", ""},
  };
  for (const Case &t : cases) {
    setenv("PATH", t.path.c_str(), 1);
    ProgramLookup lookup = host.findProgram(t.program, t.program);
    EXPECT_EQ(lookup.path, t.found) << t.path << " " << t.program;
    EXPECT_EQ(lookup.notRunnable, t.notRunnable) << t.path << " " << t.program;
  }
  setenv("PATH", previousPath.c_str(), 1);
  fs::current_path(previousFolder);
  fs::remove_all(dir);
}

TEST(PosixPlatform, TheUsersSettingsFolderFollowsXdg) {
  struct Case {
    const char *label;
    const char *config, *home;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"XDG_CONFIG_HOME", "/cfg", "/home/u", "/cfg/velmora/velmora.ini"},
      {"unset", nullptr, "/home/u", "/home/u/.config/velmora/velmora.ini"},
      {"not absolute", "cfg", "/home/u", "/home/u/.config/velmora/velmora.ini"},
      {"no home either", nullptr, nullptr, std::nullopt},
      {"a relative home", nullptr, "home", std::nullopt},
  };
  std::optional<std::string> savedConfig, savedHome;
  if (const char *value = std::getenv("XDG_CONFIG_HOME"))
    savedConfig = value;
  if (const char *value = std::getenv("HOME"))
    savedHome = value;
  auto put = [](const char *name, const char *value) {
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  };
  char program[] = "v";
  char *argv[] = {program, nullptr};
  PosixPlatform host(1, argv, "C.UTF-8", "UTF-8");
  for (const Case &c : cases) {
    put("XDG_CONFIG_HOME", c.config);
    put("HOME", c.home);
    EXPECT_EQ(host.userSettingsPath(), c.path) << c.label;
  }
  put("XDG_CONFIG_HOME", savedConfig ? savedConfig->c_str() : nullptr);
  put("HOME", savedHome ? savedHome->c_str() : nullptr);
}

class PosixSettings : public ::testing::Test {
protected:
  void SetUp() override {
    // One file per test and process: ctest runs the tests side by side.
    path =
        std::filesystem::temp_directory_path() /
        ("velmora_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + std::to_string(getpid()) + ".ini");
  }
  void TearDown() override { std::filesystem::remove(path); }
  void write(const std::string &contents) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    std::fwrite(contents.data(), 1, contents.size(), file);
    std::fclose(file);
  }
  std::filesystem::path path;
  char program[2] = "v";
  char *argv[2] = {program, nullptr};
};

// Six values, one reading of the file; the flush that ends the reading lets the copy go.
TEST_F(PosixSettings, TheFileIsReadOncePerReading) {
  PosixPlatform host(1, argv, "C.UTF-8", "UTF-8");
  write("[Path]\ndefault=first\n");
  EXPECT_EQ(host.profileString("Path", "default", "", path), "first");
  write("[Path]\ndefault=second\n");
  EXPECT_EQ(host.profileString("Path", "default", "", path), "first");
  host.flushProfile(path);
  EXPECT_EQ(host.profileString("Path", "default", "", path), "second");
}

// A UTF-16 file's values come in the locale's character set, like the rest of the text.
TEST_F(PosixSettings, UnicodeValuesArriveInTheLocalesCharacterSet) {
  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : std::u16string(u"[Path]\ndefault=caf\u00E9 \u8868\n")) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  write(utf16);
  struct Case {
    const char *label, *locale, *codeset;
    std::string value;
  };
  const std::string asWritten = "caf\xC3\xA9 \xE8\xA1\xA8";
  const Case cases[] = {
      {"UTF-8 as it is", "C.UTF-8", "UTF-8", asWritten},
      {"Latin-1 lacks the kanji", "de_DE", "ISO-8859-1", "caf\xE9 ?"},
      {"Shift_JIS lacks the accent", "ja_JP.SJIS", "SHIFT_JIS", "caf? \x95\x5C"},
      {"the C locale passes bytes on", "C", "ANSI_X3.4-1968", asWritten},
      {"a codeset no converter knows passes bytes on", "xx_YY.NONE", "X-NO-SUCH-CODESET",
       asWritten},
  };
  for (const Case &c : cases) {
    PosixPlatform host(1, argv, c.locale, c.codeset);
    // A machine may lack a converter (glibc's gconv modules are a package of their own): then
    // the text passes on as it was written, as for a codeset no converter knows.
    iconv_t converter = iconv_open(c.codeset, "UTF-8");
    bool converts = converter != reinterpret_cast<iconv_t>(-1);
    if (converts)
      iconv_close(converter);
    EXPECT_EQ(host.profileString("Path", "default", "", path),
              converts || keepsUtf8(c.codeset) ? c.value : asWritten)
        << c.label;
    EXPECT_EQ(host.profileString("Path", "missing", "f\xE9", path), "f\xE9") << c.label;
  }
}

} // namespace
} // namespace velmora
