// The zip tests' own helpers beside the shared fixture (support/
// ZipFixture.h): archives made byte by byte with any member name, and the
// shared helpers under the names the tests use.
#pragma once

#include "support/AllocationSeam.h"
#include "support/ZipFixture.h"
#include "zip/ZipEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::zip::testing {

using ::vorlane::test::AllocationFailed;
using ::vorlane::test::FailNthAllocation;
using ::vorlane::test::LiveHeapBytes;
using ::vorlane::test::PointPastEnd;
using ::vorlane::test::RandomBytes;
using ::vorlane::test::ZipTest;

// A member of RawArchive: stored, with the host of "version made by"
// (0x031E Unix, 0x0014 DOS) and the general purpose flags (0x0800: UTF-8).
struct RawMember {
    std::string name; // the bytes of the name, as stored
    std::string text;
    uint16_t madeBy = 0x031E;
    uint16_t flags = 0;
};
constexpr uint16_t kRawMadeByDos = 0x0014;
// An archive made byte by byte, for names no archiver on this host writes
// (ZipTestSupport.cpp).
std::string RawArchive(const std::vector<RawMember>& members);

} // namespace vorlane::zip::testing
