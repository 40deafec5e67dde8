// Fuzz target of the file set string parser and the file-types expansion.
//
// Input: lines separated by "\n". The first line is a file-types string;
// every later line "name=definition" is a stored file set the expansion
// may reach (so chains and cycles of sets come from the input too). Every
// definition is parsed and written back; what is written must read back
// the same, and an expansion must stay within its bounds.
#include "search/CFileSearchRequest.h"
#include "search/FileSets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

using namespace vorlane::search;

class FuzzSets : public CFileSetLookup {
  public:
    std::map<std::string, std::string> sets;
    std::optional<std::string> Definition(const std::string& name) const override {
        auto it = sets.find(name);
        if (it == sets.end())
            return std::nullopt;
        return it->second;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t end = input.find('\n');
    std::string_view types = input.substr(0, end);
    FuzzSets sets;
    while (end != std::string_view::npos) {
        size_t start = end + 1;
        end = input.find('\n', start);
        std::string_view line =
            input.substr(start, end == std::string_view::npos ? end : end - start);
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string name(line.substr(0, eq));
        std::string definition(line.substr(eq + 1));
        std::vector<WildcardEntry> entries;
        std::string error;
        if (ParseFileSetDefinition(definition, name, &entries, &error)) {
            // Entries holding "~" cannot be written back; the editor refuses them.
            bool writable = true;
            for (const WildcardEntry& e : entries)
                writable =
                    writable && e.wildcard.find('~') == std::string::npos && !e.wildcard.empty();
            std::vector<WildcardEntry> again;
            if (writable &&
                (!ParseFileSetDefinition(FormatFileSetDefinition(entries), name, &again, &error) ||
                 again != entries))
                std::abort();
        } else if (error.empty()) {
            std::abort();
        }
        sets.sets[name] = definition;
    }

    std::vector<std::string> expanded;
    std::string bad, error;
    bool ok = ExpandFileTypes(types, &sets, &expanded, &bad, &error);
    if (expanded.size() > kMaxExpandedEntries || (!ok && error.empty()))
        std::abort();
    CFileSelector selector(expanded);
    selector.Selects("README");
    selector.Selects(types);
    CFileSearchCondition condition(kFieldFilename, kOpEqual, std::string(types), &sets);
    if (condition.ParseError().empty() != ok)
        std::abort();
    CWildcardList list;
    size_t row = 0;
    list.Add(std::string(types), true, &row);
    return 0;
}
