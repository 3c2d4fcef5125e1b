#include "check/diagnosis.h"

#include "check/settings_lint.h"

#include "platform/platform.h"
#include "text/ascii_case.h"
#include "text/escaped_text.h"
#include "text/text_routines.h"

#include <cctype>

namespace velmora {
namespace {

struct Placeholder {
  size_t offset; // of the '%'
  char kind;     // 'P', 'D' or 'O'
  std::string digits;
  std::string written; // as the template spells it
};

// Placeholders as a reader of the template sees them; the expansion itself is case-insensitive
// and so is this.
std::vector<Placeholder> placeholdersOf(const std::string &text) {
  std::vector<Placeholder> found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%')
      continue;
    char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    if (kind != 'P' && kind != 'D' && kind != 'O')
      continue;
    Placeholder placeholder{i, kind, "", ""};
    for (size_t j = i + 2; j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]));
         ++j)
      placeholder.digits += text[j];
    placeholder.written = text.substr(i, 2 + placeholder.digits.size());
    if (kind != 'O' || !placeholder.digits.empty())
      found.push_back(placeholder);
  }
  return found;
}

bool insideQuotes(const std::string &text, size_t offset) {
  size_t quotes = 0;
  for (size_t i = 0; i < offset; ++i)
    quotes += text[i] == '"' ? 1u : 0u;
  return quotes % 2 == 1;
}

bool holdsBlank(const std::string &text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x01 && static_cast<unsigned char>(c) <= 0x20)
      return true;
  return false;
}

void warnAboutTemplate(Diagnosis &d, const std::string &chosen, const FirstStage &stage,
                       int32_t passes) {
  bool directory = stage.placeholder[1] == 'D';
  const std::string &substituted = stage.text;
  for (const Placeholder &p : placeholdersOf(chosen)) {
    const std::string &name = p.written;
    if ((p.kind == 'D' || (p.kind == 'P' && !directory)) && holdsBlank(substituted) &&
        !insideQuotes(chosen, p.offset))
      d.warnings.push_back(name + " is not inside quotation marks, and its text \"" +
                           escapedText(substituted, d.codePage) +
                           "\" holds a space: the program will see several "
                           "arguments. Write \"" +
                           name + "\" in the template.");
    if (p.kind != 'O')
      continue;
    // The expansion's own reading: which pass takes it, and what it leaves.
    std::string taken = decimalText(passTaking(p.digits, 0, passes));
    if (taken != "0" && taken.size() < p.digits.size()) {
      d.warnings.push_back(name + " is read as %O" + taken + " followed by \"" +
                           p.digits.substr(taken.size()) +
                           "\": placeholders are filled in ascending "
                           "order, and %O" +
                           taken + " comes first.");
    } else if (taken == "0") {
      d.warnings.push_back(name + " has no argument to take (there " +
                           (passes == 1 ? std::string("is 1 argument")
                                        : "are " + std::to_string(passes) + " arguments") +
                           " between the settings option and the target), so it stays in the "
                           "command as written.");
    }
  }
}

void warnAboutSettings(Diagnosis &d, const Inspection &inspection) {
  const LaunchPlan &plan = d.plan;
  if (!plan.settings.note.empty())
    d.warnings.push_back(plan.settings.note);
  if (plan.settings.source == SettingsSource::None)
    return;
  d.settings = inspection.fileStatus(plan.settings.path);
  if (!d.settings.exists)
    d.warnings.push_back("the settings file " + escapedText(d.settings.where, d.codePage) +
                         " does not exist: every template is empty.");
  else if (!d.settings.readable)
    d.warnings.push_back("the settings file " + escapedText(d.settings.where, d.codePage) +
                         " cannot be read (" + d.settings.why + "): every template is empty.");
  if (d.settings.bytes.empty())
    return;
  for (const std::string &finding : lintSettings(d.settings.bytes, plan.templates))
    d.warnings.push_back("settings file, " + finding);
}

// Words a shell would expand, which velmora hands over as they are.
std::string shellWordsHint(const std::string &program) {
  size_t dollar = program.find('$');
  bool variable = dollar != std::string::npos && dollar + 1 < program.size() &&
                  (std::isalpha(static_cast<unsigned char>(program[dollar + 1])) ||
                   program[dollar + 1] == '_' || program[dollar + 1] == '{');
  if (!program.empty() && program[0] == '~')
    return " velmora starts programs without a shell, so nothing turns ~ into your home folder: "
           "write the full path.";
  if (variable)
    return " velmora starts programs without a shell, so nothing expands $ variables: write the "
           "full path.";
  return "";
}

