#include "setup/linux/mimeapps_list.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Each edit goes in as shown, and taking the edits back out, newest first, gives every byte back.
TEST(MimeAppsList, EditsGoInAsShownAndComeBackOut) {
  struct Case {
    const char *label;
    std::string original;
    bool first;
    std::string section;
    std::string edited;
  } cases[] = {
      {"no file", "", false, "Added Associations",
       "[Added Associations]\ntext/plain=velmora.desktop;\n"},
      {"no line end at the end", "# mine\n[Other]\nk=v", false, "Added Associations",
       "# mine\n[Other]\nk=v\n[Added Associations]\ntext/plain=velmora.desktop;\n"},
      {"after the other ids", "[Added Associations]\ntext/plain=a.desktop;\n", false,
       "Added Associations", "[Added Associations]\ntext/plain=a.desktop;velmora.desktop;\n"},
      {"an open list", "[Added Associations]\ntext/plain=a.desktop\r\n", false,
       "Added Associations", "[Added Associations]\ntext/plain=a.desktop;velmora.desktop;\r\n"},
      {"first", "[Default Applications]\ntext/plain=a.desktop;\n", true, "Default Applications",
       "[Default Applications]\ntext/plain=velmora.desktop;a.desktop;\n"},
      {"a new line after the last entry, before comments",
       "[Added Associations]\nimage/png=a.desktop;\n# note\n\n[Removed Associations]\nx/y=b;",
       false, "Added Associations",
       "[Added Associations]\nimage/png=a.desktop;\ntext/plain=velmora.desktop;\n# note\n\n"
       "[Removed Associations]\nx/y=b;"},
      {"a last section without a line end", "[Added Associations]\nimage/png=a.desktop;", false,
       "Added Associations",
       "[Added Associations]\nimage/png=a.desktop;\ntext/plain=velmora.desktop;\n"},
      {"the key of another section", "[Removed Associations]\ntext/plain=velmora.desktop;\n", false,
       "Added Associations",
       "[Removed Associations]\ntext/plain=velmora.desktop;\n[Added Associations]\n"
       "text/plain=velmora.desktop;\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    MimeAppsList list(c.original);
    std::optional<MimeAppsEdit> edit =
        list.add(c.section, "text/plain", "velmora.desktop", c.first);
    ASSERT_TRUE(edit);
    EXPECT_EQ(list.bytes(), c.edited);
    EXPECT_FALSE(list.add(c.section, "text/plain", "velmora.desktop", c.first));
    // Through the record, as a later run reads it.
    std::optional<RecordedEdits> read = editsFromRecord(recordText({2, true, false, {*edit}}));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->createdFile);
    EXPECT_EQ(read->version, 2u);
    ASSERT_EQ(read->edits.size(), 1u);
    EXPECT_EQ(read->edits.front(), *edit);
    MimeAppsList later(list.bytes());
    later.undo(read->edits.front());
    EXPECT_EQ(later.bytes(), c.original);
  }
}

TEST(MimeAppsList, UndoTakesOnlyItsIdWhereTheLineChangedSince) {
  MimeAppsList list("[Added Associations]\ntext/plain=a.desktop;\n");
  MimeAppsEdit edit = *list.add("Added Associations", "text/plain", "velmora.desktop", false);
  MimeAppsList changed("[Added Associations]\ntext/plain=a.desktop;velmora.desktop;b.desktop;\n");
  changed.undo(edit);
  EXPECT_EQ(changed.bytes(), "[Added Associations]\ntext/plain=a.desktop;b.desktop;\n");
  MimeAppsList gone("[Added Associations]\n");
  gone.undo(edit);
  EXPECT_EQ(gone.bytes(), "[Added Associations]\n");
}

TEST(MimeAppsList, ADamagedRecordIsRefused) {
  for (const char *record : {"edit\tAdded Associations\ttext/plain\n", "frob\n",
                             "edit\ta\tb\tc\t----\tbad\\q\n", "# velmora-setup record two\n",
                             "# velmora-setup record 02\n", "# velmora-setup record \n"}) {
    SCOPED_TRACE(record);
    EXPECT_FALSE(editsFromRecord(record));
  }
  MimeAppsEdit tabbed{"S", "t\tx", "i\\d", false, true, false, false, "line\nend"};
  std::optional<RecordedEdits> read = editsFromRecord(recordText({2, false, true, {tabbed}}));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->edits.front(), tabbed);
  EXPECT_TRUE(read->createdFolder);
  // Versions: none is the first; a later one is not read further.
  EXPECT_EQ(editsFromRecord("created-file\n")->version, 1u);
  std::optional<RecordedEdits> later = editsFromRecord("# velmora-setup record 3\nnew\tline\n");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->version, 3u);
}

