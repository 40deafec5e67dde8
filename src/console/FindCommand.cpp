#include "console/FindCommand.h"

#include "command/CCommandArgument.h"
#include "platform/DosPath.h"
#include "search/CFileFinder.h"

#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

namespace vorlane::console {

namespace {

constexpr int kExitFound = 0;
constexpr int kExitNothing = 1;
constexpr int kExitError = 2;

const char kUsage[] =
    "Usage: vorlane --find DOSPATH [--name WILDCARDS] [--containing TEXT] [-i] [--regex]\n"
    "                [--size SIZE] [--date DATE] [--attrib ATTRIBUTES] [-0]\n"
    "Prints the DOS path of every file below DOSPATH (C:\\DOCS) that matches.\n"
    "  --name WILDCARDS   file types: wildcards and [file set] names separated by ';',\n"
    "                     '-' excludes (-*.BAK;*.*); the first that matches decides\n"
    "  --containing TEXT  only files with a line holding TEXT\n"
    "  -i                 ignore the case of the letters a-z in TEXT\n"
    "  --regex            TEXT is a pattern, as vorlane --grep takes it\n"
    "  --size [OP]N[K|M|G]  size in KB (rounded up), M and G multiply: --size \">1M\"\n"
    "  --date [OP]YYYY-MM-DD  day of the last write (MM/DD/YYYY too): --date \">=2026-01-01\"\n"
    "  --attrib +LETTERS-LETTERS  A H R S: '+' has all of them, '-' none: --attrib \"+r-h\"\n"
    "  -0                 end each path with a NUL byte instead of a line end\n"
    "OP is = != > >= < <= (= when left out); --size, --date and --attrib may repeat.\n"
    "Links are listed as themselves and never followed; FIFOs and devices are skipped.\n"
    "Exit status: 0 a file was found, 1 none was, 2 an error.\n";

// The operator at the start of operand (removed from it); kOpEqual when none.
int32_t TakeOperator(std::string_view* operand) {
    struct Prefix {
        const char* text;
        int32_t op;
    };
    static const Prefix kPrefixes[] = {
        {"!=", search::kOpNotEqual},  {"<>", search::kOpNotEqual}, {">=", search::kOpGreaterEqual},
        {"<=", search::kOpLessEqual}, {"=", search::kOpEqual},     {">", search::kOpGreater},
        {"<", search::kOpLess},
    };
    for (const Prefix& p : kPrefixes) {
        if (operand->substr(0, std::string_view(p.text).size()) == p.text) {
            operand->remove_prefix(std::string_view(p.text).size());
            return p.op;
        }
    }
    return search::kOpEqual;
}

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool Add(search::CFileSearchRequest* request, int32_t field, int32_t op, std::string operand,
         std::string* error) {
    if (request->AddCondition(search::CFileSearchCondition(field, op, std::move(operand))))
        return true;
    *error = "too many conditions (at most " +
             std::to_string(search::CFileSearchRequest::kMaxConditions) + ")";
    return false;
}

} // namespace

bool AddSizeCondition(const std::string& operand, search::CFileSearchRequest* request,
                      std::string* error) {
    std::string_view text = operand;
    const int32_t op = TakeOperator(&text);
    uint64_t factor = 1;
    if (!text.empty()) {
        switch (std::toupper(static_cast<unsigned char>(text.back()))) {
        case 'K':
            text.remove_suffix(1);
            break;
        case 'M':
            factor = 1024;
            text.remove_suffix(1);
            break;
        case 'G':
            factor = 1024 * 1024;
            text.remove_suffix(1);
            break;
        default:
            break;
        }
    }
    // A request holds sizes as 32-bit kilobytes.
    if (!AllDigits(text) || text.size() > 9 ||
        std::stoull(std::string(text)) * factor > 0x7FFFFFFFull) {
        *error = "bad size '" + operand + "' (use [OP]N[K|M|G], e.g. \">1M\")";
        return false;
    }
    return Add(request, search::kFieldSize, op,
               std::to_string(std::stoull(std::string(text)) * factor), error);
}

bool AddDateCondition(const std::string& operand, search::CFileSearchRequest* request,
                      std::string* error) {
    std::string_view text = operand;
    const int32_t op = TakeOperator(&text);
    std::string month, day, year;
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        year = text.substr(0, 4), month = text.substr(5, 2), day = text.substr(8, 2);
    } else if (text.size() == 10 && text[2] == '/' && text[5] == '/') {
        month = text.substr(0, 2), day = text.substr(3, 2), year = text.substr(6, 4);
    }
    const bool valid = AllDigits(year) && AllDigits(month) && AllDigits(day) &&
                       std::stoi(month) >= 1 && std::stoi(month) <= 12 && std::stoi(day) >= 1 &&
                       std::stoi(day) <= 31;
    if (!valid) {
        *error = "bad date '" + operand + "' (use [OP]YYYY-MM-DD, e.g. \">=2026-01-01\")";
        return false;
    }
    return Add(request, search::kFieldDate, op, month + "/" + day + "/" + year, error);
}