// What opens a file with its type's default program, and velmora itself: where velmora is that
// default, such a template starts velmora again.
std::string reopener(const std::vector<std::string> &split) {
  std::string program = asciiLower(split.front().substr(split.front().find_last_of("/\\") + 1));
  if (program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0)
    program.resize(program.size() - 4);
  auto argument = [&split](size_t i) {
    return i < split.size() ? asciiLower(split[i]) : std::string();
  };
  if (program == "velmora" || program == "velmora-utf8")
    return "velmora itself";
  if (program == "xdg-open" || program == "explorer" || program == "kde-open" ||
      program == "gnome-open" || program == "exo-open")
    return program;
  if (program == "gio" && argument(1) == "open")
    return "gio open";
  if (program == "cmd" && argument(1) == "/c" && argument(2) == "start")
    return "cmd /c start";
  if (program == "rundll32" && argument(1) == "url.dll,fileprotocolhandler")
    return "rundll32 url.dll,FileProtocolHandler";
  return "";
}

// The launch command as the started program would read it, and the program it would start.
void readLaunchCommand(Diagnosis &d, const Inspection &inspection) {
  d.split = inspection.splitLaunchCommand(d.plan.launchCommand);
  if (d.split.empty())
    return;
  ProgramLookup lookup = inspection.findProgram(d.plan.launchCommand, d.split.front());
  d.split.front() = lookup.program;
  d.programPath = lookup.path;
  if (lookup.unquotedBlank)
    d.warnings.push_back("the program path is not inside quotation marks and holds a space: "
                         "a program planted at a shorter part of it (as C:\\Program.exe for "
                         "C:\\Program Files\\...) would start instead. Write the program "
                         "path in quotation marks in the template; where the value then begins "
                         "and ends with one, write it in one more pair, as in "
                         "default=\"\"C:\\Program Files\\x.exe\" \"%P\"\" (the settings "
                         "reader takes the outer pair off).");
  std::string opener = reopener(d.split);
  if (!opener.empty())
    d.warnings.push_back("the template starts " + opener +
                         ", which opens the file with its type's default program: where velmora "
                         "is that default (velmora-setup default or open-with), this starts "
                         "velmora again, until it stops after " +
                         std::to_string(kMostStartDepth) +
                         " starts in a row. Name the program that should open the file instead.");
  if (d.programPath.empty() && !lookup.notRunnable.empty())
    d.warnings.push_back("the program \"" + escapedText(lookup.notRunnable, d.codePage) +
                         "\" is there but cannot be run (it is not marked executable): nothing "
                         "would start. Make it executable (chmod +x) or name another program.");
  else if (d.programPath.empty())
    d.warnings.push_back("the program \"" + escapedText(d.split.front(), d.codePage) +
                         "\" cannot be found: nothing would start." +
                         shellWordsHint(d.split.front()));
}

} // namespace

bool Diagnosis::wouldLaunch() const {
  return plan.startsProcess() && !plan.launchCommand.empty() && !split.empty() &&
         !programPath.empty();
}

