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
using Strings = std::vector<std::string>;

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
    Strings Names(int32_t kind) {
        Strings names;
        m_db.ListObjectNames(kind, &names);
        return names;
    }
    // A call that failed with code, and the message that goes with the code.
    ::testing::AssertionResult Failed(bool ok, int code) {
        if (ok)
            return ::testing::AssertionFailure() << "succeeded";
        if (m_db.LastErrorCode() != code ||
            m_db.LastErrorMessage() != CObjectDatabase::ErrorText(code))
            return ::testing::AssertionFailure()
                   << "code " << m_db.LastErrorCode() << " \"" << m_db.LastErrorMessage()
                   << "\", expected code " << code;
        return ::testing::AssertionSuccess();
    }
    std::string OpenFailure(const std::string& path) {
        return "Unable to create/open object database '" + path + "'.";
    }

    TempDir m_dir;
    std::string m_path;
    CObjectDatabase m_db;
};

TEST_F(ObjectDatabaseTest, KeysAreTheKindInFourDigitsFollowedByTheName) {
    const struct {
        int32_t kind;
        const char* name;
        const char* key;
    } cases[] = {{3, "Pictures", "0003Pictures"},
                 {3, "", "0003"},
                 {5, "c:\\a.bmp", "0005c:\\a.bmp"},
                 {-1, "", "-001"},
                 {12345, "x", "1234x"},
                 {0, "Zero", "0000Zero"}};
    for (const auto& c : cases)
        EXPECT_EQ(CObjectDatabase::MakeKey(c.kind, c.name), c.key);
}

TEST_F(ObjectDatabaseTest, KindsStayApartInListings) {
    ASSERT_TRUE(Put(3, "Pictures", "*.bmp~*.jpg"));
    ASSERT_TRUE(Put(3, "", "empty name"));
    ASSERT_TRUE(Put(5, "c:\\pictures\\a.bmp", "png"));
    ASSERT_TRUE(Put(7, "\\Fonts\\Tree List", std::string(60, 'f')));
    ASSERT_TRUE(Put(4, "between", "x"));
    EXPECT_EQ(Names(3), (Strings{"", "Pictures"}));
    EXPECT_EQ(Names(5), (Strings{"c:\\pictures\\a.bmp"}));
    EXPECT_EQ(m_db.CountObjects(3), 2);
    EXPECT_EQ(m_db.CountObjects(6), 0);
    EXPECT_EQ(m_db.CountObjects(-1), 5);
    std::vector<DATABASE_OBJECT_ITEM> all;
    EXPECT_EQ(m_db.ListObjects(-1, &all), 5);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].kind, 3);
    EXPECT_EQ(all[4].kind, 7);
    EXPECT_EQ(Get(3, ""), "empty name");
}

TEST_F(ObjectDatabaseTest, NamesAndRecordSizesHaveLimits) {
    EXPECT_TRUE(Put(3, std::string(237, 'n'), "ok"));
    EXPECT_EQ(Get(3, std::string(237, 'n')), "ok");
    EXPECT_TRUE(Failed(Put(3, std::string(238, 'n'), "no"), kOdbInvalidKey));
    EXPECT_TRUE(Failed(Put(3, std::string("a\0b", 3), "no"), kOdbInvalidKey));
    EXPECT_EQ(m_db.GetObjectSize(3, std::string(300, 'n')), -1);

    std::string fits(30000, 'm'), tooBig(30001, 'm');
    EXPECT_TRUE(Put(5, "fits", fits));
    EXPECT_TRUE(Failed(m_db.AddObject(5, "too big", tooBig.data(), tooBig.size()), kOdbRecordSize));
    EXPECT_TRUE(Failed(Put(5, "fits", tooBig), kOdbRecordSize));
    EXPECT_EQ(Get(5, "fits"), fits);
    WriteFile(m_dir / "big.bin", tooBig);
    EXPECT_TRUE(Failed(m_db.ImportFile(5, "imported", m_dir / "big.bin", false, ImportMode::Put),
                       kOdbSourceTooLarge));

    // Open takes a maximum record size of 256 to 30000.
    ASSERT_TRUE(m_db.Open(m_path, false, 100)); // closes the open one first
    EXPECT_EQ(m_db.MaxRecordSize(), 256);
    EXPECT_TRUE(Put(3, "a", std::string(256, 'd')));
    EXPECT_TRUE(Failed(Put(3, "b", std::string(257, 'd')), kOdbRecordSize));
    EXPECT_TRUE(Failed(m_db.Open(m_path, false, 30001), kOdbMaxRecordSize));
    EXPECT_EQ(m_db.LastErrorMessage(), "Max record size allowed is 30000!");
    EXPECT_FALSE(m_db.IsOpen());
}

