// What velmora-setup was asked to do, read from its arguments.
#ifndef VELMORA_SETUP_ENGINE_SETUP_OPTIONS_H
#define VELMORA_SETUP_ENGINE_SETUP_OPTIONS_H

#include "setup/engine/setup_command.h"
#include "text/ascii_case.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Exit statuses shared by every command.
enum SetupStatus { kSetupDone = 0, kSetupFailed = 1, kSetupUsage = 2 };

struct SetupOptions {
  Command command = Command::None; // None with --help, or when none is given or known
  std::vector<std::string> types;  // open-with and default: the types as given
  std::string name;                // --name
  std::string program;             // --program
  std::string ini;                 // --ini
  bool help = false;
  bool version = false;
  std::string error; // a usage error, in one line; empty when the arguments make sense
};

// What a system offers: the commands it knows, those that take types, and the options each
// command accepts ("--name", "--program", "--ini").
struct SetupGrammar {
  std::vector<Command> commands;
  std::vector<Command> typedCommands;
  std::vector<std::pair<Command, std::vector<std::string>>> options;
};

// Reads the arguments after the program's own name, in UTF-8. Options take their value as the
// next argument or after '='; "--" ends the options.
SetupOptions parseSetupOptions(const std::vector<std::string> &arguments,
                               const SetupGrammar &grammar);

// The messages every command ends with: a usage error, in one line that points at --help
// (status 2), or one line saying why the work could not be done (status 1).
int reportUsage(const std::string &why, const char *help, std::string &out);
int reportFailure(const std::string &why, std::string &out);
// Answers --help, --version or a usage error; no value when the command is to run.
std::optional<int> answerHelpOrError(const SetupOptions &options, const char *help,
                                     std::string &out);

} // namespace velmora

#endif
