// The object database: keys, single objects, walks and bulk operations,
// files as objects, streams, and every error code with its text.
#include "objdb/CObjectDatabase.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <random>
#include <set>
#include <sys/stat.h>

namespace vorlane::objdb {
namespace {

using vorlane::test::FileExists;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

class ObjectDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = m_dir / "VORLN32.DAT";
        ASSERT_TRUE(m_db.Open(m_path, true, 30000)) << m_db.LastErrorMessage();
    }

    bool Put(int32_t kind, const std::string& name, const std::string& data) {
        return m_db.PutObject(kind, name, data.data(), data.size());
    }
    std::string Get(int32_t kind, const std::string& name) {
        std::vector<uint8_t> data;
        if (!m_db.GetObjectAllocated(kind, name, &data))
            return "<absent>";
        return std::string(data.begin(), data.end());
    }
    std::vector<std::string> Names(int32_t kind) {
        std::vector<std::string> names;
        m_db.ListObjectNames(kind, &names);
        return names;
    }

    TempDir m_dir;
    std::string m_path;
    CObjectDatabase m_db;
};

TEST_F(ObjectDatabaseTest, KeysAreTheKindInFourDigitsFollowedByTheName) {
    struct Case {
        int32_t kind;
        const char* name;
        const char* key;
    };
    const Case cases[] = {
        {3, "Pictures", "0003Pictures"},
        {3, "", "0003"},
        {5, "c:\\a.bmp", "0005c:\\a.bmp"},
        {7, "Thumbnail Settings", "0007Thumbnail Settings"},
        {-1, "", "-001"},
        {12345, "x", "1234x"},
        {0, "Zero", "0000Zero"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CObjectDatabase::MakeKey(c.kind, c.name), c.key);
}

TEST_F(ObjectDatabaseTest, KindsStayApartInListings) {
    ASSERT_TRUE(Put(3, "Pictures", "*.bmp~*.jpg"));
    ASSERT_TRUE(Put(3, "", "empty name"));
    ASSERT_TRUE(Put(5, "c:\\pictures\\a.bmp", "png"));
    ASSERT_TRUE(Put(7, "\\Fonts\\Tree List", std::string(60, 'f')));
    ASSERT_TRUE(Put(4, "between", "x"));
    EXPECT_EQ(Names(3), (std::vector<std::string>{"", "Pictures"}));
    EXPECT_EQ(Names(5), (std::vector<std::string>{"c:\\pictures\\a.bmp"}));
    EXPECT_EQ(m_db.CountObjects(3), 2);
    EXPECT_EQ(m_db.CountObjects(6), 0);
    EXPECT_EQ(m_db.CountObjects(-1), 5);
    std::vector<DATABASE_OBJECT_ITEM> all;
    EXPECT_EQ(m_db.ListObjects(-1, &all), 5);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].kind, 3);
    EXPECT_EQ(all[4].kind, 7);
    for (const auto& item : all)
        EXPECT_EQ(item.flag, 0);
    EXPECT_EQ(Get(3, ""), "empty name");
}

TEST_F(ObjectDatabaseTest, NamesMustBeShorterThan238Characters) {
    EXPECT_TRUE(Put(3, std::string(237, 'n'), "ok"));
    EXPECT_EQ(Get(3, std::string(237, 'n')), "ok");
    EXPECT_FALSE(Put(3, std::string(238, 'n'), "no"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbInvalidKey);
    EXPECT_EQ(m_db.LastErrorMessage(), "Invalid key.");
    EXPECT_FALSE(Put(3, std::string("a\0b", 3), "no"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbInvalidKey);
    EXPECT_EQ(m_db.GetObjectSize(3, std::string(300, 'n')), -1);
}

TEST_F(ObjectDatabaseTest, RecordSizesUpToTheMaximumAreAccepted) {
    std::string fits(30000, 'm'), tooBig(30001, 'm');
    EXPECT_TRUE(Put(5, "fits", fits));
    EXPECT_EQ(Get(5, "fits"), fits);
    EXPECT_FALSE(m_db.AddObject(5, "too big", tooBig.data(), tooBig.size()));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbRecordSize);
    EXPECT_EQ(m_db.LastErrorMessage(), "Object record size is out of range!");
    EXPECT_FALSE(Put(5, "fits", tooBig));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbRecordSize);
    EXPECT_EQ(Get(5, "fits"), fits);
    WriteFile(m_dir / "big.bin", tooBig);
    EXPECT_FALSE(m_db.ImportFile(5, "imported", m_dir / "big.bin", false, ImportMode::Put));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbSourceTooLarge);
    EXPECT_EQ(m_db.LastErrorMessage(), "Source file exceeds maximum database object size!");
}

