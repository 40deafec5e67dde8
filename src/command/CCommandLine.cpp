#include "command/CCommandLine.h"

#include "platform/DosPath.h"
#include "platform/FileSystem.h"
#include "platform/Launcher.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"

#include <algorithm>

namespace vorlane::command {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

// --- the host's defaults ------------------------------------------------

ui::JobResult CCommandHost::RunJob(ui::Job& job, ui::OperationContext& context) {
    return ui::RunJobNow(job, context);
}

bool CCommandHost::ConfirmDangerous(const std::string& text, const std::string& caption) {
    return Context().Ui().AskYesNo(text, caption);
}

int CCommandHost::Launch(const std::string& hostFile, bool existingFile,
                         const std::vector<std::string>& args, const std::string& workDir) {
    if (existingFile)
        return platform::LaunchFile(hostFile, args, workDir);
    return platform::LaunchProgram(hostFile, args, workDir);
}

int CCommandHost::ReadSettingInt(const std::string&, const std::string&, int def) {
    return def;
}

std::string CCommandHost::ReadSettingString(const std::string&, const std::string&) {
    return "";
}

const platform::MountTable& CCommandHost::Mounts() {
    static const platform::SystemMountTable system;
    return system;
}

// --- the table ------------------------------------------------------------

const std::vector<CommandEntry>& CommandTable() {
    static const std::vector<CommandEntry> table = {
        {"attrib", CommandId::Attrib, 24341}, {"chdir", CommandId::Chdir, 24340},
        {"cd", CommandId::Chdir, 24340},      {"copy", CommandId::Copy, 24339},
        {"del", CommandId::Delete, 24338},    {"describe", CommandId::Describe, 24337},
        {"dir", CommandId::Dir, 24336},       {"erase", CommandId::Delete, 24338},
        {"label", CommandId::Label, 24335},   {"mkdir", CommandId::Mkdir, 24334},
        {"md", CommandId::Mkdir, 24334},      {"move", CommandId::Move, 24333},
        {"rename", CommandId::Rename, 24332}, {"ren", CommandId::Rename, 24332},
        {"rmdir", CommandId::Rmdir, 24331},   {"rd", CommandId::Rmdir, 24331},
        {"Touch", CommandId::Touch, 24363},   {"ZipToExe", CommandId::ZipToExe, 24364},
    };
    return table;
}

const CommandEntry* FindCommand(const std::string& word) {
    for (const CommandEntry& entry : CommandTable())
        if (platform::NamesEqual(entry.word, word))
            return &entry;
    return nullptr;
}

const char* CommandName(CommandId id) {
    switch (id) {
    case CommandId::Attrib:
        return "ATTRIB";
    case CommandId::Chdir:
        return "CHDIR";
    case CommandId::Copy:
        return "COPY";
    case CommandId::Delete:
        return "DELETE";
    case CommandId::Describe:
        return "DESCRIBE";
    case CommandId::Dir:
        return "DIR";
    case CommandId::Label:
        return "LABEL";
    case CommandId::Mkdir:
        return "MKDIR";
    case CommandId::Move:
        return "MOVE";
    case CommandId::Rename:
        return "RENAME";
    case CommandId::Rmdir:
        return "RMDIR";
    case CommandId::Touch:
        return "TOUCH";
    case CommandId::ZipToExe:
        return "ZipToExe";
    }
    return "";
}

// --- splitting and tokenizing -------------------------------------------

void SplitCommandWord(const std::string& line, std::string* word, std::string* rest) {
    size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin]))
        ++begin;
    size_t end = begin;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    *word = line.substr(begin, end - begin);
    *rest = end < line.size() ? line.substr(end + 1) : "";
}