// The line GLib reads is the one edited: of a key written twice the last, also in a section
// written twice; and a line the user changed since keeps every byte but velmora's id.
TEST(MimeAppsList, EditsTheLineGlibReadsAndKeepsTheUsersOwn) {
  MimeAppsList twice("[Default Applications]\ntext/plain=a.desktop;\ntext/plain=b.desktop;\n"
                     "[Other]\n[Default Applications]\ntext/plain=c.desktop\n");
  std::optional<MimeAppsEdit> edit =
      twice.add("Default Applications", "text/plain", "velmora.desktop", true);
  ASSERT_TRUE(edit);
  EXPECT_EQ(twice.bytes(),
            "[Default Applications]\ntext/plain=a.desktop;\ntext/plain=b.desktop;\n"
            "[Other]\n[Default Applications]\ntext/plain=velmora.desktop;c.desktop\n");
  EXPECT_EQ(twice.ids("Default Applications", "text/plain"),
            (std::vector<std::string>{"velmora.desktop", "c.desktop"}));

  struct Case {
    const char *label, *changed, *after;
  };
  const Case cases[] = {
      {"the user's own default", "text/markdown=vim.desktop\n", "text/markdown=vim.desktop\n"},
      {"velmora among the user's", "text/markdown=a.desktop; velmora.desktop ;b\n",
       "text/markdown=a.desktop;b\n"},
      {"velmora last, no ';'", "text/markdown=a.desktop;velmora.desktop\n",
       "text/markdown=a.desktop;\n"},
  };
  for (const Case &c : cases) {
    MimeAppsList list("[Default Applications]\n");
    std::optional<MimeAppsEdit> ours =
        list.add("Default Applications", "text/markdown", "velmora.desktop", true);
    ASSERT_TRUE(ours) << c.label;
    MimeAppsList user("[Default Applications]\n" + std::string(c.changed));
    user.undo(*ours);
    EXPECT_EQ(user.bytes(), "[Default Applications]\n" + std::string(c.after)) << c.label;
  }
}

// Finding a type's line is one walk over the list, however long its sections are.
TEST(MimeAppsList, LongSectionsAreEditedInOneWalk) {
  std::string bytes = "[Added Associations]\n";
  for (int i = 0; i < 16000; ++i)
    bytes += "x/t" + std::to_string(i) + "=a.desktop;\n";
  MimeAppsList list(bytes);
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(
        list.add("Added Associations", "y/t" + std::to_string(i), "velmora.desktop", false));
  EXPECT_EQ(list.ids("Added Associations", "y/t19"), std::vector<std::string>{"velmora.desktop"});
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

// Each row as GLib 2.74's gio mime read it: a fault where it saw no velmora.desktop.
TEST(MimeAppsList, RefusesWhatGlibCannotRead) {
  const std::string good = "[Added Associations]\ntext/plain=velmora.desktop;\n";
  struct Case {
    std::string bytes;
    size_t line; // 0: GLib reads it
    const char *reason;
  };
  const Case cases[] = {
      {good, 0, ""},
      {"", 0, ""},
      {"[Added Associations]\r\ntext/plain=velmora.desktop;\r\n", 0, ""},
      {"  " + good + "\tk=1\nte xt=x\nName[de]=x\n", 0, ""},
      {"[Added Associations]  \n# \xff\n[Other]\nk=a\xff\\q\x01\n", 0, ""},
      {"[Added Associations]#c\n", 1, "is not a key-value pair, group, or comment"},
      {"\xef\xbb\xbf" + good, 1, "is not a key-value pair, group, or comment"},
      {"[Added Associations]\rtext/plain=velmora.desktop;\r", 1, "comes before the first group"},
      {"[Added Associations\ntext/plain=velmora.desktop;\n", 1,
       "is not a key-value pair, group, or comment"},
      {"x=y\n" + good, 1, "comes before the first group"},
      {std::string(1, '\0') + good, 2, "comes before the first group"},
      {good + "frob\n", 3, "is not a key-value pair, group, or comment"},
      {good + "[Add[ed]\n", 3, "names a group GLib does not accept"},
      {good + "[Add\x01"
              "ed]\n",
       3, "names a group GLib does not accept"},
      {good + "[]\n", 3, "names a group GLib does not accept"},
      {good + "[A] x\n", 3, "is not a key-value pair, group, or comment"},
      {good + "=x\n", 3, "has a key GLib does not accept"},
      {good + "Name[de=x\n", 3, "has a key GLib does not accept"},
      {good + "k]y=1\n", 3, "has a key GLib does not accept"},
      {"[Added Associations]\ntext/plain=a" + std::string(1, '\0') + "b;velmora.desktop;\n", 2,
       "holds a NUL byte"},
      {"[Default Applications]\ntext/plain=a\xff.desktop;\n", 2, "is not UTF-8"},
      {"[Added Associations]\ntext/plain=\xed\xa0\x80;\n", 2, "is not UTF-8"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bytes);
    std::optional<ListFault> fault = glibRefusal(c.bytes);
    EXPECT_EQ(fault ? fault->line : 0u, c.line);
    EXPECT_EQ(fault ? fault->reason : "", c.reason);
  }
}

} // namespace
} // namespace velmora
