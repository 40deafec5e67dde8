// The writing side of the zip engine (ZipEntry), checked from outside:
// archives it writes are tested and listed with Info-ZIP unzip and 7z,
// failures and cancels must leave the old archive byte for byte.
#include "zip/ZipEngine.h"

#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vorlane::zip {
namespace {

using platform::fault::Op;

struct ToolResult {
    int status = -1;
    std::string output;
};

ToolResult RunTool(const std::string& command) {
    ToolResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::set<std::string> Members(const std::string& archive) {
    ToolResult r = RunTool("unzip -Z1 " + Quote(archive));
    auto lines = Lines(r.output);
    return {lines.begin(), lines.end()};
}

bool UnzipTestsOk(const std::string& archive, const std::string& password = "") {
    std::string p = password.empty() ? "" : "-P " + Quote(password) + " ";
    return RunTool("unzip -tq " + p + Quote(archive)).status == 0;
}

std::string MemberText(const std::string& archive, const std::string& member,
                       const std::string& password = "") {
    std::string p = password.empty() ? "" : "-P " + Quote(password) + " ";
    return RunTool("unzip -p " + p + Quote(archive) + " " + Quote(member)).output;
}

void SetMtime(const std::string& path, time_t t) {
    struct timeval times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// A test directory that is drive C:, with helpers to build records.
class ZipWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + m_dir.path()));
        ::mkdir(Host("src").c_str(), 0755);
        ::mkdir(Host("out").c_str(), 0755);
        platform::fault::Reset();
    }
    void TearDown() override { platform::fault::Reset(); }

    std::string Host(const std::string& rel) const { return m_dir / rel; }
    static std::string Dos(std::string rel) {
        std::replace(rel.begin(), rel.end(), '/', '\\');
        return "C:\\" + rel;
    }
    void Make(const std::string& rel, const std::string& text, time_t mtime = 0) {
        std::string path = Host(rel);
        for (size_t s = path.find('/', m_dir.path().size() + 1); s != std::string::npos;
             s = path.find('/', s + 1))
            ::mkdir(path.substr(0, s).c_str(), 0755);
        test::WriteFile(path, text);
        if (mtime != 0)
            SetMtime(path, mtime);
    }

    // Runs ZipEntry with a record filled the way the program fills it.
    int Zip(int function, const std::string& spec,
            std::function<void(ZipCommandRecord&)> adjust = {}) {
        ZipCommandRecord record;
        std::string archive = Dos(m_archive);
        record.function = function;
        record.zipPath = archive.c_str();
        record.fileSpec = spec.empty() ? nullptr : spec.c_str();
        record.progressCallback = &ZipWriteTest::OnProgress;
        record.progressUser = this;
        record.messageCallback = &ZipWriteTest::OnMessage;
        record.messageUser = this;
        if (adjust)
            adjust(record);
        return ZipEntry(record);
    }
    std::string Archive() const { return Host(m_archive); }

    static bool OnProgress(const char* text, int percent, void* user) {
        auto* self = static_cast<ZipWriteTest*>(user);
        if (text != nullptr && text[0] != '\0')
            self->m_texts.push_back(text);
        if (percent != 0)
            self->m_percents.push_back(percent);
        return self->m_cancelAt != 0 && ++self->m_calls >= self->m_cancelAt;
    }
    static int OnMessage(int number, int, int, int, const char*, char*, void* user) {
        static_cast<ZipWriteTest*>(user)->m_messages.push_back(number);
        return 2;
    }

    test::TempDir m_dir;
    std::string m_archive = "out/test.zip";
    std::vector<std::string> m_texts;
    std::vector<int> m_percents;
    std::vector<int> m_messages;
    int m_cancelAt = 0;
    int m_calls = 0;
};

// --- path modes and names ----------------------------------------------------------

struct PathModeCase {
    const char* name;
    const char* spec;
    int storeNoPaths;
    uint16_t options;
    int recurse;
    std::set<std::string> members;
};