std::vector<std::string> Tokenize(const std::string& text) {
    std::vector<std::string> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos >= text.size())
            break;
        if (text[pos] == '"') {
            size_t close = text.find('"', pos + 1);
            if (close == std::string::npos) {
                tokens.push_back(text.substr(pos + 1));
                break;
            }
            tokens.push_back(text.substr(pos + 1, close - pos - 1));
            // The closing quote and the character after it.
            pos = close + 2;
        } else {
            size_t end = pos;
            while (end < text.size() && !IsBlank(text[end]))
                ++end;
            tokens.push_back(text.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    return tokens;
}

// --- the line ---------------------------------------------------------------

CCommandLine::CCommandLine(CCommandHost& host) : m_host(host), m_context(host.Context()) {}

bool CCommandLine::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = ui::VFormatText(format, args);
    va_end(args);
    m_context.Ui().Message(ui::LimitMessageText(text), kCommandLineCaption, ui::Buttons::Ok,
                           ui::Icon::Error);
    return false;
}

std::vector<std::string> CCommandLine::GroupFiles(const CCommandArgument& argument) {
    return m_host.GroupFiles(argument.Group());
}

bool CCommandLine::ParseArguments(const std::string& text) {
    m_arguments.clear();
    ClassifyContext classify{&m_context.Drives(), m_context.currentDirectory};
    for (const std::string& token : Tokenize(text)) {
        CCommandArgument argument = ClassifyArgument(token, classify);
        if (argument.cls == kArgInvalid) {
            m_arguments.clear();
            return Fail(msg::kIllegalArgument, token.c_str());
        }
        if (argument.cls == kArgDamagedZip) {
            m_arguments.clear();
            return Fail(msg::kDamagedZip, token.c_str());
        }
        m_arguments.push_back(std::move(argument));
    }
    std::stable_partition(m_arguments.begin(), m_arguments.end(),
                          [](const CCommandArgument& a) { return a.cls == kArgSwitch; });
    return true;
}

bool CCommandLine::Execute(const std::string& line) {
    std::string word, rest;
    SplitCommandWord(line, &word, &rest);
    if (word.empty())
        return true;
    return Dispatch(word, rest);
}

bool CCommandLine::Dispatch(const std::string& word, const std::string& rest) {
    if (const CommandEntry* entry = FindCommand(word)) {
        if (!ParseArguments(rest))
            return false;
        for (const CCommandArgument& a : m_arguments)
            if (a.cls == kArgHelp) {
                m_host.ShowHelp(entry->helpContext);
                return true;
            }
        return RunExecutor(entry->id, *this);
    }
    if (word.size() == 2 && word[1] == ':' && IsLetter(word[0])) {
        char letter = static_cast<char>(word[0] & ~0x20);
        if (m_context.Drives().Root(letter).empty())
            return Fail(msg::kInvalidDrive, letter);
        m_host.SwitchDrive(letter);
        return true;
    }
    return Launch(word, rest);
}

bool CCommandLine::Launch(const std::string& word, const std::string& rest) {
    std::vector<std::string> args = Tokenize(rest);
    std::string workDir;
    platform::DosToHost(m_context.currentDirectory, &workDir, nullptr, m_context.Drives());
    // The word names a file when it is found as a DOS path (below the
    // working directory or full); otherwise it is a program for the
    // search path, passed as typed.
    std::string hostFile = word;
    bool existing = false;
    if (word.find('\0') == std::string::npos) {
        std::string full = MakeFullDosPath(word, m_context.currentDirectory);
        std::string host;
        platform::FileEntry entry;
        if (!full.empty() && platform::DosToHost(full, &host, nullptr, m_context.Drives()) &&
            platform::StatEntry(host, &entry) && !entry.isDirectory) {
            hostFile = host;
            existing = true;
        }
    }
    if (hostFile.empty() || hostFile.find('\0') != std::string::npos)
        return Fail("%s", msg::kNoProgram);
    int result = m_host.Launch(hostFile, existing, args, workDir);
    if (result >= 32)
        return true;
    return Fail(msg::kNoAssociation, word.c_str(), result);
}

} // namespace vorlane::command