TEST_F(ObjectDatabaseTest, OpenTakesTheMaximumRecordSizeWithinBounds) {
    m_db.Close();
    ASSERT_TRUE(m_db.Open(m_path, false, 100));
    EXPECT_EQ(m_db.MaxRecordSize(), 256);
    std::string data(256, 'd');
    EXPECT_TRUE(Put(3, "a", data));
    data.push_back('d');
    EXPECT_FALSE(Put(3, "b", data));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbRecordSize);
    ASSERT_TRUE(m_db.Open(m_path, false, 30000)); // closes the open one first
    EXPECT_EQ(m_db.MaxRecordSize(), 30000);
    EXPECT_FALSE(m_db.Open(m_path, false, 30001));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbMaxRecordSize);
    EXPECT_EQ(m_db.LastErrorMessage(), "Max record size allowed is 30000!");
    EXPECT_FALSE(m_db.IsOpen());
}

TEST_F(ObjectDatabaseTest, OpenFailuresLeaveItClosed) {
    m_db.Close();
    std::string missing = m_dir / "missing.dat";
    EXPECT_FALSE(m_db.Open(missing, false, 30000));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbDoesNotExist);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to create/open object database '" + missing + "'.");
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(m_db.IsOpen());

    WriteFile(m_dir / "text.dat", "not a database at all");
    EXPECT_FALSE(m_db.Open(m_dir / "text.dat", true, 30000));
    EXPECT_EQ(m_db.LastErrorMessage(),
              "Unable to create/open object database '" + m_dir / "text.dat" + "'.");
    EXPECT_NE(m_db.LastErrorDetail().find("not a keyed record file"), std::string::npos);
    EXPECT_EQ(ReadFile(m_dir / "text.dat"), "not a database at all");

    // Exclusive use: a second database object cannot open a held file.
    ASSERT_TRUE(m_db.Open(m_path, true, 30000));
    CObjectDatabase second;
    EXPECT_FALSE(second.Open(m_path, true, 30000));
    EXPECT_EQ(second.LastErrorMessage(), "Unable to create/open object database '" + m_path + "'.");
    EXPECT_NE(second.LastErrorDetail().find("in use"), std::string::npos);
    m_db.Close();
    EXPECT_TRUE(second.Open(m_path, true, 30000));
}

