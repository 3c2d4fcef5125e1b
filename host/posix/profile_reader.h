// Our own reader for INI-style settings files, following the rules of Windows'
// GetPrivateProfileStringA, for platforms that have no profile reader.
#ifndef VELMORA_HOST_POSIX_PROFILE_READER_H
#define VELMORA_HOST_POSIX_PROFILE_READER_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// Values are cut like the platform's 2048-byte buffer cuts them: 2047 bytes and a NUL.
constexpr size_t kProfileValueLimit = 2047;

// The value of `key` in `section` of a settings file whose bytes are `contents`, or `fallback`
// when the file has no such key.
//   - A UTF-8 byte-order mark is skipped; UTF-16LE text with its mark is read as UTF-8.
//   - Lines end at CR, LF or CRLF; space, tab and vertical tab are trimmed around names and
//     values; a line whose first non-blank is ';' is a comment.
//   - "[name" starts a section, which ends at the first ']' (the rest of the line is ignored).
//   - A key line splits at its first '='; a line without '=' is no key.
//   - One outer pair of matching '"' or '\'' around a value is removed.
//   - A value ends at a NUL byte, as it would in a C-string buffer.
//   - Names match without regard to ASCII case; only the first section of a name is searched,
//     the first key of a name wins, and keys before the first section are never found.
std::string profileValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::string_view fallback);

// A settings file's text as the reader parses it: UTF-16LE text (with its mark) becomes UTF-8,
// a UTF-8 mark is dropped. Decoded once, it serves every value read from the file.
struct ProfileText {
  std::string text;
  bool fromUtf16 = false;
};
ProfileText decodeProfile(std::string_view contents);

// profileValue on decoded text. A value of a UTF-16 file goes through `fromUtf8`, when one is
// given, into the text the caller works in; the fallback never does.
std::string profileValueIn(const ProfileText &decoded, std::string_view section,
                           std::string_view key, std::string_view fallback,
                           const std::function<std::string(std::string_view)> &fromUtf8 = {});

} // namespace velmora

#endif