bool AddAttributeConditions(const std::string& operand, search::CFileSearchRequest* request,
                            std::string* error) {
    bool has = true;
    bool any = false;
    for (char c : operand) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == '+' || c == '-') {
            has = c == '+';
        } else if (upper == 'A' || upper == 'H' || upper == 'R' || upper == 'S') {
            if (!Add(request, search::kFieldAttributes,
                     has ? search::kOpEqual : search::kOpNotEqual, std::string(1, upper), error))
                return false;
            any = true;
        } else {
            any = false;
            break;
        }
    }
    if (!any) {
        *error =
            "bad attributes '" + operand + "' (use letters A H R S after + or -, e.g. \"+r-h\")";
        return false;
    }
    return true;
}

int FindMain(int argc, char** argv, std::ostream& out, std::ostream& err,
             const platform::DriveMap& drives, const search::CFileSetLookup* sets) {
    search::FindParameters parameters;
    parameters.sets = sets;
    std::vector<std::string> operands;
    char terminator = '\n';
    std::string error;
    auto fail = [&err](const std::string& message) {
        err << "vorlane --find: " << message << '\n';
        return kExitError;
    };
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc)
                return false;
            *into = argv[++i];
            return true;
        };
        std::string operand;
        if (arg == "--help") {
            out << kUsage;
            return kExitFound;
        } else if (arg == "-i") {
            parameters.ignoreCase = true;
        } else if (arg == "--regex") {
            parameters.mode = search::PatternMode::kRegularExpression;
        } else if (arg == "-0") {
            terminator = '\0';
        } else if (arg == "--name") {
            if (!value(&parameters.fileTypes))
                return fail("--name needs WILDCARDS");
        } else if (arg == "--containing") {
            if (!value(&parameters.containing) || parameters.containing.empty())
                return fail("--containing needs TEXT");
        } else if (arg == "--size" || arg == "--date" || arg == "--attrib") {
            if (!value(&operand))
                return fail(arg + " needs an operand");
            const bool added =
                arg == "--size"   ? AddSizeCondition(operand, &parameters.request, &error)
                : arg == "--date" ? AddDateCondition(operand, &parameters.request, &error)
                                  : AddAttributeConditions(operand, &parameters.request, &error);
            if (!added)
                return fail(error);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option '" + arg + "'. Try 'vorlane --find --help'.");
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() != 1)
        return fail("give one DOSPATH (C:\\DIR). Try 'vorlane --find --help'.");
    const std::string dosRoot = command::MakeFullDosPath(operands[0], "");
    if (dosRoot.empty())
        return fail("'" + operands[0] + "' is no DOS path with a drive (C:\\DIR)");
    std::string prefix;
    if (!search::ResolveFindRoot(dosRoot, drives, &parameters.hostRoot, &prefix, &error))
        return fail(operands[0] + ": " + error);

    search::CFileFinder finder;
    if (!finder.Prepare(parameters, &error))
        return fail(error);
    std::string line;
    const bool ran = finder.Run(
        [&](const std::string& relative) {
            line = search::FoundDosPath(prefix, relative);
            line += terminator;
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        },
        nullptr, &error);
    if (!ran)
        return fail(error);
    const search::FindSummary& summary = finder.Summary();
    if (summary.unreadable != 0)
        err << "vorlane --find: " << summary.unreadable
            << " directories or files could not be read (" << summary.firstError << ")\n";
    return summary.found != 0 ? kExitFound : kExitNothing;
}

} // namespace vorlane::console
