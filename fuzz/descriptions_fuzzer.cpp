// Fuzz target of the DESCRIPT.ION reader: the input is the whole file. The
// entries read must be sorted, named, free of line breaks, and found again
// by name; the text written from them must read back as the same entries;
// and an entry added for a describable name must be found and keep the
// list sorted. Nothing may crash.
#include "descriptions/C4DosFileDescription.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vorlane::descriptions;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "descriptions fuzz: %s\n", what);
    std::abort();
}

void CheckEntries(const std::vector<C4DosFileDescription>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const C4DosFileDescription& entry = entries[i];
        if (entry.name.empty())
            Fail("an entry without a name");
        if (entry.name.find_first_of("\r\n") != std::string::npos ||
            entry.description.find_first_of("\r\n") != std::string::npos)
            Fail("a line break inside an entry");
        if (i > 0 && CompareNames(entries[i - 1].name, entry.name) > 0)
            Fail("the entries are not sorted");
        size_t found = FindDescription(entries, entry.name);
        if (found >= entries.size() || CompareNames(entries[found].name, entry.name) != 0)
            Fail("an entry is not found by its name");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<C4DosFileDescription> entries = ParseDescriptions(text);
    CheckEntries(entries);
    if (ParseDescriptions(FormatDescriptions(entries)) != entries)
        Fail("the written file reads back otherwise");

    // The input's first line as a name, as a rename or a copy would bring it.
    std::string name(text.substr(0, std::min(text.find('\n'), size_t{64})));
    if (CanDescribe(name)) {
        C4DosFileDescription added{name, WithoutLineBreaks(text.substr(0, 40))};
        InsertDescription(&entries, added);
        CheckEntries(entries);
        size_t found = FindDescription(entries, name);
        if (found >= entries.size() || CompareNames(entries[found].name, name) != 0)
            Fail("an added entry is not found");
        if (ParseDescriptions(FormatDescriptions(entries)) != entries)
            Fail("the file with the added entry reads back otherwise");
    }
    return 0;
}