TEST_F(ZipWriteTest, PathModesStoreTheNamesAsked) {
    const PathModeCase cases[] = {
        {"no paths, one directory", "C:\\src\\docs\\*.txt", 1, 0, 0, {"a.txt", "with blank.txt"}},
        {"no paths, recursing",
         "C:\\src\\docs\\*.txt",
         1,
         0,
         1,
         {"a.txt", "b.txt", "with blank.txt"}},
        {"relative, every name",
         "C:\\src\\docs\\*.*",
         0,
         kZipStoreRelativePaths,
         1,
         {"a.txt", "noext", "sub/", "sub/b.txt", "sub/deep/", "sub/deep/c.log", "with blank.txt"}},
        {"relative, named directory",
         "C:\\src\\docs\\sub",
         0,
         kZipStoreRelativePaths,
         1,
         {"sub/", "sub/b.txt", "sub/deep/", "sub/deep/c.log"}},
        {"full path without drive",
         "C:\\src\\docs\\sub\\*.log",
         0,
         0,
         1,
         {"src/docs/sub/deep/c.log"}},
        {"full path, one file, case ignored", "C:\\SRC\\DOCS\\A.TXT", 0, 0, 0, {"src/docs/a.txt"}},
        {"two names, one quoted",
         "C:\\src\\docs\\noext \"C:\\src\\docs\\with blank.txt\"",
         1,
         0,
         0,
         {"noext", "with blank.txt"}},
    };
    Make("src/docs/a.txt", "a");
    Make("src/docs/noext", "n");
    Make("src/docs/with blank.txt", "w");
    Make("src/docs/sub/b.txt", "b");
    Make("src/docs/sub/deep/c.log", "c");
    for (const PathModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        std::string spec = c.spec;
        ASSERT_EQ(Zip(kZipAdd, spec,
                      [&](ZipCommandRecord& r) {
                          r.storeNoPaths = c.storeNoPaths;
                          r.options = c.options;
                          r.recurse = c.recurse;
                      }),
                  kZipOk);
        EXPECT_EQ(Members(Archive()), c.members);
        EXPECT_TRUE(UnzipTestsOk(Archive()));
    }
}

TEST_F(ZipWriteTest, DosNamesAreShortAndUnique) {
    Make("src/Long Directory Name/longname first.text", "one");
    Make("src/Long Directory Name/longname second.text", "two");
    Make("src/Long Directory Name/OK.TXT", "ok");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"),
                  [](ZipCommandRecord& r) {
                      r.storeNoPaths = 0;
                      r.options = kZipStoreRelativePaths | kZipDosNames;
                      r.recurse = 1;
                  }),
              kZipOk);
    std::set<std::string> members = Members(Archive());
    ASSERT_EQ(members.size(), 4u) << ::testing::PrintToString(members);
    // One to eight name characters, then optionally '.' and one to three.
    auto isShortName = [](const std::string& name) {
        const std::string allowed = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_~!#$%&'()@^`{}-";
        size_t dot = name.find('.');
        std::string base = name.substr(0, dot);
        std::string ext = dot == std::string::npos ? "X" : name.substr(dot + 1);
        return !base.empty() && base.size() <= 8 && !ext.empty() && ext.size() <= 3 &&
               (base + ext).find_first_not_of(allowed) == std::string::npos;
    };
    std::set<std::string> texts;
    for (const std::string& member : members) {
        std::string components = member;
        std::replace(components.begin(), components.end(), '/', '\n');
        for (const std::string& component : Lines(components))
            EXPECT_TRUE(isShortName(component)) << member;
        if (member.back() != '/')
            texts.insert(MemberText(Archive(), member));
    }
    EXPECT_EQ(texts, (std::set<std::string>{"one", "two", "ok"}));
}

TEST_F(ZipWriteTest, NonAsciiNamesAreStoredAsUtf8) {
    Make("src/naïve – ünïcode.txt", "u");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"naïve – ünïcode.txt"}));
    EXPECT_NE(RunTool("7z l " + Quote(Archive())).output.find("naïve – ünïcode.txt"),
              std::string::npos);
}

