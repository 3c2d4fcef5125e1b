#include "setup/engine/setup_command.h"

namespace velmora {

namespace {

struct Named {
  Command command;
  const char *name;
};

constexpr Named kNames[] = {{Command::SendTo, "send-to"},  {Command::OpenWith, "open-with"},
                            {Command::Default, "default"}, {Command::ContextMenu, "context-menu"},
                            {Command::Links, "links"},     {Command::Status, "status"},
                            {Command::Repair, "repair"},   {Command::Remove, "remove"}};

} // namespace

std::string commandName(Command command) {
  for (const Named &named : kNames)
    if (named.command == command)
      return named.name;
  return "";
}

std::optional<Command> commandNamed(std::string_view name) {
  for (const Named &named : kNames)
    if (name == named.name)
      return named.command;
  return std::nullopt;
}

} // namespace velmora
