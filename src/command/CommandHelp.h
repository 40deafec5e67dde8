// The help text of each command of the command language, as a front end
// without a help window shows it for "/?" (the console prints it): the
// words that call it, its arguments and each switch, and what it refuses.
// The GUI's help page (gui/help) says the same in prose.
#pragma once

#include "command/CCommandLine.h"

#include <string>

namespace vorlane::command {

// Lines ending in "\n"; "" for an id outside the table.
std::string CommandHelpText(CommandId id);

} // namespace vorlane::command
