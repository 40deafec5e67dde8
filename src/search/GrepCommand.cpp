#include "search/GrepCommand.h"

#include "search/CTextSearch.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace vorlane::search {

namespace {

constexpr int kExitMatched = 0;
constexpr int kExitNoMatch = 1;
constexpr int kExitError = 2;

const char kUsage[] = "Usage: vorlane --grep [-i] [-F] [-c] [-q] PATTERN FILE...\n"
                      "Prints the lines of each FILE that contain a match for PATTERN.\n"
                      "  -i  ignore the case of the letters a-z\n"
                      "  -F  PATTERN is plain text: every character stands for itself\n"
                      "  -c  print only the number of matching lines of each file\n"
                      "  -q  print nothing; the exit status tells whether a line matched\n"
                      "FILE - is the standard input.\n"
                      "PATTERN: . any character, ^ line start (first), $ line end (last),\n"
                      "  * and + repeat the preceding element zero/one or more times,\n"
                      "  [abc] [a-z] [^0-9] sets, \\ makes the next character a literal.\n"
                      "Exit status: 0 a line matched, 1 no line matched, 2 an error.\n";

} // namespace

int GrepMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    bool ignoreCase = false;
    bool countOnly = false;
    bool quiet = false;
    PatternMode mode = PatternMode::kRegularExpression;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help") {
            out << kUsage;
            return kExitMatched;
        }
        for (size_t k = 1; k < arg.size(); ++k) {
            switch (arg[k]) {
            case 'i':
                ignoreCase = true;
                break;
            case 'F':
                mode = PatternMode::kPlainText;
                break;
            case 'c':
                countOnly = true;
                break;
            case 'q':
                quiet = true;
                break;
            case 'h':
                out << kUsage;
                return kExitMatched;
            default:
                err << "vorlane --grep: unknown option '-" << arg[k] << "'\n" << kUsage;
                return kExitError;
            }
        }
    }
    if (operands.size() < 2) {
        err << "vorlane --grep: a PATTERN and at least one FILE are needed\n" << kUsage;
        return kExitError;
    }
    const std::string& pattern = operands[0];
    CTextSearch search;
    std::string message;
    if (!search.CheckPattern(pattern, mode, &message)) {
        err << "vorlane --grep: " << message << "\n";
        return kExitError;
    }

    const bool several = operands.size() > 2;
    bool matched = false;
    bool failed = false;
    for (size_t f = 1; f < operands.size(); ++f) {
        const std::string& file = operands[f];
        std::ostream* report = quiet || countOnly ? nullptr : &out;
        bool found;
        if (file == "-")
            found = search.SearchDescriptor(STDIN_FILENO, "(standard input)", pattern, mode,
                                            ignoreCase, report);
        else
            found = search.Search(file, pattern, mode, ignoreCase, report);
        matched = matched || found;
        if (!search.ErrorText().empty()) {
            err << "vorlane --grep: " << search.ErrorText() << "\n";
            failed = true;
        }
        if (countOnly && !quiet && (search.ErrorText().empty() || search.LinesFound() > 0)) {
            if (several)
                out << (file == "-" ? "(standard input)" : file) << ":";
            out << search.LinesFound() << "\n";
        }
        if (quiet && matched)
            return kExitMatched;
    }
    out.flush();
    if (!out) {
        err << "vorlane --grep: cannot write the output\n";
        return kExitError;
    }
    if (failed)
        return kExitError;
    return matched ? kExitMatched : kExitNoMatch;
}

} // namespace vorlane::search