TEST_F(ObjectDatabaseTest, ClosedDatabaseRefusesEveryOperation) {
    m_db.Close();
    std::vector<uint8_t> bytes;
    std::vector<int32_t> ints;
    std::string text, name;
    std::vector<DATABASE_OBJECT_ITEM> items = {{3, "a", 0}};
    std::vector<std::string> names = {"a"};
    std::unique_ptr<CObjectDatabaseStream> stream;
    int32_t kind;
    struct Case {
        const char* name;
        std::function<bool()> op;
    };
    const Case cases[] = {
        {"AddObject", [&] { return m_db.AddObject(3, "a", "x", 1); }},
        {"UpdateObject", [&] { return m_db.UpdateObject(3, "a", "x", 1); }},
        {"PutObject", [&] { return m_db.PutObject(3, "a", "x", 1); }},
        {"PutString", [&] { return m_db.PutString(3, "a", "x"); }},
        {"PutIntArray", [&] { return m_db.PutIntArray(3, "a", {1}); }},
        {"GetObject", [&] { return m_db.GetObject(3, "a", nullptr, nullptr, 0); }},
        {"GetObjectAllocated", [&] { return m_db.GetObjectAllocated(3, "a", &bytes); }},
        {"GetString", [&] { return m_db.GetString(3, "a", &text); }},
        {"GetIntArray", [&] { return m_db.GetIntArray(3, "a", &ints); }},
        {"GetObjectSize", [&] { return m_db.GetObjectSize(3, "a") != -1; }},
        {"DeleteObject", [&] { return m_db.DeleteObject(3, "a"); }},
        {"CopyObject", [&] { return m_db.CopyObject(3, "a", "b"); }},
        {"RenameObject", [&] { return m_db.RenameObject(3, "a", "b"); }},
        {"GetFirstOfKind", [&] { return m_db.GetFirstOfKind(3, &name, nullptr); }},
        {"GetFirst", [&] { return m_db.GetFirst(&kind, &name); }},
        {"GetNext", [&] { return m_db.GetNext(&kind, &name); }},
        {"CountObjects", [&] { return m_db.CountObjects(3) != 0; }},
        {"DeleteObjects", [&] { return m_db.DeleteObjects(&items, 255) != 0; }},
        {"DeleteByPrefix", [&] { return m_db.DeleteByPrefix(3, "a") != 0; }},
        {"RenameByPrefix", [&] { return m_db.RenameByPrefix(3, "a", "b"); }},
        {"Flush", [&] { return m_db.Flush(); }},
        {"ImportFile", [&] { return m_db.ImportFile(3, "a", m_path, false, ImportMode::Put); }},
        {"ExportObject", [&] { return m_db.ExportObject(3, "a", m_dir / "out"); }},
        {"CreateObjectForWriting", [&] { return m_db.CreateObjectForWriting(3, "a", &stream); }},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.op()) << c.name;
        EXPECT_EQ(m_db.LastErrorMessage(), "An object database is NOT opened!") << c.name;
        EXPECT_EQ(m_db.LastErrorCode(), 0) << c.name << ": the code is left as it was";
    }
    EXPECT_TRUE(m_db.IsEmpty());
    EXPECT_EQ(items.size(), 1u);
}

TEST_F(ObjectDatabaseTest, PutAddsOrReplaces) {
    EXPECT_TRUE(Put(3, "set", "first"));
    EXPECT_EQ(Get(3, "set"), "first");
    EXPECT_TRUE(Put(3, "set", "a much longer second value"));
    EXPECT_EQ(Get(3, "set"), "a much longer second value");
    EXPECT_TRUE(Put(3, "set", "3"));
    EXPECT_EQ(Get(3, "set"), "3");
    EXPECT_TRUE(Put(3, "set", ""));
    EXPECT_EQ(m_db.GetObjectSize(3, "set"), 0);
    EXPECT_EQ(m_db.CountObjects(3), 1);
}

TEST_F(ObjectDatabaseTest, SingleObjectOperationsReportTheirCodes) {
    EXPECT_FALSE(m_db.UpdateObject(3, "absent", "x", 1));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    EXPECT_EQ(m_db.LastErrorMessage(), "Object not found in database!");
    EXPECT_FALSE(m_db.DeleteObject(3, "absent"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotDelete);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to delete the specified object!");
    ASSERT_TRUE(m_db.AddObject(3, "present", "x", 1));
    EXPECT_FALSE(m_db.AddObject(3, "present", "y", 1));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotAdd);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to add object (disk full?"
                                       "?).");
    EXPECT_EQ(Get(3, "present"), "x");
    EXPECT_EQ(m_db.GetObjectSize(3, "absent"), -1);
    EXPECT_EQ(m_db.GetObjectSize(3, "present"), 1);
    EXPECT_TRUE(m_db.DeleteObject(3, "present"));
    EXPECT_EQ(Get(3, "present"), "<absent>");
}

