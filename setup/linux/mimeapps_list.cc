#include "setup/linux/mimeapps_list.h"

#include "setup/engine/registration.h"
#include "text/fields.h"
#include "text/utf8_check.h"

#include <algorithm>
#include <cstddef>

namespace velmora {

namespace {

constexpr char kVersionLine[] = "# velmora-setup record ";

std::string withoutLineEnd(const std::string &line) {
  size_t end = line.size();
  if (end > 0 && line[end - 1] == '\n')
    --end;
  if (end > 0 && line[end - 1] == '\r')
    --end;
  return line.substr(0, end);
}

std::string trimmed(const std::string &text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos)
    return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::optional<std::string> headerName(const std::string &line) {
  std::string content = trimmed(withoutLineEnd(line));
  if (content.size() < 2 || content.front() != '[' || content.back() != ']')
    return std::nullopt;
  return content.substr(1, content.size() - 2);
}

bool isEntry(const std::string &line) {
  std::string content = trimmed(withoutLineEnd(line));
  return !content.empty() && content[0] != '#' && content.find('=') != std::string::npos;
}

std::string keyOf(const std::string &line) {
  std::string content = withoutLineEnd(line);
  return trimmed(content.substr(0, content.find('=')));
}

// The value as written, after the '=' and up to the line end.
std::string valueOf(const std::string &line) {
  std::string content = withoutLineEnd(line);
  return content.substr(content.find('=') + 1);
}

std::string withValue(const std::string &line, const std::string &value) {
  std::string content = withoutLineEnd(line);
  return content.substr(0, content.find('=') + 1) + value + line.substr(content.size());
}

std::vector<std::string> idsIn(const std::string &value) {
  std::vector<std::string> ids;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(';', start);
    std::string id = trimmed(value.substr(start, end - start));
    if (!id.empty())
      ids.push_back(id);
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return ids;
}

// The value with `id` taken out and every other byte as it was: a line the user changed since
// stays theirs.
std::string withoutId(const std::string &value, const std::string &id) {
  std::string kept;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(';', start);
    size_t stop = end == std::string::npos ? value.size() : end + 1;
    if (trimmed(value.substr(start, (end == std::string::npos ? value.size() : end) - start)) != id)
      kept += value.substr(start, stop - start);
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return kept;
}

std::string valueAfter(const MimeAppsEdit &edit) {
  if (edit.createdLine)
    return edit.id + ";";
  if (edit.first)
    return edit.id + ";" + edit.before;
  bool closed = edit.before.empty() || edit.before.back() == ';';
  return edit.before + (closed ? "" : ";") + edit.id + ";";
}

std::string escaped(const std::string &text) {
  std::string out;
  for (char c : text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::optional<std::string> unescaped(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size())
      return std::nullopt;
    switch (text[i]) {
    case '\\':
      out += '\\';
      break;
    case 't':
      out += '\t';
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    default:
      return std::nullopt;
    }
  }
  return out;
}

} // namespace

MimeAppsList::MimeAppsList(const std::string &bytes) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines_.push_back(bytes.substr(start, end - start));
    start = end;
  }
}

std::string MimeAppsList::bytes() const {
  std::string all;
  for (const std::string &line : lines_)
    all += line;
  return all;
}

std::optional<size_t> MimeAppsList::sectionAt(const std::string &section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (headerName(lines_[i]) == section)
      return i;
  return std::nullopt;
}

size_t MimeAppsList::sectionEnd(size_t header) const {
  size_t end = header + 1;
  while (end < lines_.size() && !headerName(lines_[end]))
    ++end;
  return end;
}

std::optional<size_t> MimeAppsList::lineAt(size_t header, const std::string &type) const {
  // GLib reads a section written twice as one, and of a key written twice the last line: that
  // is the line an edit must change, wherever it stands.
  std::optional<std::string> name = headerName(lines_[header]);
  std::optional<size_t> found;
  bool inside = false;
  for (size_t i = header; i < lines_.size(); ++i) {
    if (std::optional<std::string> other = headerName(lines_[i]))
      inside = other == name;
    else if (inside && isEntry(lines_[i]) && keyOf(lines_[i]) == type)
      found = i;
  }
  return found;
}

