// What velmora-check finds, as a value: what kind of mistake, where, and the sentence that
// explains it and names the fix.
#ifndef VELMORA_CHECK_FINDING_H
#define VELMORA_CHECK_FINDING_H

#include "platform/modifier_keys.h"

#include <optional>
#include <string>

namespace velmora {

enum class FindingKind {
  // The file as a whole and its lines.
  NulBytes,
  NoPathSection,
  Utf8Mark,
  SecondPath,
  UnknownSection,
  NoSetting,
  BeforeSection,
  UnknownKey,
  WrittenTwice,
  OuterQuotes,
  ReaderDiffers,
  // One template.
  EnvironmentVariable,
  ForeignPlaceholder,
  NumberlessArgument,
  UnknownPlaceholder,
  PercentInsideCharacter,
  UnquotedPlaceholder,
  ArgumentReadShorter,
  ArgumentMissing,
  UnquotedProgram,
  Opener,
  StartsItself,
  ProgramNotRunnable,
  ProgramMissing,
  TooManyReplacements,
  TooLong,
  Count
};

struct Finding {
  FindingKind kind;
  int line = 0;                     // of the settings file; 0 for the file as a whole
  std::optional<ModifierSlot> slot; // the template it is about
  std::string text;

  // As the report shows it: "template shift, line 3: ..." or "line 3: ...".
  std::string shown() const {
    std::string where = slot ? "template " + std::string(modifierKey(*slot).settingsKey) : "";
    if (line > 0)
      where += (where.empty() ? "line " : ", line ") + std::to_string(line);
    return where.empty() ? text : where + ": " + text;
  }
};

} // namespace velmora

#endif