TEST_F(ZipWriteTest, ArchiveIsNeverAddedToItself) {
    Make("out/a.txt", "a");
    ASSERT_EQ(Zip(kZipAdd, Dos("out\\a.txt")), kZipOk);
    ASSERT_EQ(Zip(kZipAdd, Dos("out\\*.*")), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"a.txt"}));
}

TEST_F(ZipWriteTest, SameMemberNameFromTwoFilesIsRefused) {
    Make("src/one/x.txt", "1");
    Make("src/two/x.txt", "2");
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.txt"), [](ZipCommandRecord& r) { r.recurse = 1; }),
              kZipConflictingNames);
    EXPECT_FALSE(test::FileExists(Archive()));
}

// --- contents, levels, attributes ----------------------------------------------------

TEST_F(ZipWriteTest, ContentsRoundTripAtEveryKindOfLevel) {
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += "line " + std::to_string(i) + " of some compressible text\n";
    std::string big(33u * 1024 * 1024 + 17, '\0'); // compressed while written
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>("abcdefgh"[(i / 7) % 8]);
    const std::pair<const char*, std::string> files[] = {
        {"text.txt", text},
        {"random.bin", RandomBytes(300000, 7)},
        {"empty.dat", ""},
        {"big.dat", big},
    };
    for (const auto& [name, bytes] : files)
        Make(std::string("src/") + name, bytes);
    ::chmod(Host("src/random.bin").c_str(), 0751);
    ::chmod(Host("src/empty.dat").c_str(), 0444); // read-only: DOS attributes 0x21
    SetMtime(Host("src/text.txt"), 1577934246);   // 2020-01-02 03:04:06 UTC

    for (int level : {0, 9}) {
        SCOPED_TRACE("level " + std::to_string(level));
        ::unlink(Archive().c_str());
        ASSERT_EQ(
            Zip(kZipAdd, Dos("src\\*.*"), [&](ZipCommandRecord& r) { r.compressionLevel = level; }),
            kZipOk);
        ASSERT_TRUE(UnzipTestsOk(Archive()));
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(MemberText(Archive(), name) == bytes) << name;
        std::string info = RunTool("unzip -Zv " + Quote(Archive())).output;
        if (level == 0)
            EXPECT_EQ(info.find("deflated"), std::string::npos);
        else
            EXPECT_NE(info.find("deflated"), std::string::npos);
        EXPECT_EQ(RunTool("7z t " + Quote(Archive())).status, 0);
    }
    std::string listing = RunTool("unzip -ZT " + Quote(Archive())).output;
    EXPECT_NE(listing.find("-rwxr-x--x"), std::string::npos) << listing;
    std::string verbose = RunTool("unzip -Zv " + Quote(Archive())).output;
    EXPECT_NE(verbose.find("MS-DOS file attributes (21 hex)"), std::string::npos);
    EXPECT_NE(verbose.find("MS-DOS file attributes (20 hex)"), std::string::npos);
    struct tm local;
    time_t when = 1577934246;
    localtime_r(&when, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d.%H%M%S", &local);
    EXPECT_NE(listing.find(stamp), std::string::npos) << listing;
}

TEST_F(ZipWriteTest, PasswordEncryptsForOtherTools) {
    Make("src/secret.txt", std::string(5000, 's'));
    Make("src/empty.txt", "");
    for (int level : {0, 5}) {
        SCOPED_TRACE("level " + std::to_string(level));
        ::unlink(Archive().c_str());
        ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.txt"),
                      [&](ZipCommandRecord& r) {
                          r.compressionLevel = level;
                          r.usePassword = 1;
                          r.password = "pa ss";
                      }),
                  kZipOk);
        EXPECT_TRUE(UnzipTestsOk(Archive(), "pa ss"));
        EXPECT_FALSE(UnzipTestsOk(Archive(), "wrong"));
        EXPECT_EQ(MemberText(Archive(), "secret.txt", "pa ss"), std::string(5000, 's'));
        EXPECT_EQ(RunTool("7z t -p'pa ss' " + Quote(Archive())).status, 0);
    }
}