TEST_F(ObjectDatabaseTest, OpenFailuresLeaveItClosed) {
    m_db.Close();
    std::string missing = m_dir / "missing.dat";
    EXPECT_FALSE(m_db.Open(missing, false, 30000));
    EXPECT_EQ(m_db.LastErrorCode(), kOdbDoesNotExist);
    EXPECT_EQ(m_db.LastErrorMessage(), OpenFailure(missing));
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(m_db.IsOpen());

    WriteFile(m_dir / "text.dat", "not a database at all");
    EXPECT_FALSE(m_db.Open(m_dir / "text.dat", true, 30000));
    EXPECT_EQ(m_db.LastErrorMessage(), OpenFailure(m_dir / "text.dat"));
    EXPECT_NE(m_db.LastErrorDetail().find("not a keyed record file"), std::string::npos);
    EXPECT_EQ(ReadFile(m_dir / "text.dat"), "not a database at all");

    // Exclusive use: a second database object cannot open a held file.
    ASSERT_TRUE(m_db.Open(m_path, true, 30000));
    CObjectDatabase second;
    EXPECT_FALSE(second.Open(m_path, true, 30000));
    EXPECT_EQ(second.LastErrorMessage(), OpenFailure(m_path));
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
    std::unique_ptr<CObjectDatabaseStream> stream;
    int32_t kind;
    const std::pair<const char*, std::function<bool()>> cases[] = {
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
    for (const auto& [opName, op] : cases) {
        EXPECT_FALSE(op()) << opName;
        EXPECT_EQ(m_db.LastErrorMessage(), "An object database is NOT opened!") << opName;
        EXPECT_EQ(m_db.LastErrorCode(), 0) << opName << ": the code is left as it was";
    }
    EXPECT_TRUE(m_db.IsEmpty());
    EXPECT_EQ(items.size(), 1u);
}

TEST_F(ObjectDatabaseTest, SingleObjectOperationsReportTheirCodes) {
    for (const std::string value : {"first", "a much longer second value", "3", ""}) {
        EXPECT_TRUE(Put(3, "set", value)) << "put adds or replaces";
        EXPECT_EQ(Get(3, "set"), value);
    }
    EXPECT_EQ(m_db.CountObjects(3), 1);
    EXPECT_TRUE(Failed(m_db.UpdateObject(3, "absent", "x", 1), kOdbNotFound));
    EXPECT_TRUE(Failed(m_db.DeleteObject(3, "absent"), kOdbCannotDelete));
    ASSERT_TRUE(m_db.AddObject(3, "present", "x", 1));
    EXPECT_TRUE(Failed(m_db.AddObject(3, "present", "y", 1), kOdbCannotAdd));
    EXPECT_EQ(Get(3, "present"), "x");
    EXPECT_EQ(m_db.GetObjectSize(3, "absent"), -1);
    EXPECT_EQ(m_db.GetObjectSize(3, "present"), 1);
    EXPECT_TRUE(m_db.DeleteObject(3, "present"));
    EXPECT_EQ(Get(3, "present"), "<absent>");

    // A buffer too small gets code 7 and the stored length, and no bytes.
    ASSERT_TRUE(Put(5, "thumb", "0123456789"));
    char buffer[20] = {};
    size_t length = 0;
    EXPECT_TRUE(Failed(m_db.GetObject(5, "thumb", buffer, &length, 4), kOdbBufferTooSmall));
    EXPECT_EQ(length, 10u);
    EXPECT_EQ(buffer[0], 0);
    length = 0;
    EXPECT_TRUE(m_db.GetObject(5, "thumb", nullptr, &length, 0));
    EXPECT_EQ(length, 10u);
    EXPECT_TRUE(m_db.GetObject(5, "thumb", buffer, &length, sizeof buffer));
    EXPECT_EQ(std::string(buffer), "0123456789");
    EXPECT_TRUE(Failed(m_db.GetObject(5, "other", buffer, &length, sizeof buffer), kOdbNotFound));
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
    EXPECT_EQ(values, (std::vector<int32_t>{99, 48, 36, 75, 6})) << "appended";
    for (const std::vector<int32_t>& array : {std::vector<int32_t>{}, {-1, INT32_MIN}}) {
        ASSERT_TRUE(m_db.PutIntArray(7, "array", array));
        values.clear();
        ASSERT_TRUE(m_db.GetIntArray(7, "array", &values));
        EXPECT_EQ(values, array);
    }
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
    EXPECT_TRUE(Failed(m_db.RenameObject(3, "a", "b"), kOdbKeyExists));
    EXPECT_TRUE(Failed(m_db.CopyObject(3, "a", "b"), kOdbKeyExists));
    EXPECT_EQ(Get(3, "a"), "alpha");
    EXPECT_EQ(Get(3, "b"), "beta");
    EXPECT_TRUE(Failed(m_db.CopyObject(3, "absent", "c"), kOdbNotFound));
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
    EXPECT_TRUE(Failed(m_db.GetFirst(&kind, &name), kOdbNotFound));
    ASSERT_TRUE(Put(5, "b", "22"));
    ASSERT_TRUE(Put(5, "a", "1"));
    ASSERT_TRUE(Put(3, "z", "333"));
    ASSERT_TRUE(Put(7, "s", "4444"));
    EXPECT_FALSE(m_db.IsEmpty());
    EXPECT_TRUE(Failed(m_db.GetFirstOfKind(4, &name, &length), kOdbNotFound));
    EXPECT_FALSE(m_db.GetFirstOfKind(8, &name, &length));
    ASSERT_TRUE(m_db.GetFirstOfKind(5, &name, &length));
    EXPECT_EQ(name + std::to_string(length), "a1");
    ASSERT_TRUE(m_db.GetFirstOfKind(-1, &name, &length));
    EXPECT_EQ(name, "z");
    // The walk: kind, name and (when asked) data of each step.
    std::vector<uint8_t> data;
    auto step = [&](bool ok) {
        return ok ? std::to_string(kind) + name + "=" + std::string(data.begin(), data.end())
                  : "<end>";
    };
    EXPECT_EQ(step(m_db.GetFirst(&kind, &name, &data)), "3z=333");
    data.clear();
    EXPECT_EQ(step(m_db.GetNext(&kind, &name)), "5a=");
    EXPECT_EQ(step(m_db.GetNext(&kind, &name, &data)), "5b=22");
    data.clear();
    EXPECT_EQ(step(m_db.GetNext(&kind, &name)), "7s=");
    EXPECT_TRUE(Failed(m_db.GetNext(&kind, &name), kOdbNotFound));
    EXPECT_EQ(step(m_db.GetLast(&kind, &name)), "7s=");
    EXPECT_EQ(step(m_db.GetPrevious(&kind, &name)), "5b=");
    ASSERT_TRUE(m_db.GetFirst(&kind, &name));
    EXPECT_FALSE(m_db.GetPrevious(&kind, &name));

    std::vector<DATABASE_OBJECT_STRING> strings;
    EXPECT_EQ(m_db.ListObjectStrings(5, &strings), 2);
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[1].name + "=" + strings[1].value, "b=22");
}

