// velmora-check's own reading of a settings file, line by line, beside what the system's reader
// gave velmora: the mistakes people make in such files, each with the line and what to write.
#ifndef VELMORA_CHECK_SETTINGS_LINT_H
#define VELMORA_CHECK_SETTINGS_LINT_H

#include "launcher/template_set.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// `bytes` is the file as it lies; `read` the six templates the reader gave velmora from it.
// Findings come in line order, each a sentence that names the line and the fix; past 20 of one
// kind, one line says how many more there are.
std::vector<std::string> lintSettings(std::string_view bytes, const TemplateSet &read);

// The nearest of `candidates` to `word` when it is a likely slip (two edits at most, case aside,
// and fewer than the word has letters); empty when none is, and for words longer than
// kLongestNearName bytes.
constexpr size_t kLongestNearName = 64;
std::string nearestName(std::string_view word, const std::vector<std::string> &candidates);

} // namespace velmora

#endif
