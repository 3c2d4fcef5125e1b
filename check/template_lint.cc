#include "check/template_lint.h"

#include "check/checked_roles.h"
#include "launcher/placeholders.h"
#include "text/ascii_case.h"
#include "text/escaped_text.h"
#include "text/text_routines.h"

#include <cctype>

namespace velmora {
namespace {

bool isNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
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

class TemplateLinter {
public:
  TemplateLinter(const Platform &platform, ModifierSlot slot, const TemplateSource &source,
                 TemplateCheck &check)
      : platform_(platform), slot_(slot), source_(source), check_(check),
        codePage_(platform.text.ansiCodePage()) {}

  void add(FindingKind kind, std::string text) {
    check_.findings.push_back({kind, source_.line, slot_, std::move(text)});
  }

  // The '%' words that velmora leaves as they stand.
  void placeholders(const std::string &text) {
    for (const Placeholder &p : scanPlaceholders(text)) {
      std::string written(p.written);
      if (p.kind == PlaceholderKind::NoNumber)
        add(FindingKind::NumberlessArgument,
            written + " without a number stays as written: the arguments are %O1, %O2, ...");
      else if (p.kind == PlaceholderKind::InsideCharacter && isNameByte(written[1]))
        add(FindingKind::PercentInsideCharacter,
            "the '%' of " + escapedText(written, codePage_) +
                " is the second byte of a double-byte character, so velmora fills nothing "
                "there and leaves it as written.");
      else if (p.kind == PlaceholderKind::Other)
        otherPercent(text, p);
    }
  }

  // How the target and the arguments fill the template.
  void filling(const std::string &chosen, const FirstStage &stage, int32_t passes) {
    bool directory = stage.placeholder[1] == 'D';
    for (const Placeholder &p : scanPlaceholders(chosen)) {
      std::string name(p.written);
      bool filled =
          p.kind == PlaceholderKind::Directory || (p.kind == PlaceholderKind::Path && !directory);
      // The reader's own trap, told once: what it left of the value is no quoting mistake.
      if (filled && holdsBlank(stage.text) && !insideQuotes(chosen, p.offset) &&
          !source_.outerQuotes)
        add(FindingKind::UnquotedPlaceholder,
            name + " is not inside quotation marks, and its text \"" +
                escapedText(stage.text, codePage_) +
                "\" holds a space: the program will see several arguments. Write \"" + name +
                "\" in the template.");
      if (p.kind == PlaceholderKind::Argument)
        argument(name, std::string(p.digits), passes);
    }
  }

  void launchCommand(const Inspection &inspection);

private:
  void otherPercent(const std::string &text, const Placeholder &p) {
    char next = p.written[1];
    size_t end = p.offset + 1;
    while (end < text.size() && isNameByte(text[end]))
      ++end;
    std::string two(p.written);
    if (end < text.size() && text[end] == '%' && end - p.offset > 2)
      add(FindingKind::EnvironmentVariable,
          text.substr(p.offset, end - p.offset) +
              "% stays as written: velmora expands no environment variables. Write the folder "
              "itself.");
    else if (std::string_view("FfUu1Ll").find(next) != std::string_view::npos)
      add(FindingKind::ForeignPlaceholder,
          two + " is no placeholder of velmora's and stays as written: the file is %P (write "
                "\"%P\" where its path may hold a space).");
    else if (isNameByte(next) || next == '*' || next == '~')
      add(FindingKind::UnknownPlaceholder,
          two + " is no placeholder of velmora's and stays as written (velmora knows %P, %D "
                "and %O1, %O2, ...).");
  }

  // The expansion's own reading: which pass takes it, and what it leaves.
  void argument(const std::string &name, const std::string &digits, int32_t passes) {
    std::string taken = decimalText(passTaking(digits, 0, passes));
    if (taken != "0" && taken.size() < digits.size())
      add(FindingKind::ArgumentReadShorter,
          name + " is read as %O" + taken + " followed by \"" + digits.substr(taken.size()) +
              "\": placeholders are filled in ascending order, and %O" + taken + " comes first.");
    else if (taken == "0")
      add(FindingKind::ArgumentMissing,
          name + " has no argument to take (there " +
              (passes == 1 ? std::string("is 1 argument")
                           : "are " + std::to_string(passes) + " arguments") +
              " between the settings option and the target), so it stays in the command as "
              "written.");
  }

  void program(const ProgramLookup &lookup);
  void opener();