std::optional<std::vector<std::string>> MimeAppsList::ids(const std::string &section,
                                                          const std::string &type) const {
  std::optional<size_t> header = sectionAt(section);
  std::optional<size_t> line = header ? lineAt(*header, type) : std::nullopt;
  if (!line)
    return std::nullopt;
  return idsIn(valueOf(lines_[*line]));
}

std::optional<MimeAppsEdit> MimeAppsList::add(const std::string &section, const std::string &type,
                                              const std::string &id, bool first) {
  MimeAppsEdit edit{section, type, id, first, false, false, false, ""};
  std::optional<size_t> header = sectionAt(section);
  if (!header) {
    edit.createdSection = true;
    if (!lines_.empty() && lines_.back().back() != '\n') {
      lines_.back() += '\n';
      edit.addedNewline = true;
    }
    lines_.push_back("[" + section + "]\n");
    header = lines_.size() - 1;
  }
  if (std::optional<size_t> line = lineAt(*header, type)) {
    std::vector<std::string> listed = idsIn(valueOf(lines_[*line]));
    if (std::find(listed.begin(), listed.end(), id) != listed.end())
      return std::nullopt;
    edit.before = valueOf(lines_[*line]);
    lines_[*line] = withValue(lines_[*line], valueAfter(edit));
    return edit;
  }
  edit.createdLine = true;
  // After the section's last entry, before the blank lines and comments that close it.
  size_t at = *header + 1;
  for (size_t i = *header + 1, end = sectionEnd(*header); i < end; ++i)
    if (isEntry(lines_[i]))
      at = i + 1;
  if (at == lines_.size() && lines_.back().back() != '\n') {
    lines_.back() += '\n';
    edit.addedNewline = true;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                type + "=" + valueAfter(edit) + "\n");
  return edit;
}

bool MimeAppsList::unchangedSince(const MimeAppsEdit &edit) const {
  std::optional<size_t> header = sectionAt(edit.section);
  std::optional<size_t> line = header ? lineAt(*header, edit.type) : std::nullopt;
  return line && valueOf(lines_[*line]) == valueAfter(edit);
}

void MimeAppsList::undo(const MimeAppsEdit &edit, bool onlyUnchanged) {
  std::optional<size_t> header = sectionAt(edit.section);
  if (!header)
    return;
  bool oursWasLast = false;
  if (std::optional<size_t> line = lineAt(*header, edit.type)) {
    std::string value = valueOf(lines_[*line]);
    if (value == valueAfter(edit))
      value = edit.before;
    else if (onlyUnchanged)
      return;
    else
      value = withoutId(value, edit.id);
    if (edit.createdLine && idsIn(value).empty()) {
      oursWasLast = *line + 1 == lines_.size();
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    } else {
      lines_[*line] = withValue(lines_[*line], value);
    }
  }
  if (edit.createdSection && sectionEnd(*header) == *header + 1) {
    oursWasLast = *header + 1 == lines_.size();
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header));
  }
  // The line end given to the file's last line goes again once nothing follows it.
  if (edit.addedNewline && oursWasLast && !lines_.empty() && lines_.back().back() == '\n')
    lines_.back().pop_back();
}

namespace {

bool isGlibGroupName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
    return c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

bool isGlibKeyName(std::string_view key) {
  size_t end = key.find_first_of("[]");
  if (key.empty() || end == 0)
    return false;
  if (end == std::string_view::npos)
    return true;
  // One locale suffix, "Name[de_DE]", closing the key.
  return key[end] == '[' && key.find(']', end) == key.size() - 1 &&
         key.find('[', end + 1) == std::string_view::npos;
}

// Why GLib refuses the line, as velmora-setup says it; empty when it does not.
std::string glibLineFault(std::string_view line, bool &inGroup, bool &inOwnSection) {
  size_t start = line.find_first_not_of(" \t");
  std::string_view text = start == std::string_view::npos ? "" : line.substr(start);
  if (text.empty() || text[0] == '#')
    return "";
  size_t close = text[0] == '[' ? text.find(']') : std::string_view::npos;
  if (close != std::string_view::npos &&
      text.find_first_not_of(" \t", close + 1) == std::string_view::npos) {
    std::string_view name = text.substr(1, close - 1);
    if (!isGlibGroupName(name))
      return "names a group GLib does not accept";
    inGroup = true;
    inOwnSection = name == "Added Associations" || name == "Default Applications";
    return "";
  }
  size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    return "is not a key-value pair, group, or comment";
  if (!inGroup)
    return "comes before the first group";
  std::string_view key = text.substr(0, equals);
  key = key.substr(0, key.find_last_not_of(" \t") + 1);
  if (!isGlibKeyName(key))
    return "has a key GLib does not accept";
  return "";
}

} // namespace

