// velmora-setup's commands; a registration's kind is the command that made it.
#ifndef VELMORA_SETUP_ENGINE_SETUP_COMMAND_H
#define VELMORA_SETUP_ENGINE_SETUP_COMMAND_H

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

enum class Command { None, SendTo, OpenWith, Default, ContextMenu, Links, Status, Repair, Remove };

// The command's word on the command line and in the records: "open-with", ...; "" for None.
std::string commandName(Command command);
std::optional<Command> commandNamed(std::string_view name);

} // namespace velmora

#endif