TEST_F(ZipWriteTest, LinkToFileIsStoredAsContentLinkToDirectoryIsNotFollowed) {
    Make("elsewhere/target.txt", "target text");
    Make("src/plain.txt", "plain");
    ASSERT_EQ(::symlink(Host("elsewhere/target.txt").c_str(), Host("src/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(Host("elsewhere").c_str(), Host("src/dirlink").c_str()), 0);
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"),
                  [](ZipCommandRecord& r) {
                      r.recurse = 1;
                      r.storeNoPaths = 0;
                      r.options = kZipStoreRelativePaths;
                  }),
              kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"link.txt", "plain.txt"}));
    EXPECT_EQ(MemberText(Archive(), "link.txt"), "target text");
}

// --- freshen, update, add, delete ----------------------------------------------------

struct TimeRuleCase {
    const char* name;
    int function;
    std::string a, b, c; // member texts afterwards ("" = absent)
};

TEST_F(ZipWriteTest, FreshenUpdateAndAddFollowTheTimeRules) {
    const time_t oldTime = 1500000000, newTime = 1600000000;
    const TimeRuleCase cases[] = {
        {"freshen replaces older members only", kZipFreshen, "new a", "old b", ""},
        {"update also adds missing files", kZipUpdate, "new a", "old b", "new c"},
        {"add replaces whatever the times", kZipAdd, "new a", "new b", "new c"},
    };
    for (const TimeRuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        Make("src/a.txt", "old a", oldTime);
        Make("src/b.txt", "old b", oldTime);
        ::unlink(Host("src/c.txt").c_str());
        ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipOk);
        Make("src/a.txt", "new a", newTime); // newer on disk
        Make("src/b.txt", "new b", oldTime); // changed, but not newer
        Make("src/c.txt", "new c", newTime); // not in the archive
        ASSERT_EQ(Zip(c.function, Dos("src\\*.txt")), kZipOk);
        EXPECT_EQ(MemberText(Archive(), "a.txt"), c.a);
        EXPECT_EQ(MemberText(Archive(), "b.txt"), c.b);
        EXPECT_EQ(Members(Archive()).count("c.txt"), c.c.empty() ? 0u : 1u);
        EXPECT_TRUE(UnzipTestsOk(Archive()));
    }
    // Nothing newer: nothing to do, the archive stays as it was.
    std::string before = test::ReadFile(Archive());
    EXPECT_EQ(Zip(kZipUpdate, Dos("src\\*.txt")), kZipNothingToDo);
    EXPECT_EQ(Zip(kZipFreshen, Dos("src\\*.txt")), kZipNothingToDo);
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.none")), kZipNothingToDo);
    EXPECT_TRUE(test::ReadFile(Archive()) == before);
}

struct DeleteCase {
    const char* name;
    std::string spec;
    int result;
    std::set<std::string> left;
};

TEST_F(ZipWriteTest, DeleteRemovesMatchingMembers) {
    const std::set<std::string> all = {"dir/",   "dir/a.txt",   "dir/b.log",
                                       "other/", "other/A.TXT", "c.txt"};
    const DeleteCase cases[] = {
        {"wildcard on base names", "*.txt", kZipOk, {"dir/", "dir/b.log", "other/"}},
        {"one path", "dir\\a.txt", kZipOk, {"dir/", "dir/b.log", "other/", "other/A.TXT", "c.txt"}},
        {"base name, case ignored", "A.TXT", kZipOk, {"dir/", "dir/b.log", "other/", "c.txt"}},
        {"two names", "c.txt dir\\b.log", kZipOk, {"dir/", "dir/a.txt", "other/", "other/A.TXT"}},
        {"path wildcard", "dir\\*", kZipOk, {"other/", "other/A.TXT", "c.txt"}},
        {"nothing matches", "nomatch.txt", kZipNothingToDo, all},
        {"empty specification", "", kZipNothingToDo, all},
    };
    Make("src/dir/a.txt", "a");
    Make("src/dir/b.log", "b");
    Make("src/other/A.TXT", "A");
    Make("src/c.txt", "c");
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"),
                      [](ZipCommandRecord& r) {
                          r.recurse = 1;
                          r.storeNoPaths = 0;
                          r.options = kZipStoreRelativePaths;
                      }),
                  kZipOk);
        ASSERT_EQ(Members(Archive()), all);
        std::string before = test::ReadFile(Archive());
        EXPECT_EQ(Zip(kZipDelete, c.spec), c.result);
        EXPECT_EQ(Members(Archive()), c.left);
        if (c.result != kZipOk)
            EXPECT_TRUE(test::ReadFile(Archive()) == before);
        else
            EXPECT_TRUE(UnzipTestsOk(Archive()));
    }
}

