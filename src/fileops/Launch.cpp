#include "fileops/Launch.h"

#include "platform/DosPath.h"
#include "platform/Launcher.h"
#include "platform/ProgramDirs.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"

#include <cctype>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

constexpr const char* kFileMarker = "%file%";

bool IsDosFullPath(const std::string& word) {
    return word.size() >= 3 && std::isalpha(static_cast<unsigned char>(word[0])) &&
           word[1] == ':' && word[2] == '\\';
}

// A full DOS path of a mapped drive as its host path; anything else as given.
std::string HostWord(const std::string& word, const platform::DriveMap& drives) {
    std::string host;
    if (IsDosFullPath(word) && platform::DosToHost(word, &host, nullptr, drives))
        return host;
    return word;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The file or program named by the first word, started with args.
int Start(const std::string& file, const std::vector<std::string>& args, const std::string& workDir,
          platform::SysError* err) {
    std::string path = file;
    if (path[0] != '/' && !workDir.empty())
        path = platform::JoinHostPath(workDir, file);
    // A name with a slash, or a file of that name in the working directory,
    // is that file; a bare name is a program of $PATH.
    if (file.find('/') != std::string::npos || (!workDir.empty() && Exists(path)))
        return platform::LaunchFile(path, args, workDir, err);
    return platform::LaunchProgram(file, args, workDir, err);
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < commandLine.size();) {
        const char c = commandLine[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            size_t n = 0;
            while (i + n < commandLine.size() && commandLine[i + n] == '\\')
                ++n;
            if (i + n < commandLine.size() && commandLine[i + n] == '"') {
                word.append(n / 2, '\\');
                if (n % 2 == 1) {
                    word += '"';
                    i += n + 1;
                } else {
                    i += n; // the quote acts below
                }
            } else {
                word.append(n, '\\');
                i += n;
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
                word += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word += c;
        ++i;
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string QuoteCommandWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos)
        return word;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
        } else {
            // Backslashes before a quote are doubled, and the quote escaped.
            if (c == '"')
                quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        quoted += c;
    }
    // Backslashes before the closing quote are doubled too.
    quoted.append(backslashes, '\\');
    return quoted + "\"";
}

bool Launch(const ui::OperationContext& context, const LaunchRequest& request) {
    std::vector<std::string> words =
        request.argv.empty() ? SplitCommandLine(request.commandLine) : request.argv;
    if (words.empty() || words[0].empty()) {
        context.Ui().Message(kNoProgramText);
        return false;
    }
    const std::string shownName = words[0];
    for (std::string& word : words)
        word = HostWord(word, context.Drives());
    const std::string workDir = HostWord(request.workDirectory, context.Drives());
    const std::vector<std::string> args(words.begin() + 1, words.end());

    const bool minimized = request.minimizeOwner && request.owner != nullptr;
    if (minimized)
        request.owner->Minimize();
    platform::SysError err;
    const int result = Start(words[0], args, workDir, &err);
    if (result >= 32)
        return true;
    if (minimized)
        request.owner->Restore();
    context.Ui().Message(ui::FormatText(kNoAssociationFormat, shownName.c_str(), result));
    return false;
}

LaunchRequest MakeEditRequest(const EditorSettings& settings, const EditTarget& file) {
    // The words are the request: commandLine stays empty, so an Edit left
    // with no word says that nothing was specified.
    LaunchRequest request;
    std::vector<std::string> words = SplitCommandLine(settings.commandLine);
    size_t markedWord = words.size();
    for (size_t i = 0; i < words.size() && markedWord == words.size(); ++i)
        if (words[i].find(kFileMarker) != std::string::npos)
            markedWord = i;
    if (markedWord == words.size()) {
        request.argv = std::move(words);
        request.workDirectory =
            settings.workDirectory.empty() ? file.directory : settings.workDirectory;
        return request;
    }
    std::string replacement;
    if (!settings.workDirectory.empty()) {
        replacement = file.fullPath;
        request.workDirectory = settings.workDirectory;
    } else {
        replacement = platform::FileArgument(file.name, file.directory);
        request.workDirectory = file.directory;
    }
    std::string& word = words[markedWord];
    if (replacement.empty() && word == kFileMarker)
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(markedWord));
    else
        word.replace(word.find(kFileMarker), std::char_traits<char>::length(kFileMarker),
                     replacement);
    request.argv = std::move(words);
    return request;
}

std::string EditorFallbackText(const std::string& missing, const std::string& used,
                               const std::string& source) {
    return "The editor program '" + missing + "' was not found, so files are edited with '" + used +
           "' (" + (source == "$VISUAL" ? "from $VISUAL" : "the desktop's text editor") +
           ").\n\nAnother editor can be chosen in Options, General Settings, Editor.";
}

bool Edit(const ui::OperationContext& context, const EditorSettings& settings,
          const EditTarget& file, LaunchOwner* owner, bool minimizeOwner,
          EditorFallbackState& fallback, const platform::XdgDirectories& xdg) {
    if (settings.useInternalEditor) {
        context.Ui().Message(kInternalEditorText);
        return false;
    }
    LaunchRequest request = MakeEditRequest(settings, file);
    request.owner = owner;
    request.minimizeOwner = minimizeOwner;
    if (!request.argv.empty() && !request.argv[0].empty()) {
        const std::string program = HostWord(request.argv[0], context.Drives());
        const std::string workDir = HostWord(request.workDirectory, context.Drives());
        std::string relative = platform::JoinHostPath(workDir, program);
        const bool exists =
            !platform::FindProgramPath(program, workDir).empty() ||
            (program.find('/') == std::string::npos && !workDir.empty() && Exists(relative));
        std::string source;
        std::vector<std::string> editor;
        if (!exists && !(editor = platform::FallbackTextEditor(xdg, &source)).empty()) {
            if (!fallback.told) {
                fallback.told = true;
                context.Ui().Message(EditorFallbackText(request.argv[0], editor[0], source), "Edit",
                                     ui::Buttons::Ok, ui::Icon::Information);
            }
            request.argv.erase(request.argv.begin());
            request.argv.insert(request.argv.begin(), editor.begin(), editor.end());
        }
    }
    return Launch(context, request);
}

} // namespace vorlane::fileops