TEST_F(ObjectDatabaseTest, SmallBufferGetsCode7AndTheStoredLength) {
    ASSERT_TRUE(Put(5, "thumb", "0123456789"));
    char buffer[20] = {};
    size_t length = 0;
    EXPECT_FALSE(m_db.GetObject(5, "thumb", buffer, &length, 4));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbBufferTooSmall);
    EXPECT_EQ(m_db.LastErrorMessage(), "Object buffer too small to receive object!");
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(buffer[0], 0);
    length = 0;
    EXPECT_TRUE(m_db.GetObject(5, "thumb", nullptr, &length, 0));
    EXPECT_EQ(length, 10u);
    EXPECT_TRUE(m_db.GetObject(5, "thumb", buffer, &length, sizeof buffer));
    EXPECT_EQ(std::string(buffer), "0123456789");
    EXPECT_FALSE(m_db.GetObject(5, "other", buffer, &length, sizeof buffer));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
}

TEST_F(ObjectDatabaseTest, StringsAndIntegerArrays) {
    ASSERT_TRUE(m_db.AddString(3, "Pictures", "Pictures~*.bmp~*.jpg"));
    EXPECT_EQ(m_db.GetObjectSize(3, "Pictures"), 21); // with the NUL
    std::string text;
    ASSERT_TRUE(m_db.GetString(3, "Pictures", &text));
    EXPECT_EQ(text, "Pictures~*.bmp~*.jpg");
    ASSERT_TRUE(m_db.PutString(3, "Pictures", "short"));
    ASSERT_TRUE(m_db.GetString(3, "Pictures", &text));
    EXPECT_EQ(text, "short");
    EXPECT_FALSE(m_db.AddString(3, "Pictures", "again"));

    ASSERT_TRUE(m_db.PutIntArray(7, "Thumbnail Settings", {48, 36, 75, 6}));
    EXPECT_EQ(Get(7, "Thumbnail Settings"),
              std::string("\x04\0\0\0\x30\0\0\0\x24\0\0\0\x4b\0\0\0\x06\0\0\0", 20));
    std::vector<int32_t> values = {99};
    ASSERT_TRUE(m_db.GetIntArray(7, "Thumbnail Settings", &values));
    EXPECT_EQ(values, (std::vector<int32_t>{99, 48, 36, 75, 6}));
    ASSERT_TRUE(m_db.PutIntArray(7, "empty", {}));
    values.clear();
    EXPECT_TRUE(m_db.GetIntArray(7, "empty", &values));
    EXPECT_TRUE(values.empty());
    ASSERT_TRUE(m_db.PutIntArray(7, "negative", {-1, INT32_MIN}));
    ASSERT_TRUE(m_db.GetIntArray(7, "negative", &values));
    EXPECT_EQ(values, (std::vector<int32_t>{-1, INT32_MIN}));

    // Anything but (count + 1) * 4 bytes is not an integer array.
    const std::string notArrays[] = {"", "abc", std::string("\x02\0\0\0\x01\0\0\0", 8),
                                     std::string("\x00\0\0\0\x01\0\0\0", 8),
                                     std::string("\x01\0\0\0\x01\0\0", 7)};
    for (const std::string& bytes : notArrays) {
        ASSERT_TRUE(Put(7, "bad", bytes));
        values = {5};
        EXPECT_FALSE(m_db.GetIntArray(7, "bad", &values)) << bytes.size();
        EXPECT_EQ(values, (std::vector<int32_t>{5}));
    }
}