std::optional<ListFault> glibRefusal(const std::string &bytes) {
  bool inGroup = false, inOwnSection = false;
  size_t number = 0;
  for (size_t at = 0; at <= bytes.size();) {
    size_t end = std::min(bytes.find('\n', at), bytes.size());
    std::string_view line(bytes.data() + at, end - at);
    if (end < bytes.size() && !line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    ++number;
    size_t nul = line.find('\0');
    std::string_view read = line.substr(0, nul);
    std::string why = glibLineFault(read, inGroup, inOwnSection);
    // What stands after the blanks: a key's line, whose value GLib reads as UTF-8 text.
    size_t first = read.find_first_not_of(" \t");
    bool keyLine = first != std::string_view::npos && read[first] != '#' && read[first] != '[';
    if (why.empty() && inOwnSection && keyLine && nul != std::string_view::npos)
      why = "holds a NUL byte";
    else if (why.empty() && inOwnSection && keyLine && !isUtf8(line))
      why = "is not UTF-8";
    if (!why.empty())
      return ListFault{number, why};
    at = end + 1;
  }
  return std::nullopt;
}

std::string recordText(const RecordedEdits &record) {
  std::string text = kVersionLine + std::to_string(kRecordVersion) + "\n";
  text += "# What velmora-setup added to mimeapps.list; its \"remove\" takes it out.\n";
  if (record.createdFile)
    text += "created-file\n";
  if (record.createdFolder)
    text += "created-folder\n";
  for (const MimeAppsEdit &edit : record.edits) {
    std::string flags;
    flags += edit.first ? 'F' : '-';
    flags += edit.createdLine ? 'L' : '-';
    flags += edit.createdSection ? 'S' : '-';
    flags += edit.addedNewline ? 'N' : '-';
    text += "edit\t" + escaped(edit.section) + "\t" + escaped(edit.type) + "\t" + escaped(edit.id) +
            "\t" + flags + "\t" + escaped(edit.before) + "\n";
  }
  return text;
}

std::optional<RecordedEdits> editsFromRecord(const std::string &text) {
  RecordedEdits recorded;
  MimeAppsList record(text);
  if (!record.lines().empty()) {
    std::string first = withoutLineEnd(record.lines()[0]);
    if (first.rfind(kVersionLine, 0) == 0) {
      std::string number = first.substr(sizeof kVersionLine - 1);
      bool digits = !number.empty() && number.size() < 10 && number[0] != '0' &&
                    number.find_first_not_of("0123456789") == std::string::npos;
      if (!digits)
        return std::nullopt;
      recorded.version = static_cast<unsigned>(std::stoul(number));
      if (recorded.version > kRecordVersion)
        return recorded;
    }
  }
  for (const std::string &line : record.lines()) {
    std::string content = withoutLineEnd(line);
    if (content.empty() || content[0] == '#')
      continue;
    if (content == "created-file" || content == "created-folder") {
      (content == "created-file" ? recorded.createdFile : recorded.createdFolder) = true;
      continue;
    }
    std::vector<std::string> fields = splitFields(content, '\t');
    if (fields.size() != 6 || fields[0] != "edit" || fields[4].size() != 4)
      return std::nullopt;
    MimeAppsEdit edit;
    std::optional<std::string> section = unescaped(fields[1]);
    std::optional<std::string> type = unescaped(fields[2]);
    std::optional<std::string> id = unescaped(fields[3]);
    std::optional<std::string> before = unescaped(fields[5]);
    if (!section || !type || !id || !before)
      return std::nullopt;
    edit.section = *section;
    edit.type = *type;
    edit.id = *id;
    edit.before = *before;
    edit.first = fields[4][0] == 'F';
    edit.createdLine = fields[4][1] == 'L';
    edit.createdSection = fields[4][2] == 'S';
    edit.addedNewline = fields[4][3] == 'N';
    recorded.edits.push_back(edit);
  }
  return recorded;
}

} // namespace velmora
