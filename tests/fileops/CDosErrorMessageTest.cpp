// The error record: the program's own codes, the DOS error table and the
// one mapping from system errors.
#include "fileops/CDosErrorMessage.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

namespace vorlane::fileops {
namespace {

TEST(CDosErrorMessageTest, OwnAndTableTexts) {
    struct Case {
        bool own;
        int code;
        const char* text;
    } cases[] = {
        {true, -1, "User aborted!"},
        {true, -2, "Source and target files are the same!"},
        {true, -3, "Disk full!"},
        {true, -4, "New file name already exists as a unique file!"},
        {true, -5, "Unknown error code = -5"},
        {false, 0, ""},
        {false, 10, "0Ah - Environment invalid (usually >32K in length)."},
        {false, 40, "Unknown DOS error. Error code = 40"},
        {false, 72, "48h - Network print/disk redirection paused."},
        {false, 110, "6Eh - The system cannot open the device or file specified!"},
        {false, 182, "B6h - The operating system cannot run %1."},
        {false, 184, "Unknown DOS error. Error code = 184"},
        {false, 0x10002, "02h - File not found."}, // the low 16 bits
    };
    for (const Case& c : cases) {
        CDosErrorMessage error;
        EXPECT_FALSE(c.own ? error.SetOwn(c.code) : error.SetSystemCode(c.code));
        EXPECT_EQ(error.Message(), c.text) << c.code;
    }
}

TEST(CDosErrorMessageTest, TheWholeTableIsThereAndEachTextCarriesItsCode) {
    int known = 0;
    for (int code = 1; code < 0x10000; ++code) {
        std::string text = CDosErrorMessage::TextOfDosCode(code);
        if (text.rfind("Unknown DOS error", 0) == 0)
            continue;
        ++known;
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02Xh - ", code);
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    }
    EXPECT_EQ(known, 93); // 1-39, 50-90, 110-114, 123, 125, 144, 145, 148, 161, 182, 183
}

TEST(CDosErrorMessageTest, SystemErrorsGoThroughTheOneMapping) {
    struct Case {
        int errnoValue;
        const char* text;
    } cases[] = {{ENOSPC, "70h - There is not enough space on the disk."},
                 {EACCES, "05h - Access denied."},
                 {EXDEV, "11h - Not same device."},
                 {ENAMETOOLONG, "6Fh - The filename is too long."}};
    for (const Case& c : cases) {
        platform::SysError err;
        platform::SetError(&err, c.errnoValue, "Cannot open", "/x");
        CDosErrorMessage error;
        EXPECT_FALSE(error.Set(err));
        EXPECT_EQ(error.Message(), c.text);
        EXPECT_EQ(error.Detail(), err.message);
    }
    // A host path too long reads as a name too long; a failure without a
    // code is still a failure.
    platform::SysError tooLong;
    platform::SetDosError(&tooLong, platform::kDosFilenameExceedRange, "too long");
    CDosErrorMessage error;
    error.Set(tooLong);
    EXPECT_EQ(error.Message(), "6Fh - The filename is too long.");
    error.Set(platform::SysError{});
    EXPECT_EQ(error.Message(), "1Fh - General failure.");
    error.Reset();
    EXPECT_EQ(error.Code(), 0);
    EXPECT_EQ(error.Message(), "");
}

} // namespace
} // namespace vorlane::fileops