TEST_F(ObjectDatabaseTest, CopyAndRenameNeverOverwriteOrLose) {
    ASSERT_TRUE(Put(3, "a", "alpha"));
    ASSERT_TRUE(Put(3, "b", "beta"));
    EXPECT_FALSE(m_db.RenameObject(3, "a", "b"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbKeyExists);
    EXPECT_EQ(m_db.LastErrorMessage(), "Specified key already exists!");
    EXPECT_EQ(Get(3, "a"), "alpha");
    EXPECT_EQ(Get(3, "b"), "beta");
    EXPECT_FALSE(m_db.CopyObject(3, "a", "b"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbKeyExists);
    EXPECT_FALSE(m_db.CopyObject(3, "absent", "c"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    EXPECT_TRUE(m_db.CopyObject(3, "a", "c"));
    EXPECT_EQ(Get(3, "c"), "alpha");
    EXPECT_TRUE(m_db.RenameObject(3, "a", "d"));
    EXPECT_EQ(Get(3, "a"), "<absent>");
    EXPECT_EQ(Get(3, "d"), "alpha");
    EXPECT_FALSE(m_db.RenameObject(3, "d", "d"));
    EXPECT_EQ(Get(3, "d"), "alpha");
}

TEST_F(ObjectDatabaseTest, WalkingVisitsKeysInOrder) {
    std::string name;
    size_t length = 0;
    int32_t kind = 0;
    EXPECT_TRUE(m_db.IsEmpty());
    EXPECT_FALSE(m_db.GetFirst(&kind, &name));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    ASSERT_TRUE(Put(5, "b", "22"));
    ASSERT_TRUE(Put(5, "a", "1"));
    ASSERT_TRUE(Put(3, "z", "333"));
    ASSERT_TRUE(Put(7, "s", "4444"));
    EXPECT_FALSE(m_db.IsEmpty());
    EXPECT_FALSE(m_db.GetFirstOfKind(4, &name, &length));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    EXPECT_FALSE(m_db.GetFirstOfKind(8, &name, &length));
    ASSERT_TRUE(m_db.GetFirstOfKind(5, &name, &length));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(length, 1u);
    ASSERT_TRUE(m_db.GetFirstOfKind(-1, &name, &length));
    EXPECT_EQ(name, "z");
    std::vector<uint8_t> data;
    ASSERT_TRUE(m_db.GetFirst(&kind, &name, &data));
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(std::string(data.begin(), data.end()), "333");
    ASSERT_TRUE(m_db.GetNext(&kind, &name));
    EXPECT_EQ(kind, 5);
    EXPECT_EQ(name, "a");
    ASSERT_TRUE(m_db.GetNext(&kind, &name, &data));
    EXPECT_EQ(name, "b");
    EXPECT_EQ(std::string(data.begin(), data.end()), "22");
    ASSERT_TRUE(m_db.GetNext(&kind, &name));
    EXPECT_EQ(kind, 7);
    EXPECT_FALSE(m_db.GetNext(&kind, &name));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    ASSERT_TRUE(m_db.GetLast(&kind, &name));
    EXPECT_EQ(name, "s");
    ASSERT_TRUE(m_db.GetPrevious(&kind, &name));
    EXPECT_EQ(name, "b");
    ASSERT_TRUE(m_db.GetFirst(&kind, &name));
    EXPECT_FALSE(m_db.GetPrevious(&kind, &name));

    std::vector<DATABASE_OBJECT_STRING> strings;
    EXPECT_EQ(m_db.ListObjectStrings(5, &strings), 2);
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[1].name, "b");
    EXPECT_EQ(strings[1].value, "22");
}

TEST_F(ObjectDatabaseTest, BulkDeletesFollowTheirFlags) {
    for (const char* n : {"a", "b", "c", "d"})
        ASSERT_TRUE(Put(3, n, n));
    ASSERT_TRUE(Put(5, "a", "thumb"));
    std::vector<DATABASE_OBJECT_ITEM> items;
    ASSERT_EQ(m_db.ListObjects(3, &items), 4);
    items[1].flag = 1;
    items[3].flag = 1;
    EXPECT_EQ(m_db.DeleteObjects(&items, 1), 2);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].name, "a");
    EXPECT_EQ(items[1].name, "c");
    EXPECT_EQ(Names(3), (std::vector<std::string>{"a", "c"}));
    items.push_back({3, "never stored", 0});
    EXPECT_EQ(m_db.DeleteObjects(&items, 255), 2);
    ASSERT_EQ(items.size(), 1u); // the one that could not be deleted stays
    EXPECT_EQ(items[0].name, "never stored");

    for (const char* n : {"x", "y"})
        ASSERT_TRUE(Put(3, n, n));
    std::vector<DATABASE_OBJECT_STRING> strings;
    m_db.ListObjectStrings(3, &strings);
    EXPECT_EQ(m_db.DeleteObjects(&strings), 2);
    EXPECT_TRUE(strings.empty());
    for (const char* n : {"x", "y"})
        ASSERT_TRUE(Put(3, n, n));
    std::vector<std::string> names = {"x", "nope"};
    EXPECT_EQ(m_db.DeleteObjects(3, &names), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"nope"}));
    EXPECT_EQ(m_db.DeleteAllOfKind(3), 1);
    EXPECT_EQ(m_db.CountObjects(3), 0);
    EXPECT_EQ(Get(5, "a"), "thumb");
}

