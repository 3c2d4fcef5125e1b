#include "setup/engine/setup_options.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SetupOptions, ReadsCommandsTypesAndOptions) {
  const SetupGrammar grammar{
      {Command::SendTo, Command::OpenWith, Command::Status},
      {Command::OpenWith},
      {{Command::SendTo, {"--name", "--ini"}}, {Command::OpenWith, {"--ini"}}}};
  struct Case {
    const char *label;
    std::vector<std::string> arguments;
    std::string command;
    std::vector<std::string> types;
    std::string ini;
    std::string error; // a part of it; empty when none is expected
  } cases[] = {
      {"types", {"open-with", ".txt", ".jpg"}, "open-with", {".txt", ".jpg"}, "", ""},
      {"value after =",
       {"open-with", "--ini=a b.ini", ".txt"},
       "open-with",
       {".txt"},
       "a b.ini",
       ""},
      {"value as next", {"send-to", "--ini", "x.ini"}, "send-to", {}, "x.ini", ""},
      {"-- ends options", {"open-with", "--", "--ini"}, "open-with", {"--ini"}, "", ""},
      {"no command", {}, "", {}, "", "no command"},
      {"unknown command", {"frob"}, "", {}, "", "unknown command \"frob\""},
      {"unknown option", {"status", "--all"}, "status", {}, "", "unknown option --all"},
      {"missing value", {"send-to", "--name"}, "send-to", {}, "", "--name needs a value"},
      {"empty value", {"send-to", "--name="}, "send-to", {}, "", "--name needs a value"},
      {"no types", {"open-with"}, "open-with", {}, "", "needs at least one type"},
      {"stray argument", {"status", ".txt"}, "status", {}, "", "takes no argument"},
      {"option of another command",
       {"open-with", ".txt", "--name", "n"},
       "open-with",
       {".txt"},
       "",
       "takes no --name"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    SetupOptions options = parseSetupOptions(c.arguments, grammar);
    EXPECT_EQ(commandName(options.command), c.command);
    EXPECT_EQ(options.types, c.types);
    EXPECT_EQ(options.ini, c.ini);
    if (c.error.empty()) {
      EXPECT_EQ(options.error, "");
    } else {
      EXPECT_NE(options.error.find(c.error), std::string::npos) << options.error;
    }
  }
  EXPECT_TRUE(parseSetupOptions({"--help"}, grammar).help);
}

} // namespace
} // namespace velmora
