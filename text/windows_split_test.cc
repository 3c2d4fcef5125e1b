#include "text/windows_split.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(WindowsSplit, FollowsTheCRuntimeRules) {
  struct Case {
    const char *label;
    const char *line;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"plain words", R"(app.exe a b)", {"app.exe", "a", "b"}},
      {"quoted program and argument",
       R"("C:\Program Files\x.exe" "a b" c)",
       {R"(C:\Program Files\x.exe)", "a b", "c"}},
      {"two backslashes before a quotation mark",
       R"(C:\x\app.exe "C:\dir\\" x)",
       {R"(C:\x\app.exe)", R"(C:\dir\)", "x"}},
      {"escaped quotation marks", R"(a \"q\" \\\"r)", {"a", R"("q")", R"(\"r)"}},
      {"doubled quotation mark inside quotes", R"(a "x""y" "")", {"a", R"(x"y)", ""}},
      {"backslashes not before a quotation mark", R"(a b\c\\d)", {"a", R"(b\c\\d)"}},
      {"tabs and trailing blanks", "a\t b  ", {"a", "b"}},
      {"empty line", "", {""}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(splitLikeWindowsPrograms(c.line), c.expected) << c.label;
}

} // namespace
} // namespace velmora
