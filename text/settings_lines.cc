#include "text/settings_lines.h"

#include "text/ascii_case.h"

#include <cstdint>

namespace velmora {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

void appendUtf8(std::string &out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16LE without its mark; an unpaired surrogate or an odd last byte becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1])
                                                                      << 8);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
  }
  if (i < bytes.size())
    appendUtf8(out, 0xFFFD);
  return out;
}

void classify(SettingsLine &line) {
  std::string_view t = line.text;
  if (t.empty()) {
    line.kind = SettingsLineKind::Empty;
  } else if (t.front() == ';') {
    line.kind = SettingsLineKind::Comment;
  } else if (t.front() == '[') {
    line.kind = SettingsLineKind::Section;
    std::string_view name = t.substr(1);
    line.name = trim(name.substr(0, name.find(']')));
  } else if (size_t equals = t.find('='); equals != std::string_view::npos) {
    line.kind = SettingsLineKind::Setting;
    line.name = trim(t.substr(0, equals));
    line.rawValue = trim(t.substr(equals + 1));
    std::string_view value = withoutOuterQuotes(line.rawValue);
    line.unquoted = value.size() != line.rawValue.size();
    line.value = value.substr(0, value.find('\0'));
  } else {
    line.kind = SettingsLineKind::NoSetting;
  }
}

} // namespace

std::string_view withoutOuterQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

SettingsText decodeSettingsText(std::string_view bytes) {
  if (bytes.substr(0, 2) == "\xFF\xFE")
    return {utf16ToUtf8(bytes.substr(2)), true, false};
  bool utf8Mark = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  return {std::string(bytes.substr(utf8Mark ? 3 : 0)), false, utf8Mark};
}

bool SettingsLines::next(SettingsLine &line) {
  if (done_)
    return false;
  size_t end = text_.find_first_of("\r\n", position_);
  if (end == std::string_view::npos) {
    end = text_.size();
    done_ = true;
  }
  line = SettingsLine{};
  line.number = ++number_;
  line.text = trim(text_.substr(position_, end - position_));
  position_ = text_.substr(end, 2) == "\r\n" ? end + 2 : end + 1;
  done_ = done_ || position_ > text_.size();
  classify(line);
  if (line.kind == SettingsLineKind::Section)
    section_ = line.number;
  line.section = section_;
  return true;
}

std::optional<SettingsLine> settingLine(std::string_view text, std::string_view section,
                                        std::string_view key) {
  int searched = searchedSection(text, section);
  if (searched == 0)
    return std::nullopt;
  SettingsLines lines(text);
  SettingsLine line;
  while (lines.next(line)) {
    if (line.section > searched)
      break;
    if (line.section == searched && line.kind == SettingsLineKind::Setting &&
        sameAsciiName(line.name, key))
      return line;
  }
  return std::nullopt;
}

int searchedSection(std::string_view text, std::string_view section) {
  SettingsLines lines(text);
  SettingsLine line;
  while (lines.next(line))
    if (line.kind == SettingsLineKind::Section && sameAsciiName(line.name, section))
      return line.number;
  return 0;
}

} // namespace velmora
