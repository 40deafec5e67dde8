// The keyed record file's operations and status codes: the header a new
// file gets, the positioning rule of find, the key types, record sizes,
// access, and the codes for bad arguments.
#include "objdb/CKeyedFile.h"
#include "KeyedFileTestUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace vorlane::objdb {
namespace {

using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

using test::WordLE;

uint32_t WordBE(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
           uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

class KeyedFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name = "file.dat") { return m_dir / name; }
    // Creates a file with string keys and opens it with flush mode 0.
    void CreateOpen(CKeyedFile& file, const std::string& path) {
        ASSERT_EQ(file.Create(path, 'E', 1), kKfSuccess) << file.LastErrorDetail();
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    }
    void Add(CKeyedFile& file, const std::string& key, const std::string& data) {
        ASSERT_EQ(file.Add(1, key, 0, data.data(), data.size()), kKfSuccess) << key;
    }

    TempDir m_dir;
};

TEST_F(KeyedFileTest, CreateWritesTheHeaderFrameAndNothingElse) {
    CKeyedFile file;
    ASSERT_EQ(file.Create(Path(), 'E', 1), kKfSuccess);
    EXPECT_EQ(file.First(1, nullptr, 0), kKfNotFound);
    ASSERT_EQ(file.Close(), kKfSuccess);
    std::string bytes = ReadFile(Path());
    ASSERT_EQ(bytes.size(), 1024u);
    // The format word, "VALIDAT1" a letter a word with the byte order, root
    // and allocation words between, the block count, the journal words (no
    // journal, no commits yet), the comment length, and the words at 340 and
    // 344 (the checksum), all ones until the first commit.
    const std::pair<size_t, uint32_t> words[] = {
        {0, 1},    {4, 'V'},         {8, 1},  {12, 0},   {16, 'A'}, {20, 'L'},        {24, 'I'},
        {28, 1},   {32, 'D'},        {36, 1}, {40, 'A'}, {44, 1},   {48, 'T'},        {52, 0},
        {56, '1'}, {60, 0xFFFFFFFF}, {64, 0}, {68, 0},   {72, 0},   {340, 0xFFFFFFFF}};
    for (const auto& [offset, value] : words)
        EXPECT_EQ(WordLE(bytes, offset), value) << "word at " << offset;
    EXPECT_EQ(WordLE(bytes, 344), 0xFFFFFFFFu);
    for (size_t i = 192; i < 214; ++i)
        EXPECT_EQ(uint8_t(bytes[i]), i == 212 ? 2 : 0) << "key type byte " << i;
    for (size_t i = 218; i < 340; ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    for (size_t i = 348; i < 1024; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    ASSERT_EQ(file.Open(Path(), 'E', 2), kKfSuccess);
    EXPECT_EQ(file.First(1, nullptr, 0), kKfNotFound);
    EXPECT_EQ(file.Last(1, nullptr, 0), kKfNotFound);
    EXPECT_EQ(file.Find(1, "x", 0, nullptr, 0), kKfNotFound);
    EXPECT_TRUE(file.Check().empty());
}

TEST_F(KeyedFileTest, CreateAndOpenRefuseWhatTheyCannotUse) {
    struct Case {
        const char* name;
        int mode;
        std::vector<KeyDescriptor> keys;
        int32_t status;
    };
    const Case cases[] = {
        {"mode 0", 0, {}, kKfBadMode},
        {"mode 4", 4, {}, kKfBadMode},
        {"index 16", 1, {{16, kKeyString}}, kKfIndexTooHigh},
        {"index 0", 1, {{0, kKeyString}}, kKfBadIndex},
        {"key type 21", 1, {{2, 21}}, kKfBadKeyType},
        {"compound key type", 1, {{2, kKeyCompound}}, kKfBadKeyType},
        {"key type 12", 1, {{2, 12}}, kKfBadKeyType},
        {"existing file", 1, {}, kKfFileExists},
    };
    for (const Case& c : cases) {
        if (c.status == kKfFileExists)
            WriteFile(Path(c.name), "precious");
        CKeyedFile file;
        EXPECT_EQ(file.Create(Path(c.name), 'E', c.mode, &c.keys), c.status) << c.name;
        EXPECT_FALSE(file.IsOpen()) << c.name;
        if (c.status == kKfFileExists)
            EXPECT_EQ(ReadFile(Path(c.name)), "precious");
        else
            EXPECT_FALSE(vorlane::test::FileExists(Path(c.name))) << c.name;
    }
    // Files that are not keyed files are refused at open: see the corruption
    // tests; these cannot be opened at all.
    CKeyedFile file;
    EXPECT_EQ(file.Open(Path("missing"), 'E', 2), kKfCannotOpen);
    EXPECT_EQ(file.Open(m_dir.path(), 'E', 0), kKfCannotOpen);
    EXPECT_EQ(file.First(1, nullptr, 0), kKfNotOpen);
}

TEST_F(KeyedFileTest, FindPositionsOnTheNextGreaterKey) {
    CKeyedFile file;
    CreateOpen(file, Path());
    Add(file, "0005X", "x");
    Add(file, "0003B", "b");
    Add(file, "0003A", "a");
    auto all = test::ReadAll(file);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].first, "0003A");
    EXPECT_EQ(all[1].first, "0003B");
    EXPECT_EQ(all[2].first, "0005X");

    char buffer[16] = {};
    EXPECT_EQ(file.Find(1, "0003B", 0, buffer, sizeof buffer), kKfSuccess);
    EXPECT_EQ(std::string(buffer), "b");
    // 0003b sorts after 0003B (case-sensitive byte order), before 0005X.
    int32_t between = file.Find(1, "0003b", 0, buffer, sizeof buffer);
    EXPECT_NE(between, kKfSuccess);
    EXPECT_NE(between, kKfNotFound);
    EXPECT_GT(between, 0);
    EXPECT_EQ(file.CurrentKey(), "0005X");
    EXPECT_EQ(file.CurrentLength(), 1u);
    EXPECT_EQ(std::string(buffer), "x");
    EXPECT_EQ(file.Previous(1, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.CurrentKey(), "0003B");
    EXPECT_EQ(file.Find(1, "0009", 0, nullptr, 0), kKfNotFound);
    // Past the end, previous gives the last key; before the start, next the first.
    EXPECT_EQ(file.Previous(1, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.CurrentKey(), "0005X");
    EXPECT_EQ(file.First(1, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.Previous(1, nullptr, 0), kKfNotFound);
    EXPECT_EQ(file.Next(1, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.CurrentKey(), "0003A");
    EXPECT_EQ(file.Last(1, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.Next(1, nullptr, 0), kKfNotFound);
    EXPECT_EQ(file.Next(1, nullptr, 0), kKfNotFound);
    // Find copies at most the capacity given.
    Add(file, "k", "0123456789");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(file.Find(1, "k", 0, buffer, 4), kKfSuccess);
    EXPECT_EQ(std::string(buffer, 8), "0123####");
    EXPECT_EQ(file.CurrentLength(), 10u);
}

// Each call's status, in order: arguments are checked before anything
// changes, and adds, updates and deletes report what they found.
TEST_F(KeyedFileTest, OperationsAndArgumentChecksGiveTheirCodes) {
    CKeyedFile file;
    CreateOpen(file, Path());
    std::string longest(241, 'k'), tooLong(242, 'k'), big(30000, 'z'), tooBig(30001, 'y');
    big[0] = 'a';
    big[29999] = 'q';
    struct Case {
        const char* name;
        int32_t status;
        int32_t expected;
    };
    const Case cases[] = {
        {"add a", file.Add(1, "a", 0, "1", 1), kKfSuccess},
        {"add a again", file.Add(1, "a", 0, "2", 1), kKfKeyExists},
        {"update absent b", file.Update(1, "b", 0, "2", 1), kKfNotFound},
        {"delete absent b", file.Delete(1, "b", 0), kKfNotFound},
        {"update a longer", file.Update(1, "a", 0, "longer data", 11), kKfSuccess},
        {"update a shorter", file.Update(1, "a", 0, "s", 1), kKfSuccess},
        {"add empty record", file.Add(1, "empty", 0, "", 0), kKfSuccess},
        {"add 30000 bytes", file.Add(1, "big", 0, big.data(), big.size()), kKfSuccess},
        {"add 30001 bytes", file.Add(1, "huge", 0, tooBig.data(), tooBig.size()), kKfRecordTooLong},
        {"update to 30001 bytes", file.Update(1, "big", 0, tooBig.data(), tooBig.size()),
         kKfRecordTooLong},
        {"null data with a length", file.Add(1, "null", 0, nullptr, 5), kKfBadArgument},
        {"null data without", file.Add(1, "null", 0, nullptr, 0), kKfSuccess},
        {"add index 0", file.Add(0, "k", 0, "d", 1), kKfBadIndex},
        {"add index 21", file.Add(21, "k", 0, "d", 1), kKfBadIndex},
        {"find index 0", file.Find(0, "k", 0, nullptr, 0), kKfBadIndex},
        {"first index 21", file.First(21, nullptr, 0), kKfBadIndex},
        {"next index -1", file.Next(-1, nullptr, 0), kKfBadIndex},
        {"delete index 99", file.Delete(99, "k", 0), kKfBadIndex},
        {"key of 242 characters", file.Add(1, tooLong, 0, "d", 1), kKfBadKey},
        {"key of 241 characters", file.Add(1, longest, 0, "d", 1), kKfSuccess},
        {"key with an inner NUL", file.Add(1, std::string("a\0b", 3), 0, "d", 1), kKfBadKey},
        {"key with a trailing NUL", file.Add(1, std::string("ab\0", 3), 0, "d", 1), kKfSuccess},
        {"flush mode 5", file.SetFlushMode(5), -1}, // the value callers test for
        {"flush mode -1", file.SetFlushMode(-1), -1},
        {"cache 20 buffers", file.SetCache(20), kKfSuccess},
        {"cache 0 buffers", file.SetCache(0), kKfSuccess},
        {"open while open", file.Open(Path(), 'E', 2), kKfAlreadyOpen},
        {"create while open", file.Create(Path("other"), 'E', 1), kKfAlreadyOpen},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.status, c.expected) << c.name;
    EXPECT_EQ(file.Find(1, "ab", 0, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.CurrentKey(), "ab");
    EXPECT_TRUE(file.Check().empty());
    ASSERT_EQ(file.Close(), kKfSuccess);
    ASSERT_EQ(file.Open(Path(), 'E', 2), kKfSuccess);
    std::string data;
    for (const auto& [key, expected] : {std::pair<const char*, std::string>{"a", "s"},
                                        {"big", big},
                                        {"empty", ""},
                                        {"null", ""}}) {
        ASSERT_EQ(file.Find(1, key, 0, nullptr, 0), kKfSuccess) << key;
        ASSERT_EQ(file.ReadCurrent(&data), kKfSuccess);
        EXPECT_EQ(data, expected) << key;
    }
    EXPECT_NE(file.Find(1, "huge", 0, nullptr, 0), kKfSuccess);
    EXPECT_EQ(file.Delete(1, "a", 0), kKfSuccess);
    EXPECT_EQ(file.Find(1, "a", 0, nullptr, 0), 1) << "gone: the next key is found";
    EXPECT_EQ(file.CurrentKey(), "ab");
}

TEST_F(KeyedFileTest, ClosedHandleAnswersNotOpen) {
    CKeyedFile file;
    CreateOpen(file, Path());
    ASSERT_EQ(file.Close(), kKfSuccess);
    const int32_t results[] = {
        file.Close(),
        file.SetFlushMode(0),
        file.SetCache(4),
        file.Flush(),
        file.Add(1, "k", 0, "d", 1),
        file.Update(1, "k", 0, "d", 1),
        file.Delete(1, "k", 0),
        file.Find(1, "k", 0, nullptr, 0),
        file.First(1, nullptr, 0),
        file.Last(1, nullptr, 0),
        file.Next(1, nullptr, 0),
        file.Previous(1, nullptr, 0),
    };
    for (size_t i = 0; i < std::size(results); ++i)
        EXPECT_EQ(results[i], kKfNotOpen) << "operation " << i;
}

TEST_F(KeyedFileTest, KeyTypesOrderTheirKeys) {
    auto i32 = [](int32_t v) { return std::string(reinterpret_cast<char*>(&v), 4); };
    auto i16 = [](int16_t v) { return std::string(reinterpret_cast<char*>(&v), 2); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<char*>(&v), 2); };
    auto f32 = [](float v) { return std::string(reinterpret_cast<char*>(&v), 4); };
    auto f64 = [](double v) { return std::string(reinterpret_cast<char*>(&v), 8); };
    auto counted = [](const std::string& s) { return std::string(1, char(s.size())) + s; };
    struct Case {
        const char* name;
        int type;
        std::vector<std::string> ascending;
    };
    const Case cases[] = {
        {"string", kKeyString, {"", "A", "AB", "B", "a", "ab"}},
        {"string without case", kKeyStringNoCase, {"", "[", "a", "AB", "b", "Bc", "z"}},
        {"counted",
         kKeyCounted,
         {counted(""), counted("\x01"), counted("a"), counted(std::string("a\0", 2))}},
        {"counted type 17", 17, {counted("ab"), counted("abc"), counted("b")}},
        {"signed 32-bit", kKeyInt32, {i32(INT32_MIN), i32(-1), i32(0), i32(7), i32(INT32_MAX)}},
        {"signed 32-bit type 5", kKeyLong, {i32(-300), i32(2), i32(300)}},
        {"signed 16-bit", kKeyInt16, {i16(-32768), i16(-2), i16(0), i16(9), i16(32767)}},
        {"float",
         kKeyFloat,
         {f32(-INFINITY), f32(-1.5f), f32(0.0f), f32(2.25f), f32(INFINITY),
          f32(std::numeric_limits<float>::quiet_NaN())}},
        {"double", kKeyDouble, {f64(-1e300), f64(-0.5), f64(1e-300), f64(3.0), f64(1e300)}},
        {"six bytes",
         kKeyBytes6,
         {std::string("\0\0\0\0\0\1", 6), "abcdef", "abcdeg", std::string("\xff\0\0\0\0\0", 6)}},
        {"unsigned 16-bit", kKeyUInt16, {u16(0), u16(1), u16(40000), u16(65535)}},
    };
    // Each type twice: in a little-endian and in a big-endian file.
    for (int mode : {1, 2}) {
        for (const Case& c : cases) {
            std::string path = Path(std::string(c.name) + std::to_string(mode));
            std::vector<KeyDescriptor> keys = {{3, c.type}};
            {
                CKeyedFile file;
                ASSERT_EQ(file.Create(path, 'E', mode, &keys), kKfSuccess) << c.name;
                ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
                std::vector<size_t> order(c.ascending.size());
                for (size_t i = 0; i < order.size(); ++i)
                    order[i] = i;
                std::mt19937 rng(7);
                std::shuffle(order.begin(), order.end(), rng);
                for (size_t i : order) {
                    std::string data = std::to_string(i);
                    ASSERT_EQ(file.Add(3, c.ascending[i], 0, data.data(), data.size()), kKfSuccess)
                        << c.name << " key " << i;
                }
                // The file refuses an open that does not name the key type.
                CKeyedFile plain;
                EXPECT_EQ(plain.Open(path, 'E', 2), kKfInUse);
            }
            CKeyedFile plain;
            bool stringKeys = (c.type & 0x1F) == kKeyString;
            EXPECT_EQ(plain.Open(path, 'E', 2), stringKeys ? kKfSuccess : kKfBadKeyType) << c.name;
            plain.Close();
            std::vector<KeyDescriptor> wrong = {{3, c.type == kKeyString ? 1 : 0}};
            EXPECT_EQ(plain.Open(path, 'E', 2, &wrong), kKfBadKeyType) << c.name;
            CKeyedFile file;
            ASSERT_EQ(file.Open(path, 'E', 2, &keys), kKfSuccess) << c.name;
            EXPECT_TRUE(file.Check().empty()) << c.name;
            auto all = test::ReadAll(file, 3);
            ASSERT_EQ(all.size(), c.ascending.size()) << c.name;
            for (size_t i = 0; i < all.size(); ++i)
                EXPECT_EQ(all[i].second, std::to_string(i)) << c.name << " position " << i;
            // Every key is found exactly.
            for (size_t i = 0; i < c.ascending.size(); ++i)
                EXPECT_EQ(file.Find(3, c.ascending[i], 0, nullptr, 0), kKfSuccess)
                    << c.name << " key " << i;
            EXPECT_EQ(file.First(1, nullptr, 0), kKfNotFound) << "index 1 stays empty";
        }
    }
}

TEST_F(KeyedFileTest, KeysOfTheWrongShapeAreRefused) {
    std::vector<KeyDescriptor> keys = {{2, kKeyInt32}, {3, kKeyCounted}, {4, kKeyBytes6}};
    CKeyedFile file;
    ASSERT_EQ(file.Create(Path(), 'E', 1, &keys), kKfSuccess);
    const std::tuple<int, std::string, int32_t> cases[] = {
        {2, "abc", kKfBadKey},
        {2, "abcde", kKfBadKey},
        {3, "", kKfBadKey},
        {3, "\5ab", kKfBadKey},
        {3, "\2abXYZ", kKfSuccess}, // a counted key ignores the bytes
                                    // after it
        {4, "12345", kKfBadKey},
        {4, "123456", kKfSuccess}};
    for (const auto& [index, key, status] : cases)
        EXPECT_EQ(file.Add(index, key, 0, "d", 1), status) << index << " " << key;
    EXPECT_EQ(file.Find(3, "\2ab", 0, nullptr, 0), kKfSuccess);
}

// A file may give an index a tree of its own (header byte 218 + n - 1); the
// program's files never do, but the engine keeps such trees apart.
TEST_F(KeyedFileTest, IndexesInTreesOfTheirOwnKeepTheirRoots) {
    {
        CKeyedFile file;
        ASSERT_EQ(file.Create(Path(), 'E', 1), kKfSuccess);
    }
    std::string bytes = ReadFile(Path());
    bytes[218 + 2 - 1] = 5; // index 2 lives in tree 5
    WriteFile(Path(), bytes);
    CKeyedFile file;
    ASSERT_EQ(file.Open(Path(), 'E', 2), kKfSuccess);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    for (int i = 0; i < 300; ++i) {
        std::string key = "k" + std::to_string(i);
        ASSERT_EQ(file.Add(1, key, 0, "one", 3), kKfSuccess);
        ASSERT_EQ(file.Add(2, key, 0, "two", 3), kKfSuccess);
    }
    ASSERT_EQ(file.Delete(2, "k7", 0), kKfSuccess);
    ASSERT_EQ(file.Close(), kKfSuccess);
    bytes = ReadFile(Path());
    EXPECT_NE(WordLE(bytes, 12), 0u);                // tree 0
    EXPECT_NE(WordLE(bytes, 260 + 4 * (5 - 1)), 0u); // tree 5
    ASSERT_EQ(file.Open(Path(), 'E', 2), kKfSuccess);
    EXPECT_TRUE(file.Check().empty());
    EXPECT_EQ(test::ReadAll(file, 1).size(), 300u);
    auto two = test::ReadAll(file, 2);
    ASSERT_EQ(two.size(), 299u);
    EXPECT_EQ(two[0].second, "two");
    EXPECT_EQ(file.Find(2, "k7", 0, nullptr, 0), 1);
}

TEST_F(KeyedFileTest, OneWriterAtATimeAndReadersOnlyWithoutIt) {
    CKeyedFile writer;
    CreateOpen(writer, Path());
    Add(writer, "k", "v");
    ASSERT_EQ(writer.Flush(), kKfSuccess);
    CKeyedFile other;
    EXPECT_EQ(other.Open(Path(), 'E', 2), kKfInUse);
    EXPECT_EQ(other.Open(Path(), 'S', 2), kKfInUse);
    EXPECT_EQ(other.Open(Path(), 'S', 0), kKfInUse);
    EXPECT_EQ(CheckKeyedFile(Path()).size(), 1u);
    ASSERT_EQ(writer.Close(), kKfSuccess);

    CKeyedFile reader1, reader2;
    ASSERT_EQ(reader1.Open(Path(), 'S', 0), kKfSuccess);
    ASSERT_EQ(reader2.Open(Path(), 'S', 0), kKfSuccess);
    EXPECT_EQ(writer.Open(Path(), 'E', 2), kKfInUse);
    EXPECT_EQ(reader1.Add(1, "x", 0, "y", 1), kKfReadOnly);
    EXPECT_EQ(reader1.Delete(1, "k", 0), kKfReadOnly);
    char buffer[4] = {};
    EXPECT_EQ(reader2.Find(1, "k", 0, buffer, sizeof buffer), kKfSuccess);
    EXPECT_EQ(std::string(buffer), "v");
    EXPECT_EQ(reader1.Close(), kKfSuccess);
    EXPECT_EQ(reader2.Close(), kKfSuccess);
    EXPECT_TRUE(CheckKeyedFile(Path()).empty());
}

TEST_F(KeyedFileTest, FlushModesDecideWhenChangesAreCommitted) {
    CKeyedFile file;
    ASSERT_EQ(file.Create(Path(), 'E', 1), kKfSuccess);
    KeyedFileStatistics stats;
    // An 'E' file opens in flush mode 3: every change is committed at once.
    Add(file, "a", "1");
    Add(file, "b", "2");
    ASSERT_EQ(file.Statistics(&stats), kKfSuccess);
    EXPECT_EQ(stats.sequence, 2u);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    Add(file, "c", "3");
    Add(file, "d", "4");
    ASSERT_EQ(file.Statistics(&stats), kKfSuccess);
    EXPECT_EQ(stats.sequence, 2u);
    ASSERT_EQ(file.Flush(), kKfSuccess);
    ASSERT_EQ(file.Flush(), kKfSuccess); // nothing new: no commit
    ASSERT_EQ(file.Statistics(&stats), kKfSuccess);
    EXPECT_EQ(stats.sequence, 3u);
    EXPECT_EQ(stats.records, 4u);
}

// In either byte order.
TEST_F(KeyedFileTest, CommitLeavesTheHeaderAndItsShadowInStep) {
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode == 1 ? "little-endian" : "big-endian");
        auto word = [mode](const std::string& b, size_t at) {
            return mode == 1 ? WordLE(b, at) : WordBE(b, at);
        };
        std::string path = Path("mode" + std::to_string(mode));
        CKeyedFile file;
        ASSERT_EQ(file.Create(path, 'E', mode), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        for (int i = 0; i < 400; ++i) {
            std::string data(size_t(i * 13 % 2000), char(i));
            Add(file, "key" + std::to_string(i * 7919 % 400), data);
        }
        ASSERT_EQ(file.Flush(), kKfSuccess);
        std::string bytes = ReadFile(path);
        EXPECT_EQ(word(bytes, 8), 1u);
        EXPECT_EQ(word(bytes, 4), uint32_t('V'));
        EXPECT_GT(word(bytes, 52), 10u); // block count
        EXPECT_NE(word(bytes, 12), 0u);  // a root
        // Block 0 holds the header's shadow.
        EXPECT_EQ(bytes.substr(0, 348), bytes.substr(1024, 348));
        EXPECT_EQ(word(bytes, 68), 1u);           // one commit
        EXPECT_NE(word(bytes, 344), 0xFFFFFFFFu); // a checksum
        EXPECT_NE(word(bytes, 60), 0xFFFFFFFFu);  // a journal not yet retired
        EXPECT_GE(bytes.size(), (word(bytes, 52) + 1) * 1024u);
        ASSERT_EQ(file.Close(), kKfSuccess);
        bytes = ReadFile(path);
        EXPECT_EQ(word(bytes, 60), 0xFFFFFFFFu); // at rest: no journal
        EXPECT_EQ(word(bytes, 64), 0u);
        EXPECT_EQ(word(bytes, 68), 1u);
        ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess);
        EXPECT_TRUE(file.Check().empty());
        EXPECT_EQ(test::ReadAll(file).size(), 400u);
    }
}

TEST_F(KeyedFileTest, FreedSpaceIsReusedAfterACommit) {
    CKeyedFile file;
    CreateOpen(file, Path());
    std::string data(5000, 'x');
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 50; ++i) {
            std::string key = "k" + std::to_string(i);
            if (round == 0)
                Add(file, key, data);
            else
                ASSERT_EQ(file.Update(1, key, 0, data.data(), data.size()), kKfSuccess);
        }
        ASSERT_EQ(file.Flush(), kKfSuccess);
    }
    KeyedFileStatistics stats;
    ASSERT_EQ(file.Statistics(&stats), kKfSuccess);
    // 50 records of 5 blocks: rewriting them 19 times must not grow the file
    // much beyond twice their size.
    EXPECT_LT(stats.blockCount, 2 * 50 * 5 + 40u);
    EXPECT_EQ(stats.dataBlocks, 250u);
    EXPECT_TRUE(file.Check().empty());
}

} // namespace
} // namespace vorlane::objdb
