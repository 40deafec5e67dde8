// Fixture of the catalogue's zip tests (archive drives, zip directories,
// member records): the shared zip fixture (support/ZipFixture.h) with a
// catalogue environment whose view keeps every status text in order.
#pragma once

#include "catalogue/CatalogueServices.h"
#include "support/AllocationSeam.h"
#include "support/ZipFixture.h"
#include "zip/ZipEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vorlane::catalogue::testing {

using ::vorlane::test::AllocationFailed;
using ::vorlane::test::FailNthAllocation;
using ::vorlane::test::LiveHeapBytes;
using ::vorlane::test::PointPastEnd;
using ::vorlane::test::RandomBytes;

// A member record as the engine fills it.
inline zip::ZipItemRecord MakeRecord(const std::string& name, uint64_t uncompressed = 0,
                                     uint64_t compressed = 0, int method = 8,
                                     const char* date = "01-02-2020", const char* time = "10:20",
                                     uint32_t attributes = 0x20, uint32_t index = 0) {
    zip::ZipItemRecord r{};
    r.memberNumber = static_cast<uint16_t>(index);
    r.memberIndex = index;
    r.uncompressedSize = static_cast<uint32_t>(uncompressed);
    r.uncompressedHigh = static_cast<uint32_t>(uncompressed >> 32);
    r.compressedSize = static_cast<uint32_t>(compressed);
    r.compressedHigh = static_cast<uint32_t>(compressed >> 32);
    r.method = static_cast<uint16_t>(method);
    auto copy = [](char* field, size_t size, const std::string& text) {
        std::memcpy(field, text.data(), std::min(text.size(), size - 1));
    };
    // The engine fills the date field completely ("MM-DD-YYYY", no NUL).
    std::memcpy(r.dateText, date, std::min(std::strlen(date), sizeof r.dateText));
    copy(r.timeText, sizeof r.timeText, time);
    copy(r.pathName, sizeof r.pathName, name);
    r.attributes = attributes;
    return r;
}

// Keeps each status text as "<field>:<text>", in order.
class StatusTextView : public CCatalogueView {
  public:
    void SetStatusText(int field, const std::string& text, bool) override {
        statusTexts.push_back(std::to_string(field) + ":" + text);
    }
    void FileListChanged() override { ++fileListChanges; }
    std::vector<std::string> statusTexts;
    int fileListChanges = 0;
};

class ZipCatalogueTest : public ::vorlane::test::ZipTest {
  protected:
    ZipCatalogueTest() {
        m_env.view = &m_view;
        m_env.SetOptions(CCatalogueOptions{});
    }

    StatusTextView m_view;
    CCatalogueEnvironment m_env;
};

} // namespace vorlane::catalogue::testing