TEST_F(ObjectDatabaseTest, BulkDeletesFollowTheirFlags) {
    for (const char* n : {"a", "b", "c", "d"})
        ASSERT_TRUE(Put(3, n, n));
    ASSERT_TRUE(Put(5, "a", "thumb"));
    std::vector<DATABASE_OBJECT_ITEM> items;
    ASSERT_EQ(m_db.ListObjects(3, &items), 4);
    for (const auto& item : items)
        EXPECT_EQ(item.flag, 0);
    items[1].flag = 1;
    items[3].flag = 1;
    EXPECT_EQ(m_db.DeleteObjects(&items, 1), 2);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].name + items[1].name, "ac");
    EXPECT_EQ(Names(3), (Strings{"a", "c"}));
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
    Strings names = {"x", "nope"};
    EXPECT_EQ(m_db.DeleteObjects(3, &names), 1);
    EXPECT_EQ(names, (Strings{"nope"}));
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
    EXPECT_EQ(Names(5), (Strings{"C:\\OLDER\\B.BMP", "D:\\NEW\\A.BMP", "D:\\NEW\\b.bmp"}));
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
        std::string s(rng() % (maxLen + 1), ' ');
        for (char& ch : s)
            ch = alphabet[rng() % alphabet.size()];
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
        Strings listed;
        EXPECT_EQ(m_db.ListObjectsByPrefix(5, prefix, &listed), expectedDeleted) << prefix;
        EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
        ASSERT_EQ(m_db.DeleteByPrefix(5, prefix), expectedDeleted) << "prefix " << prefix;
        Strings left = Names(5);
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
    EXPECT_TRUE(
        Failed(m_db.ImportFile(5, "c:\\a.bmp", source, false, ImportMode::Add), kOdbCannotAdd));
    EXPECT_TRUE(
        Failed(m_db.ImportFile(5, "c:\\new.bmp", source, false, ImportMode::Update), kOdbNotFound));
    WriteFile(source, "second");
    EXPECT_TRUE(m_db.ImportFile(5, "c:\\a.bmp", source, true, ImportMode::Put));
    EXPECT_FALSE(FileExists(source)); // deleted after the store
    EXPECT_EQ(Get(5, "c:\\a.bmp"), "second");
    const std::pair<std::string, int> badSources[] = {{m_dir / "nothing", kOdbFileMissing},
                                                      {"", kOdbFileMissing},
                                                      {m_dir.path(), kOdbCannotOpenSource}};
    for (const auto& [path, code] : badSources)
        EXPECT_TRUE(Failed(m_db.ImportFile(5, "x", path, true, ImportMode::Put), code)) << path;

    std::string target = m_dir / "out.png";
    ASSERT_TRUE(m_db.ExportObject(5, "c:\\a.bmp", target));
    EXPECT_EQ(ReadFile(target), "second");
    EXPECT_TRUE(Failed(m_db.ExportObject(5, "absent", target), kOdbNotFound));
    EXPECT_TRUE(Failed(m_db.ExportObject(5, "c:\\a.bmp", m_dir / "no-such-dir/out.png"),
                       kOdbCannotCreateTarget));
}

