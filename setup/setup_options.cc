#include "setup/setup_options.h"

#include <algorithm>

namespace velmora {

namespace {

bool contains(const std::vector<std::string> &list, const std::string &item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

const std::vector<std::string> *optionsOf(const SetupGrammar &grammar, const std::string &command) {
  for (const auto &[name, options] : grammar.options)
    if (name == command)
      return &options;
  return nullptr;
}

} // namespace

SetupOptions parseSetupOptions(const std::vector<std::string> &arguments,
                               const SetupGrammar &grammar) {
  SetupOptions result;
  auto fail = [&result](std::string error) {
    if (result.error.empty())
      result.error = std::move(error);
  };
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (argument == "--help" || argument == "-h" || argument == "/?")) {
      result.help = true;
      continue;
    }
    if (!optionsEnded && argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      size_t equals = argument.find('=');
      std::string option = argument.substr(0, equals);
      std::string *field = option == "--name"      ? &result.name
                           : option == "--program" ? &result.program
                           : option == "--ini"     ? &result.ini
                                                   : nullptr;
      if (field == nullptr) {
        fail("unknown option " + option);
        continue;
      }
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        fail(option + " needs a value");
        continue;
      }
      if (value.empty())
        fail(option + " needs a value");
      *field = value;
      continue;
    }
    if (result.command.empty()) {
      if (!contains(grammar.commands, argument))
        fail("unknown command \"" + argument + "\"");
      result.command = argument;
    } else if (contains(grammar.typedCommands, result.command)) {
      result.types.push_back(argument);
    } else {
      fail(result.command + " takes no argument \"" + argument + "\"");
    }
  }
  if (result.help || !result.error.empty())
    return result;
  if (result.command.empty()) {
    fail("no command given");
    return result;
  }
  if (contains(grammar.typedCommands, result.command) && result.types.empty())
    fail(result.command + " needs at least one type");
  const std::vector<std::string> *accepted = optionsOf(grammar, result.command);
  for (const auto &[option, value] :
       {std::pair{"--name", &result.name}, std::pair{"--program", &result.program},
        std::pair{"--ini", &result.ini}})
    if (!value->empty() && (accepted == nullptr || !contains(*accepted, option)))
      fail(result.command + " takes no " + option);
  return result;
}

int reportUsage(const std::string &why, const char *help, std::string &out) {
  out += "velmora-setup: " + why + "\n\n" + help;
  return kSetupUsage;
}

int reportFailure(const std::string &why, std::string &out) {
  out += "velmora-setup: " + why + "\n";
  return kSetupFailed;
}

std::optional<int> answerHelpOrError(const SetupOptions &options, const char *help,
                                     std::string &out) {
  if (options.help) {
    out += help;
    return kSetupDone;
  }
  if (!options.error.empty())
    return reportUsage(options.error, help, out);
  return std::nullopt;
}

std::string asciiLower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

} // namespace velmora
