#include "check/diagnosis.h"

#include "check/settings_lint.h"
#include "check/template_lint.h"

#include "platform/platform.h"
#include "text/argument_list.h"
#include "text/ascii_case.h"
#include "text/escaped_text.h"
#include "text/text_routines.h"
#include "text/web_link.h"

namespace velmora {
namespace {

// How to make the settings file that is not there: from the example installed beside the
// program where there is one (on Linux, <prefix>/share/velmora), else by hand.
std::string settingsFix(const Platform &platform, const std::string &path, uint32_t codePage) {
  std::string write =
      "Write one: a line [Path], then a template, as in default=" +
      std::string(platform.text.pathSyntax().separator == '/'
                      ? "gedit \"%P\""
                      : "notepad.exe \"%P\" (the zip's velmora.ini is an example)") +
      ".";
  std::optional<std::string> own = ArgumentList(platform.command, platform.text).ownPath();
  if (platform.text.pathSyntax().separator != '/' || !own)
    return write;
  std::string prefix = own->substr(0, own->find_last_of('/'));
  prefix = prefix.substr(0, prefix.find_last_of('/'));
  std::string example = prefix + "/share/velmora/velmora-linux.ini";
  if (!platform.settings.fileExists(example))
    return write;
  auto quoted = [codePage](const std::string &text) {
    std::string shell;
    for (char c : escapedText(text, codePage))
      shell += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return "'" + shell + "'";
  };
  return "Start from the example: mkdir -p " + quoted(path.substr(0, path.find_last_of('/'))) +
         " && cp " + quoted(example) + " " + quoted(path) + ", then edit it.";
}

SettingsLint warnAboutSettings(Diagnosis &d, const Platform &platform,
                               const Inspection &inspection) {
  const LaunchPlan &plan = d.plan;
  if (!plan.settings.note.empty())
    d.warnings.push_back(plan.settings.note);
  if (plan.settings.source == SettingsSource::None)
    return {};
  d.settings = inspection.fileStatus(plan.settings.path);
  if (!d.settings.exists)
    d.warnings.push_back("the settings file " + escapedText(d.settings.where, d.codePage) +
                         " does not exist: every template is empty. " +
                         settingsFix(platform, d.settings.where, d.codePage));
  else if (!d.settings.readable)
    d.warnings.push_back("the settings file " + escapedText(d.settings.where, d.codePage) +
                         " cannot be read (" + d.settings.why + "): every template is empty.");
  if (d.settings.bytes.empty())
    return {};
  SettingsLint lint = lintSettings(d.settings.bytes, plan.templates);
  for (Finding &finding : lint.findings) {
    d.warnings.push_back("settings file, " + finding.shown());
    d.findings.push_back(std::move(finding));
  }
  return lint;
}

// Every template, as if its key were held; the one velmora chose gives the report its command.
void checkTemplates(Diagnosis &d, const Platform &platform, const Inspection &inspection,
                    const SettingsLint &lint) {
  for (const ModifierKey &key : kModifierKeys) {
    if (d.plan.templates.of(key.slot).empty())
      continue;
    auto slot = static_cast<size_t>(key.slot);
    TemplateCheck check =
        checkTemplate(platform, inspection, key.slot, {lint.lines[slot], lint.outerQuotes[slot]});
    if (key.slot == d.plan.slot) {
      d.split = std::move(check.split);
      d.programPath = std::move(check.programPath);
    }
    for (Finding &finding : check.findings) {
      d.warnings.push_back(finding.shown());
      d.findings.push_back(std::move(finding));
    }
  }
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
  SettingsLint lint = warnAboutSettings(d, platform, inspection);
  d.keys = inspection.keySource();
  if (d.keys && !d.keys->advice.empty())
    d.warnings.push_back(d.keys->advice);
  const std::string &chosen = plan.templates.of(plan.slot);
  if (chosen.empty())
    d.warnings.push_back(std::string("the template for ") + modifierKey(plan.slot).description +
                         " (key \"" + modifierKey(plan.slot).settingsKey +
                         "\") is empty: nothing would start. "
                         "velmora does not fall back to \"default\".");
  checkTemplates(d, platform, inspection, lint);
  return d;
}

namespace {

// A template between brackets that no template can close early: its own are escaped, and so
// are the quotation marks the settings reader may have left at its ends.
std::string bracketed(const std::string &text, uint32_t codePage) {
  return "[" + escapedText(text, codePage, "[]") + "]";
}

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
    out += "target: " + shown(plan.target, d.codePage) +
           (isLink(plan.target) ? " (a link: %P hands it on as it stands, %D gives the text up "
                                  "to its last separator)\n"
                                : "\n");
    out += "templates:\n";
    for (const ModifierKey &key : kModifierKeys) {
      std::string name = key.settingsKey;
      out += "  " + name + ":" + std::string(8 - name.size(), ' ') +
             bracketed(plan.templates.of(key.slot), d.codePage) + "\n";
    }
    out += "keys: " + (d.keys ? d.keys->description : std::string("--hold")) + "\n";
    out += std::string("held: ") + modifierKey(plan.slot).description + "\n";
    out += std::string("chosen: ") + modifierKey(plan.slot).settingsKey + " " +
           bracketed(plan.templates.of(plan.slot), d.codePage) + "\n";
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
