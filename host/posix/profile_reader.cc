#include "host/posix/profile_reader.h"

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

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// What a reader with a C-string buffer of the platform's size hands back.
std::string cut(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  return std::string(value.substr(0, kProfileValueLimit));
}

} // namespace

ProfileText decodeProfile(std::string_view contents) {
  if (contents.substr(0, 2) == "\xFF\xFE")
    return {utf16ToUtf8(contents.substr(2)), true};
  if (contents.substr(0, 3) == "\xEF\xBB\xBF")
    contents.remove_prefix(3);
  return {std::string(contents), false};
}

std::string profileValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::string_view fallback) {
  return profileValueIn(decodeProfile(contents), section, key, fallback);
}

std::string profileValueIn(const ProfileText &decoded, std::string_view section,
                           std::string_view key, std::string_view fallback,
                           const std::function<std::string(std::string_view)> &fromUtf8) {
  std::string_view contents = decoded.text;
  enum class Where {
    BeforeSections,
    InWanted,
    Elsewhere,
    PastWanted
  } where = Where::BeforeSections;
  size_t pos = 0;
  while (pos < contents.size() && where != Where::PastWanted) {
    size_t end = contents.find_first_of("\r\n", pos);
    if (end == std::string_view::npos)
      end = contents.size();
    std::string_view line = trim(contents.substr(pos, end - pos));
    pos = contents.substr(end, 2) == "\r\n" ? end + 2 : end + 1;

    if (line.empty() || line.front() == ';')
      continue;
    if (line.front() == '[') {
      std::string_view name = line.substr(1);
      name = trim(name.substr(0, name.find(']')));
      bool wanted = sameAsciiName(name, section);
      if (where == Where::InWanted)
        where = Where::PastWanted;
      else if (where != Where::PastWanted)
        where = wanted ? Where::InWanted : Where::Elsewhere;
      continue;
    }
    if (where != Where::InWanted)
      continue;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      continue;
    if (sameAsciiName(trim(line.substr(0, equals)), key)) {
      std::string_view value = unquote(trim(line.substr(equals + 1)));
      if (decoded.fromUtf16 && fromUtf8)
        return cut(fromUtf8(value.substr(0, value.find('\0'))));
      return cut(value);
    }
  }
  return cut(fallback);
}

} // namespace velmora
