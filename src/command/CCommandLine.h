// CCommandLine: one line of the command language, parsed and run.
//
//   CCommandLine line(host);
//   bool ok = line.Execute("copy *.txt D:\\BACKUP /n");
//
// The line is split into the command word (up to the first blank) and the
// argument text. The argument text is tokenized: blanks separate tokens; a
// token that starts with a double quote runs to the next double quote (or
// the end) and may hold blanks, and the character after its closing quote
// is skipped; quotes inside a token are not special. Every token is
// classified (CCommandArgument.h); an invalid token or a damaged zip file
// stops the parse with its message and nothing runs. Then the switches are
// moved to the front, the other arguments keeping their order (the first
// is the source, the second the target).
//
// Dispatch: a command word of the table (without regard to case) runs its
// executor, or opens its help when any argument is "/?"; a letter and a
// colon switches the active window to that drive; any other word starts a
// program or opens a document with the other tokens as its arguments,
// never through a shell.
//
// Every message is shown with the caption "Command Line" through the
// context's user interface. A line refused before its operation starts has
// changed nothing.
#pragma once

#include "command/CCommandArgument.h"
#include "command/CCommandHost.h"

#include <cstdarg>
#include <string>
#include <vector>

namespace vorlane::command {

// The executors, one per command name.
enum class CommandId {
    Attrib,
    Chdir,
    Copy,
    Delete,
    Describe,
    Dir,
    Label,
    Mkdir,
    Move,
    Rename,
    Rmdir,
    Touch,
    ZipToExe,
};

struct CommandEntry {
    const char* word; // as typed, matched without regard to case
    CommandId id;
    int helpContext;
};

// The command table in its order.
const std::vector<CommandEntry>& CommandTable();
// The entry of a word (without regard to case); null when it is no command.
const CommandEntry* FindCommand(const std::string& word);
// The upper-case name of an executor in the messages ("ATTRIB", "COPY",
// "ZipToExe").
const char* CommandName(CommandId id);

constexpr const char* kCommandLineCaption = "Command Line";

// The messages shared by every executor.
namespace msg {
constexpr const char* kIllegalArgument =
    "'%s' is an illegal argument! Please correct and issue command again.";
constexpr const char* kDamagedZip = "'%s' is a damaged zip file.";
constexpr const char* kInvalidParameter = "Parameter '%s' is invalid for command '%s'.";
constexpr const char* kInvalidSource =
    "Parameter '%s' is not a valid source parameter for command '%s'.";
constexpr const char* kInvalidTarget =
    "Parameter '%s' is not a valid target parameter for command '%s'.";
constexpr const char* kNoSource = "A source parameter was not specified for command '%s'!";
constexpr const char* kNoTarget = "A target parameter was not specified for command '%s'!";
constexpr const char* kNothingToDo = "Nothing specified to do with command '%s'!";
constexpr const char* kTooMany = "Too many parameters specified for command '%s'!";
constexpr const char* kUnknownParameter = "Unknown parameter '%s' for command '%s'!";
constexpr const char* kUnknownSwitch = "Unknown command switch '%s' for command '%s'!";
constexpr const char* kInvalidDrive = "Drive '%c' is an invalid drive!";
constexpr const char* kNoProgram = "No program or document has been specified!";
constexpr const char* kNoAssociation = "No program or association found for %s!\nError code = %d";
} // namespace msg

// The split of a line: the command word (trimmed of blanks) and the text
// after the blank that ends it.
void SplitCommandWord(const std::string& line, std::string* word, std::string* rest);
// The tokens of an argument text, quotes removed, by the rules above.
std::vector<std::string> Tokenize(const std::string& text);

class CCommandLine {
  public:
    explicit CCommandLine(CCommandHost& host);

    // Parses and runs one line; true when the command succeeded (an empty
    // line succeeds and does nothing).
    bool Execute(const std::string& line);

    // Tokenizes, classifies and orders the argument text (the list is
    // emptied first). False, the message shown, on an invalid token or a
    // damaged zip file.
    bool ParseArguments(const std::string& text);
    const std::vector<CCommandArgument>& Arguments() const { return m_arguments; }
    std::vector<CCommandArgument>& MutableArguments() { return m_arguments; }

    // --- for the executors ------------------------------------------------
    CCommandHost& Host() { return m_host; }
    // The context this line runs with (made once per line).
    ui::OperationContext& Context() { return m_context; }
    // Shows a message (printf format) with the caption "Command Line";
    // returns false, so an executor can end with `return Fail(...)`.
    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The files of a group word.
    std::vector<std::string> GroupFiles(const CCommandArgument& argument);

  private:
    bool Dispatch(const std::string& word, const std::string& rest);
    bool Launch(const std::string& word, const std::string& rest);

    CCommandHost& m_host;
    ui::OperationContext m_context;
    std::vector<CCommandArgument> m_arguments;
};

// Runs the executor of id on the parsed line (switches first).
bool RunExecutor(CommandId id, CCommandLine& line);

} // namespace vorlane::command