#ifdef VORLANE_FAULT_INJECTION
TEST_F(ObjectDatabaseTest, FailuresOfTheFileLayerGetTheirCodes) {
    namespace fault = platform::fault;
    std::string source = m_dir / "src.bin";
    WriteFile(source, "source bytes");
    ASSERT_TRUE(Put(5, "keep", "kept"));
    ASSERT_TRUE(m_db.Flush());
    auto arm = [](fault::Op op, int err) {
        fault::Reset();
        fault::Arm(op, 1, err);
    };
    arm(fault::Op::Open, EACCES);
    EXPECT_TRUE(
        Failed(m_db.ImportFile(5, "x", source, false, ImportMode::Put), kOdbCannotOpenSource));
    arm(fault::Op::Read, EIO);
    EXPECT_TRUE(
        Failed(m_db.ImportFile(5, "x", source, false, ImportMode::Put), kOdbCannotReadSource));

    // A failed export leaves the old file as it was and no partial file.
    std::string target = m_dir / "old.png";
    WriteFile(target, "old contents");
    arm(fault::Op::Write, ENOSPC);
    EXPECT_TRUE(Failed(m_db.ExportObject(5, "keep", target), kOdbCannotWriteTarget));
    EXPECT_EQ(ReadFile(target), "old contents");

    // A failed store: add refused, then every change refused until reopened.
    arm(fault::Op::Write, ENOSPC);
    EXPECT_TRUE(Failed(Put(5, "new", std::string(3000, 'n')), kOdbCannotAdd));
    EXPECT_NE(m_db.LastErrorDetail().find("No space"), std::string::npos) << m_db.LastErrorDetail();
    fault::Reset();
    EXPECT_TRUE(Failed(Put(5, "keep", "changed"), kOdbCannotUpdate));
    EXPECT_TRUE(Failed(m_db.Flush(), kOdbCannotSave));
    EXPECT_EQ(Get(5, "keep"), "kept"); // reads still work
    EXPECT_TRUE(Failed(m_db.Close(), kOdbCannotSave));
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
    EXPECT_TRUE(Failed(m_db.OpenObjectForReading(3, "absent", &in), kOdbNotFound));
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

TEST(ObjectDatabaseTextsTest, EveryCodeHasItsMessage) {
    const char* texts[] = {"",
                           "Database does not exist!",
                           "Object record size is out of range!",
                           "Invalid key.",
                           "Unable to allocate database object work record!",
                           "Max record size allowed is 30000!",
                           "Object not found in database!",
                           "Object buffer too small to receive object!",
                           "Unable to delete the specified object!",
                           "Unable to update object (disk full?"
                           "?).",
                           "Unable to add object (disk full?"
                           "?).",
                           "Specified key already exists!",
                           "File does not exist!",
                           "Unable to open source file!",
                           "Unable to create target file!",
                           "Unable to read all of source file!",
                           "Unable to write object to target file!",
                           "Source file exceeds maximum database object size!",
                           "There are not any available file handles!",
                           "Unable to allocate buffer for object record!",
                           "Unable to save the object database (disk full?"
                           "?).",
                           "Unable to read the object database (the file is damaged).",
                           ""};
    for (int code = 0; code < int(std::size(texts)); ++code)
        EXPECT_EQ(CObjectDatabase::ErrorText(code), texts[code]) << code;
    EXPECT_EQ(CObjectDatabase::ErrorText(99), "");
}

} // namespace
} // namespace vorlane::objdb
