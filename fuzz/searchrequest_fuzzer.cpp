// Fuzz target of the search request file reader: arbitrary bytes as a
// request file. A request that reads whole must write the same bytes back
// (for a file of exactly the written length with NUL-padded operands), and
// whatever was read must match files without harm.
#include "search/CFileSearchRequest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vorlane::search;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CFileSearchRequest request;
    size_t failed = 0;
    bool ok = DecodeSearchRequest(bytes, nullptr, &request, &failed);
    if (request.Conditions().size() > CFileSearchRequest::kMaxConditions)
        std::abort();
    if (!ok && request.Conditions().size() != failed)
        std::abort();
    request.Matches({"README.TXT", 1500, 0x2345, 0x21});
    request.Matches({"", 0, 0, 0});
    if (ok) {
        std::string written;
        size_t bad = 0;
        if (!EncodeSearchRequest(request, &written, &bad))
            std::abort(); // everything read can be written
        CFileSearchRequest again;
        if (!DecodeSearchRequest(written, nullptr, &again, &bad) ||
            again.Conditions().size() != request.Conditions().size())
            std::abort();
        for (size_t i = 0; i < again.Conditions().size(); ++i)
            if (!(again.Conditions()[i] == request.Conditions()[i]))
                std::abort();
        for (const CFileSearchCondition& c : request.Conditions()) {
            CFileSearchCondition parsed;
            if (!ParseConditionSetting(FormatConditionSetting(c), nullptr, &parsed))
                std::abort();
        }
    }
    return 0;
}
