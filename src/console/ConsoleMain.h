// The entry of the vorlane executable: picks a mode from the first option
// and runs it.
//
//   vorlane --version   prints "Vorlane 3.72"
//   vorlane --console   the console front end (command prompt on the terminal;
//                       piped input runs as a batch)
//   vorlane -c "LINE"   one line of the command language; exit 0 ok, 1 failed
//   --yes, --keep-going before the mode: answer Yes To All; a batch goes on
//                       after a failure
//   vorlane --help      the options
//   vorlane             the console front end (the GUI takes this over once it exists)
//
// Modes are one table in ConsoleMain.cpp: a new mode is one line there.
#pragma once

namespace vorlane::console {

// Returns the process exit code.
int Main(int argc, char** argv);

// The console front end on the process's standard streams.
int RunConsole(int argc, char** argv);

} // namespace vorlane::console