TEST_F(ObjectDatabaseTest, RenameByPrefixMovesADirectorysThumbnails) {
    ASSERT_TRUE(Put(5, "C:\\OLD\\A.BMP", "a"));
    ASSERT_TRUE(Put(5, "c:\\old\\b.bmp", "b"));
    ASSERT_TRUE(Put(5, "C:\\OLDER\\B.BMP", "older"));
    ASSERT_TRUE(Put(3, "C:\\OLD\\SET", "other kind"));
    EXPECT_TRUE(m_db.RenameByPrefix(5, "C:\\OLD\\", "D:\\NEW\\"));
    EXPECT_EQ(Names(5),
              (std::vector<std::string>{"C:\\OLDER\\B.BMP", "D:\\NEW\\A.BMP", "D:\\NEW\\b.bmp"}));
    EXPECT_EQ(Get(5, "D:\\NEW\\b.bmp"), "b");
    EXPECT_EQ(Get(3, "C:\\OLD\\SET"), "other kind");
    EXPECT_FALSE(m_db.RenameByPrefix(5, "E:\\", "F:\\"));
}

// Prefix deletion finds its names by seeking over the case variants of the
// prefix; it must delete exactly what a plain case-blind comparison of
// every name of the kind would.
TEST_F(ObjectDatabaseTest, DeleteByPrefixMatchesACaseBlindComparison) {
    std::mt19937 rng(5);
    const std::string alphabet = "aAbBzZ\\:._1~\x7f\xc3\xa9";
    auto randomText = [&](size_t maxLen) {
        std::string s;
        size_t len = rng() % (maxLen + 1);
        for (size_t i = 0; i < len; ++i)
            s.push_back(alphabet[rng() % alphabet.size()]);
        return s;
    };
    for (int round = 0; round < 40; ++round) {
        m_db.DeleteAllOfKind(5);
        m_db.DeleteAllOfKind(6);
        std::set<std::string> names;
        for (int i = 0; i < 120; ++i) {
            std::string name = randomText(7);
            names.insert(name);
            ASSERT_TRUE(Put(5, name, "t"));
            ASSERT_TRUE(Put(6, name, "neighbour kind"));
        }
        std::string prefix = randomText(3);
        std::set<std::string> expected;
        int expectedDeleted = 0;
        for (const std::string& n : names) {
            bool match = n.size() >= prefix.size();
            for (size_t i = 0; match && i < prefix.size(); ++i)
                match = std::tolower(uint8_t(n[i])) == std::tolower(uint8_t(prefix[i])) &&
                        (uint8_t(n[i]) < 0x80) == (uint8_t(prefix[i]) < 0x80);
            if (match)
                ++expectedDeleted;
            else
                expected.insert(n);
        }
        std::vector<std::string> listed;
        EXPECT_EQ(m_db.ListObjectsByPrefix(5, prefix, &listed), expectedDeleted) << prefix;
        EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
        ASSERT_EQ(m_db.DeleteByPrefix(5, prefix), expectedDeleted) << "prefix " << prefix;
        std::vector<std::string> left = Names(5);
        EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), expected) << prefix;
        EXPECT_EQ(m_db.CountObjects(6), int(names.size()));
    }
    EXPECT_EQ(m_db.DeleteByPrefix(5, std::string(300, 'a')), 0);
}