TEST_F(ZipWriteTest, DeletingEveryMemberLeavesAnEmptyArchive) {
    Make("src/a.txt", "a");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt"),
                  [](ZipCommandRecord& r) {
                      r.writeComment = 1;
                      r.comment = "kept";
                  }),
              kZipOk);
    ASSERT_EQ(Zip(kZipDelete, "a.txt"), kZipOk);
    ASSERT_TRUE(test::FileExists(Archive()));
    EXPECT_EQ(test::ReadFile(Archive()).size(), 22u + 4u);
    EXPECT_NE(RunTool("unzip -z " + Quote(Archive())).output.find("kept"), std::string::npos);
    EXPECT_EQ(RunTool("7z l " + Quote(Archive())).status, 0);
    EXPECT_EQ(Zip(kZipDelete, "a.txt"), kZipMissingOrEmpty);
}

// --- comments ----------------------------------------------------------------------------

TEST_F(ZipWriteTest, CommentAloneReplacesOnlyTheComment) {
    Make("src/a.txt", "a");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    auto setComment = [](const char* text) {
        return [text](ZipCommandRecord& r) {
            r.writeComment = 1;
            r.comment = text;
        };
    };
    ASSERT_EQ(Zip(kZipAdd, "", setComment("first comment\r\nsecond line")), kZipOk);
    EXPECT_NE(RunTool("unzip -z " + Quote(Archive())).output.find("second line"),
              std::string::npos);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"a.txt"}));
    ASSERT_EQ(Zip(kZipAdd, "", setComment("")), kZipOk);
    EXPECT_EQ(RunTool("unzip -z " + Quote(Archive())).output.find("second line"),
              std::string::npos);
    EXPECT_TRUE(UnzipTestsOk(Archive()));

    m_archive = "out/new.zip"; // a comment alone makes an empty archive
    ASSERT_EQ(Zip(kZipAdd, "", setComment("only a comment")), kZipOk);
    EXPECT_NE(RunTool("unzip -z " + Quote(Archive())).output.find("only a comment"),
              std::string::npos);
    std::string tooLong(70000, 'x');
    EXPECT_EQ(Zip(kZipAdd, "", setComment(tooLong.c_str())), 7);
}

// --- move, failures, cancel ----------------------------------------------------------------

TEST_F(ZipWriteTest, MoveDeletesSourcesOnlyAfterSuccess) {
    Make("src/tree/a.txt", "a");
    Make("src/tree/sub/b.txt", "b");
    auto move = [](ZipCommandRecord& r) {
        r.move = 1;
        r.recurse = 1;
        r.storeNoPaths = 0;
        r.options = kZipStoreRelativePaths;
    };
    platform::fault::Arm(Op::Write, 1, ENOSPC, true);
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\tree\\*.*"), move), kZipWriteError);
    platform::fault::Reset();
    EXPECT_TRUE(test::FileExists(Host("src/tree/a.txt")));
    EXPECT_TRUE(test::FileExists(Host("src/tree/sub/b.txt")));
    EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{});

    ASSERT_EQ(Zip(kZipAdd, Dos("src\\tree\\*.*"), move), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"a.txt", "sub/", "sub/b.txt"}));
    EXPECT_EQ(test::ListDir(Host("src/tree")), std::vector<std::string>{});
}

struct FailureCase {
    const char* name;
    std::function<void()> arm;
    int result;
};

