#include "setup/engine/setup_options.h"

#include <algorithm>

namespace velmora {

namespace {

template <typename T> bool contains(const std::vector<T> &list, const T &item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

const std::vector<std::string> *optionsOf(const SetupGrammar &grammar, Command command) {
  for (const auto &[name, options] : grammar.options)
    if (name == command)
      return &options;
  return nullptr;
}

// Keeps the first usage error: it is the one the user made first.
void fail(SetupOptions &result, std::string error) {
  if (result.error.empty())
    result.error = std::move(error);
}

// Reads the option at `i` ("--name=x" or "--name x"); returns the index of its last word.
size_t readOption(const std::vector<std::string> &arguments, size_t i, SetupOptions &result) {
  const std::string &argument = arguments[i];
  size_t equals = argument.find('=');
  std::string option = argument.substr(0, equals);
  std::string *field = option == "--name"      ? &result.name
                       : option == "--program" ? &result.program
                       : option == "--ini"     ? &result.ini
                                               : nullptr;
  if (field == nullptr) {
    fail(result, "unknown option " + option);
    return i;
  }
  std::string value;
  if (equals != std::string::npos) {
    value = argument.substr(equals + 1);
  } else if (i + 1 < arguments.size()) {
    value = arguments[++i];
  } else {
    fail(result, option + " needs a value");
    return i;
  }
  if (value.empty())
    fail(result, option + " needs a value");
  *field = value;
  return i;
}

// What the words say together: a command, the types it needs, only the options it takes.
void checkCommand(SetupOptions &result, const SetupGrammar &grammar) {
  if (result.command == Command::None) {
    fail(result, "no command given");
    return;
  }
  std::string name = commandName(result.command);
  if (contains(grammar.typedCommands, result.command) && result.types.empty())
    fail(result, name + " needs at least one type");
  const std::vector<std::string> *accepted = optionsOf(grammar, result.command);
  for (const auto &[option, value] :
       {std::pair{"--name", &result.name}, std::pair{"--program", &result.program},
        std::pair{"--ini", &result.ini}})
    if (!value->empty() && (accepted == nullptr || !contains(*accepted, std::string(option))))
      fail(result, name + " takes no " + option);
}

} // namespace

SetupOptions parseSetupOptions(const std::vector<std::string> &arguments,
                               const SetupGrammar &grammar) {
  SetupOptions result;
  bool optionsEnded = false;
  bool named = false; // the first word that is no option names the command
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded &&
               (argument == "--help" || argument == "-h" || argument == "/?" || argument == "-?")) {
      result.help = true;
    } else if (!optionsEnded && argument == "--version") {
      result.version = true;
    } else if (!optionsEnded && argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      i = readOption(arguments, i, result);
    } else if (!named) {
      std::optional<Command> command = commandNamed(argument);
      if (!command || !contains(grammar.commands, *command))
        fail(result, "unknown command \"" + argument + "\"");
      result.command = command.value_or(Command::None);
      named = true;
    } else if (contains(grammar.typedCommands, result.command)) {
      result.types.push_back(argument);
    } else {
      fail(result, commandName(result.command) + " takes no argument \"" + argument + "\"");
    }
  }
  if (!result.help && !result.version && result.error.empty())
    checkCommand(result, grammar);
  return result;
}

int reportUsage(const std::string &why, const char *, std::string &out) {
  out += "velmora-setup: " + why + " (try velmora-setup --help)\n";
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
  if (options.version) {
    out += "velmora-setup " VELMORA_VERSION "\n" VELMORA_LICENCE "\n";
    return kSetupDone;
  }
  if (!options.error.empty())
    return reportUsage(options.error, help, out);
  return std::nullopt;
}

} // namespace velmora
