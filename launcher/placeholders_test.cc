#include "launcher/placeholders.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(Placeholders, FoundAsTheExpansionFindsThem) {
  using K = PlaceholderKind;
  struct Case {
    const char *label;
    FakeLocale locale;
    std::string text;
    std::vector<std::pair<K, std::string>> found; // kind, as written
  };
  const Case cases[] = {
      {"each kind",
       FakeLocale::Western,
       "a %p \"%D\" %O12x %o %F %% %",
       {{K::Path, "%p"},
        {K::Directory, "%D"},
        {K::Argument, "%O12"},
        {K::NoNumber, "%o"},
        {K::Other, "%F"},
        {K::Other, "%%"},
        {K::Other, "% "}}},
      // In code page 932, 81 leads a character: its '%' fills nothing, and neither does what
      // follows; a '%' after a whole character does.
      {"a '%' inside a character",
       FakeLocale::Japanese,
       "\x81%O5 \x81%P \x81\x81%P",
       {{K::InsideCharacter, "%O"}, {K::InsideCharacter, "%P"}, {K::Path, "%P"}}},
      {"the same bytes in a Western code page",
       FakeLocale::Western,
       "\x81%O5",
       {{K::Argument, "%O5"}}},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(c.locale);
    std::vector<std::pair<K, std::string>> found;
    for (const Placeholder &p : scanPlaceholders(c.text))
      found.emplace_back(p.kind, std::string(p.written));
    EXPECT_EQ(found, c.found) << c.label;
  }
}

} // namespace
} // namespace velmora