TEST_F(ObjectDatabaseTest, ImportAndExportFiles) {
    std::string source = m_dir / "thumb.png";
    WriteFile(source, "\x89PNG data");
    EXPECT_TRUE(m_db.ImportFile(5, "c:\\a.bmp", source, false, ImportMode::Add));
    EXPECT_EQ(Get(5, "c:\\a.bmp"), "\x89PNG data");
    EXPECT_FALSE(m_db.ImportFile(5, "c:\\a.bmp", source, false, ImportMode::Add));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotAdd);
    EXPECT_FALSE(m_db.ImportFile(5, "c:\\new.bmp", source, false, ImportMode::Update));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    WriteFile(source, "second");
    EXPECT_TRUE(m_db.ImportFile(5, "c:\\a.bmp", source, true, ImportMode::Put));
    EXPECT_FALSE(FileExists(source)); // deleted after the store
    EXPECT_EQ(Get(5, "c:\\a.bmp"), "second");

    struct Case {
        const char* name;
        std::string path;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"missing file", m_dir / "nothing", kOdbFileMissing, "File does not exist!"},
        {"empty path", "", kOdbFileMissing, "File does not exist!"},
        {"a directory", m_dir.path(), kOdbCannotOpenSource, "Unable to open source file!"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(m_db.ImportFile(5, "x", c.path, true, ImportMode::Put)) << c.name;
        EXPECT_EQ(m_db.LastErrorCode(), c.code) << c.name;
        EXPECT_EQ(m_db.LastErrorMessage(), c.text) << c.name;
    }

    std::string target = m_dir / "out.png";
    ASSERT_TRUE(m_db.ExportObject(5, "c:\\a.bmp", target));
    EXPECT_EQ(ReadFile(target), "second");
    EXPECT_FALSE(m_db.ExportObject(5, "absent", target));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    EXPECT_FALSE(m_db.ExportObject(5, "c:\\a.bmp", m_dir / "no-such-dir/out.png"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotCreateTarget);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to create target file!");
}

#ifdef VORLANE_FAULT_INJECTION
TEST_F(ObjectDatabaseTest, FailuresOfTheFileLayerGetTheirCodes) {
    namespace fault = platform::fault;
    std::string source = m_dir / "src.bin";
    WriteFile(source, "source bytes");
    ASSERT_TRUE(Put(5, "keep", "kept"));
    ASSERT_TRUE(m_db.Flush());

    fault::Reset();
    fault::Arm(fault::Op::Open, 1, EACCES);
    EXPECT_FALSE(m_db.ImportFile(5, "x", source, false, ImportMode::Put));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotOpenSource);
    fault::Reset();
    fault::Arm(fault::Op::Read, 1, EIO);
    EXPECT_FALSE(m_db.ImportFile(5, "x", source, false, ImportMode::Put));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotReadSource);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to read all of source file!");

    // A failed export leaves the old file as it was and no partial file.
    std::string target = m_dir / "old.png";
    WriteFile(target, "old contents");
    fault::Reset();
    fault::Arm(fault::Op::Write, 1, ENOSPC);
    EXPECT_FALSE(m_db.ExportObject(5, "keep", target));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotWriteTarget);
    EXPECT_EQ(m_db.LastErrorMessage(), "Unable to write object to target file!");
    EXPECT_EQ(ReadFile(target), "old contents");

    // A failed store: add refused, then every change refused until reopened.
    fault::Reset();
    fault::Arm(fault::Op::Write, 1, ENOSPC);
    EXPECT_FALSE(Put(5, "new", std::string(3000, 'n')));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotAdd);
    EXPECT_NE(m_db.LastErrorDetail().find("No space"), std::string::npos) << m_db.LastErrorDetail();
    fault::Reset();
    EXPECT_FALSE(Put(5, "keep", "changed"));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotUpdate);
    EXPECT_FALSE(m_db.Flush());
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotSave);
    EXPECT_EQ(Get(5, "keep"), "kept"); // reads still work
    EXPECT_FALSE(m_db.Close());
    EXPECT_EQ(m_db.LastErrorCode(), kOdbCannotSave);
    ASSERT_TRUE(m_db.Open(m_path, false, 30000));
    EXPECT_EQ(Get(5, "keep"), "kept");
    EXPECT_EQ(Get(5, "new"), "<absent>");
    EXPECT_TRUE(Put(5, "new", "works again"));
}
#endif

