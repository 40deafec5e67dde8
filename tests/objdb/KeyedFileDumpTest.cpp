// The dump: a sound file through the engine, a damaged one from its bytes.
#include "objdb/KeyedFileDump.h"
#include "objdb/CObjectDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlane::objdb {
namespace {

using vorlane::test::TempDir;

TEST(KeyedFileDumpTest, ShowsHeaderRecordsAndBlocksOfSoundAndDamagedFiles) {
    TempDir dir;
    std::string path = dir / "VORLN32.DAT";
    {
        CObjectDatabase db;
        ASSERT_TRUE(db.Open(path, true, 30000));
        ASSERT_TRUE(db.PutString(3, "Pictures", "*.bmp"));
        ASSERT_TRUE(db.PutObject(5, "c:\\a\x01.bmp", "\x89PNG", 4));
    }
    KeyedFileDumpOptions options;
    options.blocks = true;
    options.data = true;
    std::ostringstream out;
    EXPECT_EQ(DumpKeyedFile(path, options, out), 0);
    std::string text = out.str();
    for (const char* expected :
         {"magic VALIDAT1", "byte order little-endian", "records of index 1: 2",
          "kind 0003 \"Pictures\": 6 bytes", "2a 2e 62 6d 70 00", "kind 0005 \"c:\\a\\x01.bmp\"",
          "block 0: header shadow", "leaf, 2 entries", "record data of \"0003Pictures\""})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    // A file the engine refuses is dumped from its bytes.
    std::string bytes = vorlane::test::ReadFile(path);
    bytes.resize(bytes.size() - 1024); // cut off the last block
    vorlane::test::WriteFile(path, bytes);
    std::ostringstream damaged;
    EXPECT_EQ(DumpKeyedFile(path, options, damaged), 1);
    EXPECT_NE(damaged.str().find("the engine refuses it"), std::string::npos) << damaged.str();
    EXPECT_NE(damaged.str().find("kind 0003 \"Pictures\""), std::string::npos) << damaged.str();

    std::ostringstream none;
    EXPECT_EQ(DumpKeyedFile(dir / "missing", options, none), 2);
    vorlane::test::WriteFile(dir / "tiny", "abc");
    EXPECT_EQ(DumpKeyedFile(dir / "tiny", options, none), 2);
}

} // namespace
} // namespace vorlane::objdb
