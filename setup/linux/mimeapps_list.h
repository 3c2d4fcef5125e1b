// Edits of a desktop's mimeapps.list that leave every other byte as it was, and that can be
// taken back out: comments, other sections and their order stay.
#ifndef VELMORA_SETUP_LINUX_MIMEAPPS_LIST_H
#define VELMORA_SETUP_LINUX_MIMEAPPS_LIST_H

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// One desktop id put into one type's line, and what it took to put it there.
struct MimeAppsEdit {
  std::string section; // "Added Associations" or "Default Applications"
  std::string type;
  std::string id;
  bool first = false;          // put before the ids already listed, not after them
  bool createdLine = false;    // the type had no line in the section
  bool createdSection = false; // the file had no such section
  bool addedNewline = false;   // the file's last line had no line end
  std::string before;          // the line's value before the edit
  bool operator==(const MimeAppsEdit &) const = default;
};

class MimeAppsList {
public:
  explicit MimeAppsList(const std::string &bytes);
  std::string bytes() const;
  const std::vector<std::string> &lines() const { return lines_; }

  // The ids the type's line in the section lists; none without such a line.
  std::optional<std::vector<std::string>> ids(const std::string &section,
                                              const std::string &type) const;
  // Puts `id` into the type's line (at its end, or first); none when it is listed already.
  std::optional<MimeAppsEdit> add(const std::string &section, const std::string &type,
                                  const std::string &id, bool first);
  // Takes the edit back out: the line's old value where nothing else changed it since, else
  // just the id (unless `onlyUnchanged`: then such a line stays as it is); a line or a section
  // the edit made goes when nothing else is left in it.
  void undo(const MimeAppsEdit &edit, bool onlyUnchanged = false);
  // Whether the type's line in the section reads as the edit left it.
  bool unchangedSince(const MimeAppsEdit &edit) const;

private:
  std::optional<size_t> sectionAt(const std::string &section) const;
  std::optional<size_t> lineAt(size_t header, const std::string &type) const;
  size_t sectionEnd(size_t header) const;

  std::vector<std::string> lines_; // each with its line end, the last perhaps without
};

// Where and why GLib's key file reader refuses a list: it then reads none of it, or (for a
// line of velmora's sections) none of that line.
struct ListFault {
  size_t line = 0; // from 1
  std::string reason;
};

// GLib's reading of a key file (gkeyfile.c), as far as it decides whether a desktop sees the
// list: lines end at '\n' (a '\r' before it goes) and at a NUL byte; a group header is "[",
// a name without brackets or control characters, "]" and blanks; a key is what precedes "=",
// without "=", "[" or "]" except one locale suffix "[...]" at its end; nothing but comments and
// blank lines before the first group. The lines of "Added Associations" and "Default
// Applications" must also be UTF-8 without NUL bytes, or GLib drops them.
std::optional<ListFault> glibRefusal(const std::string &bytes);

// The record of edits as read back.
struct RecordedEdits {
  unsigned version = 1;            // from its first line; none there is version 1
  bool createdFile = false;        // velmora-setup made mimeapps.list
  bool createdFolder = false;      // ... and the configuration folder it lies in
  std::vector<MimeAppsEdit> edits; // left empty in a record of a later version
};

// The record of edits as text, one per line under a line with its version, and back; none for
// a damaged record.
std::string recordText(const RecordedEdits &record);
std::optional<RecordedEdits> editsFromRecord(const std::string &text);

} // namespace velmora

#endif