  const Platform &platform_;
  ModifierSlot slot_;
  TemplateSource source_;
  TemplateCheck &check_;
  uint32_t codePage_;
};

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

// The program's name without its folder and ".exe", in lower case, and its arguments so.
struct ProgramWords {
  std::string program;
  std::vector<std::string> arguments;
};

ProgramWords programWords(const std::vector<std::string> &split) {
  ProgramWords words{asciiLower(split.front().substr(split.front().find_last_of("/\\") + 1)), {}};
  if (words.program.size() > 4 && words.program.compare(words.program.size() - 4, 4, ".exe") == 0)
    words.program.resize(words.program.size() - 4);
  for (size_t i = 1; i < split.size(); ++i)
    words.arguments.push_back(asciiLower(split[i]));
  words.arguments.resize(std::max<size_t>(words.arguments.size(), 2));
  return words;
}

// What opens the file it is given with the file type's default program.
std::string opensWithDefault(const ProgramWords &w) {
  const std::string &first = w.arguments[0];
  if (w.program == "xdg-open" || w.program == "kde-open" || w.program == "gnome-open" ||
      w.program == "exo-open")
    return w.program;
  if (w.program == "gio" && first == "open")
    return "gio open";
  // "/select," and "/e," show the file's folder; a bare "explorer.exe" opens the file.
  if (w.program == "explorer" && first.rfind("/select", 0) != 0 && first.rfind("/e,", 0) != 0)
    return "explorer";
  if (w.program == "cmd" && first == "/c" && w.arguments[1] == "start")
    return "cmd /c start";
  if (w.program == "rundll32" && first == "url.dll,fileprotocolhandler")
    return "rundll32 url.dll,FileProtocolHandler";
  return "";
}

void TemplateLinter::opener() {
  ProgramWords words = programWords(check_.split);
  std::string rounds = std::to_string(kMostStartDepth);
  if (words.program == "velmora" || words.program == "velmora-utf8") {
    add(FindingKind::StartsItself,
        "the template starts velmora itself, which starts the template again, until velmora "
        "stops after " +
            rounds + " starts in a row. Name the program that should open the file instead.");
    return;
  }
  // Given the file's folder, an opener opens the folder, which is no loop.
  bool file = check_.plan.firstStage.placeholder[1] == 'P';
  std::string which = opensWithDefault(words);
  if (which.empty() || !file)
    return;
  bool onLinux = platform_.text.pathSyntax().separator == '/';
  add(FindingKind::Opener,
      "the template starts " + which +
          ", which opens the file with its type's default program: where velmora is that "
          "default (" +
          (onLinux ? std::string("as velmora-setup default makes it")
                   : "as \"Always use this app\" under \"Open with\" makes it") +
          "), this starts velmora again, until it stops after " + rounds +
          " starts in a row. Name the program that should open the file instead.");
}

void TemplateLinter::program(const ProgramLookup &lookup) {
  if (lookup.unquotedBlank && !source_.outerQuotes)
    add(FindingKind::UnquotedProgram,
        "the program path is not inside quotation marks and holds a space: a program planted "
        "at a shorter part of it (as C:\\Program.exe for C:\\Program Files\\...) would start "
        "instead. Write the program path in quotation marks in the template; where the value "
        "then begins and ends with one, write it in one more pair, as in "
        "default=\"\"C:\\Program Files\\x.exe\" \"%P\"\" (the settings reader takes the outer "
        "pair off).");
  if (check_.programPath.empty() && !lookup.notRunnable.empty())
    add(FindingKind::ProgramNotRunnable,
        "the program \"" + escapedText(lookup.notRunnable, codePage_) +
            "\" is there but cannot be run (it is not marked executable): nothing would start. "
            "Make it executable (chmod +x) or name another program.");
  else if (check_.programPath.empty())
    add(FindingKind::ProgramMissing,
        "the program \"" + escapedText(check_.split.front(), codePage_) +
            "\" cannot be found: nothing would start." + shellWordsHint(check_.split.front()));
}

// The launch command as the started program would read it, and the program it would start.
void TemplateLinter::launchCommand(const Inspection &inspection) {
  const LaunchPlan &plan = check_.plan;
  if (plan.tooManyReplacements)
    add(FindingKind::TooManyReplacements,
        "the arguments bring in \"%O\" placeholders that the passes would have to replace "
        "without measure: velmora stops there, and nothing would start.");
  if (plan.tooLong)
    add(FindingKind::TooLong, "the launch command would be longer than process creation takes (" +
                                  std::to_string(platform_.process.launchCommandByteLimit()) +
                                  " bytes at most): nothing would start.");
  if (plan.launchCommand.empty())
    return;
  check_.split = inspection.splitLaunchCommand(plan.launchCommand);
  if (check_.split.empty())
    return;
  ProgramLookup lookup = inspection.findProgram(plan.launchCommand, check_.split.front());
  check_.split.front() = lookup.program;
  check_.programPath = lookup.path;
  opener();
  program(lookup);
}

} // namespace

TemplateCheck checkTemplate(const Platform &platform, const Inspection &inspection,
                            ModifierSlot slot, const TemplateSource &source) {
  TemplateCheck check;
  CheckedKeyState held(platform.keys, slot);
  check.plan = composeLaunchPlan(
      {platform.command, platform.text, platform.settings, held, platform.process});
  const std::string &text = check.plan.templates.of(slot);
  TemplateLinter linter(platform, slot, source, check);
  linter.placeholders(text);
  linter.filling(text, check.plan.firstStage, check.plan.argumentPasses);
  linter.launchCommand(inspection);
  return check;
}

} // namespace velmora