TEST_F(ObjectDatabaseTest, StreamsGoThroughTemporaryFiles) {
    m_db.SetTempDirectory(m_dir / "tmp");
    ::mkdir((m_dir / "tmp").c_str(), 0700);
    std::unique_ptr<CObjectDatabaseStream> out;
    ASSERT_TRUE(m_db.CreateObjectForWriting(3, "streamed", &out));
    std::string tempName = out->TempFileName();
    EXPECT_EQ(tempName, m_dir / "tmp/00000000.$$$");
    out->stream() << "written through a stream";
    ASSERT_TRUE(m_db.CloseObjectStream(std::move(out), true));
    EXPECT_FALSE(FileExists(tempName));
    EXPECT_EQ(Get(3, "streamed"), "written through a stream");

    std::unique_ptr<CObjectDatabaseStream> in;
    ASSERT_TRUE(m_db.OpenObjectForReading(3, "streamed", &in));
    std::string line;
    std::getline(in->stream(), line);
    EXPECT_EQ(line, "written through a stream");
    std::string inName = in->TempFileName();
    EXPECT_TRUE(FileExists(inName));
    ASSERT_TRUE(m_db.CloseObjectStream(std::move(in), false));
    EXPECT_FALSE(FileExists(inName));

    EXPECT_FALSE(m_db.OpenObjectForReading(3, "absent", &in));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbNotFound);
    EXPECT_EQ(in, nullptr);

    // Names already taken are skipped; without a temporary directory the
    // database's own directory is used.
    WriteFile(m_dir / "tmp/00000000.$$$", "taken");
    std::string name;
    ASSERT_TRUE(m_db.MakeTempFileName(&name));
    EXPECT_EQ(name, m_dir / "tmp/00000001.$$$");
    EXPECT_EQ(ReadFile(name), "");
    m_db.SetTempDirectory(m_dir / "no such dir");
    ASSERT_TRUE(m_db.MakeTempFileName(&name));
    EXPECT_EQ(name, m_dir / "00000000.$$$");
}

TEST_F(ObjectDatabaseTest, ChangesSurviveCloseAndFlush) {
    ASSERT_TRUE(Put(3, "kept", "yes"));
    ASSERT_TRUE(m_db.Flush());
    ASSERT_TRUE(Put(3, "also", "yes"));
    ASSERT_TRUE(m_db.Close());
    EXPECT_TRUE(CheckKeyedFile(m_path).empty());
    ASSERT_TRUE(m_db.Open(m_path, false, 30000));
    EXPECT_EQ(Get(3, "kept"), "yes");
    EXPECT_EQ(Get(3, "also"), "yes");
}

TEST(ObjectDatabaseTextsTest, EveryCodeHasItsMessage) {
    const std::pair<int, const char*> table[] = {
        {1, "Database does not exist!"},
        {2, "Object record size is out of range!"},
        {3, "Invalid key."},
        {4, "Unable to allocate database object work record!"},
        {5, "Max record size allowed is 30000!"},
        {6, "Object not found in database!"},
        {7, "Object buffer too small to receive object!"},
        {8, "Unable to delete the specified object!"},
        {9, "Unable to update object (disk full?"
            "?)."},
        {10, "Unable to add object (disk full?"
             "?)."},
        {11, "Specified key already exists!"},
        {12, "File does not exist!"},
        {13, "Unable to open source file!"},
        {14, "Unable to create target file!"},
        {15, "Unable to read all of source file!"},
        {16, "Unable to write object to target file!"},
        {17, "Source file exceeds maximum database object size!"},
        {18, "There are not any available file handles!"},
        {19, "Unable to allocate buffer for object record!"},
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(CObjectDatabase::ErrorText(code), text) << code;
    EXPECT_EQ(CObjectDatabase::ErrorText(0), "");
    EXPECT_EQ(CObjectDatabase::ErrorText(99), "");
}

} // namespace
} // namespace vorlane::objdb