TEST_F(ZipWriteTest, FailuresLeaveTheOldArchiveWholeAndNoTemporaryFile) {
    Make("src/a.txt", "first");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    Make("src/b.txt", RandomBytes(3 * 1024 * 1024, 3)); // several writes
    const std::string before = test::ReadFile(Archive());
    const FailureCase cases[] = {
        {"disk full at the first write", [] { platform::fault::Arm(Op::Write, 1, ENOSPC); },
         kZipWriteError},
        {"disk full later", [] { platform::fault::Arm(Op::Write, 3, ENOSPC); }, kZipWriteError},
        {"fsync fails", [] { platform::fault::Arm(Op::Fsync, 1, EIO); }, kZipWriteError},
        {"rename fails", [] { platform::fault::Arm(Op::Rename, 1, EXDEV); }, kZipWriteError},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fault::Reset();
        c.arm();
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), c.result);
        platform::fault::Reset();
        EXPECT_TRUE(test::ReadFile(Archive()) == before);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{"test.zip"});
    }
}

TEST_F(ZipWriteTest, UnreadableSourceFailsWithNothingChanged) {
    Make("src/a.txt", "first");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    const std::string before = test::ReadFile(Archive());
    ASSERT_EQ(::symlink(Host("src/missing").c_str(), Host("src/dangling.txt").c_str()), 0);
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipOpenForRead);
    EXPECT_TRUE(test::ReadFile(Archive()) == before);
    EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{"test.zip"});
}

TEST_F(ZipWriteTest, CancelKeepsTheOldArchive) {
    for (int i = 0; i < 20; ++i)
        Make("src/f" + std::to_string(i) + ".txt", RandomBytes(100000, i));
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\f1.txt")), kZipOk);
    const std::string before = test::ReadFile(Archive());
    for (int cancelAt : {1, 5, 15}) {
        SCOPED_TRACE("cancel at callback " + std::to_string(cancelAt));
        m_cancelAt = cancelAt;
        m_calls = 0;
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipUserCancelled);
        EXPECT_TRUE(test::ReadFile(Archive()) == before);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{"test.zip"});
    }
    m_calls = 0;
    m_cancelAt = 1;
    EXPECT_EQ(Zip(kZipDelete, "f1.txt"), kZipUserCancelled);
    EXPECT_TRUE(test::ReadFile(Archive()) == before);
}

TEST_F(ZipWriteTest, ProgressNamesEachMemberAndRisesTo100) {
    for (int i = 0; i < 5; ++i)
        Make("src/p" + std::to_string(i) + ".txt", RandomBytes(50000, i));
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipOk);
    std::set<std::string> texts(m_texts.begin(), m_texts.end());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(texts.count("Adding: p" + std::to_string(i) + ".txt"), 1u);
    ASSERT_FALSE(m_percents.empty());
    EXPECT_TRUE(std::is_sorted(m_percents.begin(), m_percents.end()));
    EXPECT_EQ(m_percents.back(), 100);
}

// --- the archive itself ------------------------------------------------------------------