Diagnosis diagnose(const Platform &platform, const Inspection &inspection) {
  Diagnosis d;
  d.codePage = platform.text.ansiCodePage();
  d.plan = composeLaunchPlan(platform);
  const LaunchPlan &plan = d.plan;
  if (inspection.commandLineLostCharacters())
    d.warnings.push_back("the command line holds characters that code page " +
                         std::to_string(d.codePage) +
                         " cannot carry: velmora receives them as \"?\" or as look-alikes and "
                         "would hand the program another name. velmora-utf8.exe takes such names "
                         "as they are: use it for these files.");
  if (plan.uncarried) {
    d.warnings.push_back(uncarriedMessage(*plan.uncarried, d.codePage) +
                         ". velmora would end with status 1.");
    return d;
  }
  if (plan.tooDeep()) {
    d.warnings.push_back(tooDeepMessage(plan.startDepth) + ". velmora would end with status 1.");
    return d;
  }
  if (plan.argumentCount == 0) {
    d.warnings.push_back("velmora was given no argument: it reads nothing and starts nothing.");
    return d;
  }
  warnAboutSettings(d, inspection);
  d.keys = inspection.keySource();
  if (d.keys && !d.keys->advice.empty())
    d.warnings.push_back(d.keys->advice);
  const std::string &chosen = plan.templates.of(plan.slot);
  if (chosen.empty())
    d.warnings.push_back(std::string("the template for ") + modifierKey(plan.slot).description +
                         " (key \"" + modifierKey(plan.slot).settingsKey +
                         "\") is empty: nothing would start. "
                         "velmora does not fall back to \"default\".");
  warnAboutTemplate(d, chosen, plan.firstStage, plan.argumentPasses);
  if (plan.tooManyReplacements)
    d.warnings.push_back("the arguments bring in \"%O\" placeholders that the passes would have "
                         "to replace without measure: velmora stops there, and nothing would "
                         "start.");
  if (plan.tooLong)
    d.warnings.push_back("the launch command would be longer than process creation takes (" +
                         std::to_string(platform.process.launchCommandByteLimit()) +
                         " bytes at most): nothing would start.");
  if (!plan.launchCommand.empty())
    readLaunchCommand(d, inspection);
  return d;
}

namespace {

std::string shown(const std::string &text, uint32_t codePage) {
  std::string out(1, '"');
  out += escapedText(text, codePage);
  out += '"';
  return out;
}

const char *sourceText(SettingsSource source) {
  switch (source) {
  case SettingsSource::Option:
    return " (named by the /ini= argument)";
  case SettingsSource::None:
    return " (none: velmora reads no settings file)";
  case SettingsSource::UserFolder:
    return " (the settings folder's, as none lies next to the program)";
  case SettingsSource::NextToProgram:
    break;
  }
  return " (velmora.ini next to the program)";
}

} // namespace

std::string formatReport(const Diagnosis &d) {
  const LaunchPlan &plan = d.plan;
  std::string out =
      "code page: " + std::to_string(d.codePage) + (d.codePage == 65001 ? " (UTF-8)\n" : "\n");
  if (plan.argumentCount > 0) {
    for (size_t i = 0; i + 1 < plan.settings.looked.size(); ++i)
      out +=
          "looked for settings at " + shown(plan.settings.looked[i], d.codePage) + ": not there\n";
    out += "settings file: " + shown(plan.settings.path, d.codePage) +
           sourceText(plan.settings.source) + "\n";
    if (plan.settings.source != SettingsSource::None)
      out += "  read from " + escapedText(d.settings.where, d.codePage) + ": " +
             (!d.settings.exists    ? "missing"
              : d.settings.readable ? "readable"
                                    : "unreadable, " + d.settings.why) +
             "\n";
    out += "templates:\n";
    for (const ModifierKey &key : kModifierKeys) {
      std::string name = key.settingsKey;
      out += "  " + name + std::string(8 - name.size(), ' ') +
             shown(plan.templates.of(key.slot), d.codePage) + "\n";
    }
    out += "keys: " + (d.keys ? d.keys->description : std::string("--hold")) + "\n";
    out += std::string("held: ") + modifierKey(plan.slot).description + "\n";
    out += std::string("chosen: ") + modifierKey(plan.slot).settingsKey + " " +
           shown(plan.templates.of(plan.slot), d.codePage) + "\n";
    if (!plan.tooLong && !plan.tooManyReplacements)
      out += "launch command (" + std::to_string(plan.launchCommand.size()) +
             " bytes): " + shown(plan.launchCommand, d.codePage) + "\n";
    for (size_t i = 0; i < d.split.size(); ++i)
      out += (i == 0 ? std::string("  program:    ") : "  argument " + std::to_string(i) + ": ") +
             shown(d.split[i], d.codePage) +
             (i == 0 && !d.programPath.empty() ? " -> " + escapedText(d.programPath, d.codePage)
                                               : "") +
             "\n";
  }
  for (const std::string &warning : d.warnings)
    out += "warning: " + escapedText(warning, d.codePage) + "\n";
  out += d.wouldLaunch() ? "result: velmora would start this command\n"
                         : "result: nothing would start\n";
  return out;
}

} // namespace velmora