TEST_F(ZipWriteTest, ArchiveReachedThroughALinkIsChangedAtItsTarget) {
    Make("src/a.txt", "a");
    Make("src/b.txt", "b");
    ::mkdir(Host("real").c_str(), 0755);
    m_archive = "real/target.zip";
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    ASSERT_EQ(::symlink(Host("real/target.zip").c_str(), Host("out/link.zip").c_str()), 0);
    m_archive = "out/link.zip";
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\b.txt")), kZipOk);
    struct stat info;
    ASSERT_EQ(::lstat(Host("out/link.zip").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Members(Host("real/target.zip")), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(test::ListDir(Host("real")), std::vector<std::string>{"target.zip"});
}

TEST_F(ZipWriteTest, ExistingArchiveKeepsItsPermissionBits) {
    Make("src/a.txt", "a");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    ::chmod(Archive().c_str(), 0640);
    Make("src/b.txt", "b");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\b.txt")), kZipOk);
    EXPECT_EQ(test::FileMode(Archive()), 0640u);
}

// Bytes of a zip made by Info-ZIP from two small files.
std::string InfoZipArchive(const std::string& dir) {
    test::WriteFile(dir + "/one.txt", "one one one");
    test::WriteFile(dir + "/two.txt", "two two two");
    RunTool("cd " + Quote(dir) + " && zip -q peer.zip one.txt two.txt");
    return test::ReadFile(dir + "/peer.zip");
}

uint32_t Le32(const std::string& b, size_t at) {
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

struct HostileCase {
    const char* name;
    std::function<std::string(std::string)> corrupt;
    int result;
};

TEST_F(ZipWriteTest, HostileOrDamagedArchivesAreRefusedUnchanged) {
    const std::string good = InfoZipArchive(Host("src"));
    ASSERT_FALSE(good.empty());
    const HostileCase cases[] = {
        {"not a zip file", [](std::string) { return std::string(300, 'x'); }, kZipStructureError},
        {"truncated before the central directory",
         [](std::string b) {
             size_t eocd = b.rfind(std::string("PK\5\6", 4));
             return b.substr(0, 40) + b.substr(eocd);
         },
         kZipUnexpectedEnd},
        {"overlapping members",
         [](std::string b) {
             size_t eocd = b.rfind(std::string("PK\5\6", 4));
             size_t cd = Le32(b, eocd + 16);
             size_t first = 46 + (uint8_t(b[cd + 28]) | uint8_t(b[cd + 29]) << 8) +
                            (uint8_t(b[cd + 30]) | uint8_t(b[cd + 31]) << 8) +
                            (uint8_t(b[cd + 32]) | uint8_t(b[cd + 33]) << 8);
             for (int i = 0; i < 4; ++i) // the second member claims the first one's bytes
                 b[cd + first + 42 + i] = 0;
             return b;
         },
         kZipStructureError},
    };
    Make("src/new.txt", "new");
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.corrupt(good);
        test::WriteFile(Archive(), bytes);
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\new.txt")), c.result);
        EXPECT_EQ(Zip(kZipDelete, "one.txt"), c.result);
        EXPECT_TRUE(test::ReadFile(Archive()) == bytes);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{"test.zip"});
    }
    // The same archive whole is changed normally.
    test::WriteFile(Archive(), good);
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\new.txt")), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"one.txt", "two.txt", "new.txt"}));
    EXPECT_EQ(MemberText(Archive(), "one.txt"), "one one one");
}

TEST_F(ZipWriteTest, MultiVolumeArchiveIsAskedAboutAndRefused) {
    std::string bytes = InfoZipArchive(Host("src"));
    size_t eocd = bytes.rfind(std::string("PK\5\6", 4));
    bytes[eocd + 4] = 1; // this is disk 1; the directory starts on disk 1
    bytes[eocd + 6] = 1;
    test::WriteFile(Archive(), bytes);
    Make("src/new.txt", "new");
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\new.txt")), kZipMultiVolume);
    EXPECT_EQ(m_messages, std::vector<int>{kMessageMultiVolume});
    EXPECT_TRUE(test::ReadFile(Archive()) == bytes);
}

struct BadCallCase {
    const char* name;
    std::function<void(ZipCommandRecord&)> adjust;
    int result;
};

TEST_F(ZipWriteTest, BadCallsAreRefused) {
    Make("src/a.txt", "a");
    const BadCallCase cases[] = {
        {"wrong record size", [](ZipCommandRecord& r) { r.recordSize = 142; }, kZipInternalError},
        {"unknown function", [](ZipCommandRecord& r) { r.function = 6; }, kZipInternalError},
        {"archive directory missing", [](ZipCommandRecord& r) { r.zipPath = "C:\\nodir\\x.zip"; },
         kZipOpenForWrite},
        {"unmapped drive", [](ZipCommandRecord& r) { r.zipPath = "Q:\\x.zip"; }, kZipOpenForWrite},
        {"delete from a missing archive", [](ZipCommandRecord& r) { r.function = kZipDelete; },
         kZipMissingOrEmpty},
        {"freshen a missing archive", [](ZipCommandRecord& r) { r.function = kZipFreshen; },
         kZipNothingToDo},
    };
    for (const BadCallCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\a.txt"), c.adjust), c.result);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{});
    }
}

} // namespace
} // namespace vorlane::zip
