// The writing side of the zip engine (ZipEntry), checked from outside:
// archives it writes are tested and listed with Info-ZIP unzip and 7z,
// failures and cancels must leave the old archive byte for byte.
#include "zip/ZipEngine.h"

#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include "ZipOpsTestSupport.h"

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
#include <sstream>
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

std::set<std::string> Members(const std::string& archive) {
    std::istringstream lines(RunTool("unzip -Z1 " + Quote(archive)).output);
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            names.insert(line);
    return names;
}

// The member names, sorted, joined by ','.
std::string Listing(const std::string& archive) {
    std::string joined;
    for (const std::string& name : Members(archive))
        joined += (joined.empty() ? "" : ",") + name;
    return joined;
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

std::string Comment(const std::string& archive) {
    return RunTool("unzip -z " + Quote(archive)).output;
}

void SetMtime(const std::string& path, time_t t) {
    struct timeval times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

using testing::RandomBytes;

// Relative paths, recursing: the record the program fills for "add folder".
void Relative(ZipCommandRecord& r) {
    r.recurse = 1;
    r.storeNoPaths = 0;
    r.options = kZipStoreRelativePaths;
}

// A test directory that is drive C:, with helpers to build records.
class ZipWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_drives = std::make_shared<const platform::DriveMap>(
            platform::DriveMap::FromSpec("C=" + m_dir.path()));
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
        record.drives = m_drives.get();
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
    static int OnMessage(int number, int, int, int, const char* text, char*, void* user) {
        auto* self = static_cast<ZipWriteTest*>(user);
        self->m_messages.push_back(number);
        self->m_messageTexts.push_back(text != nullptr ? text : "");
        return self->m_answer;
    }

    test::TempDir m_dir;

    // Drive C: on the test directory, handed to every record.

    std::shared_ptr<const platform::DriveMap> m_drives;
    std::string m_archive = "out/test.zip";
    std::vector<std::string> m_texts;
    std::vector<int> m_percents;
    std::vector<int> m_messages;
    std::vector<std::string> m_messageTexts;
    int m_answer = 2; // to every message: 2 refuses a multi-volume archive, 6 is yes
    int m_cancelAt = 0;
    int m_calls = 0;
};

// --- path modes and names ----------------------------------------------------------

TEST_F(ZipWriteTest, PathModesStoreTheNamesAsked) {
    const struct {
        const char* name;
        const char* spec;
        int storeNoPaths, options, recurse;
        const char* members;
    } cases[] = {
        {"no paths, one directory", "C:\\src\\docs\\*.txt", 1, 0, 0, "a.txt,with blank.txt"},
        {"no paths, recursing", "C:\\src\\docs\\*.txt", 1, 0, 1, "a.txt,b.txt,with blank.txt"},
        {"relative, every name", "C:\\src\\docs\\*.*", 0, kZipStoreRelativePaths, 1,
         "a.txt,noext,sub/,sub/b.txt,sub/deep/,sub/deep/c.log,with blank.txt"},
        {"relative, named directory", "C:\\src\\docs\\sub", 0, kZipStoreRelativePaths, 1,
         "sub/,sub/b.txt,sub/deep/,sub/deep/c.log"},
        {"full path without drive", "C:\\src\\docs\\sub\\*.log", 0, 0, 1,
         "src/docs/sub/deep/c.log"},
        {"full path, one file, case ignored", "C:\\SRC\\DOCS\\A.TXT", 0, 0, 0, "src/docs/a.txt"},
        {"two names, one quoted", "C:\\src\\docs\\noext \"C:\\src\\docs\\with blank.txt\"", 1, 0, 0,
         "noext,with blank.txt"},
    };
    for (const char* name : {"a.txt", "noext", "with blank.txt", "sub/b.txt", "sub/deep/c.log"})
        Make(std::string("src/docs/") + name, name);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        ASSERT_EQ(Zip(kZipAdd, c.spec,
                      [&](ZipCommandRecord& r) {
                          r.storeNoPaths = c.storeNoPaths;
                          r.options = static_cast<uint16_t>(c.options);
                          r.recurse = c.recurse;
                      }),
                  kZipOk);
        EXPECT_EQ(Listing(Archive()), c.members);
        EXPECT_TRUE(UnzipTestsOk(Archive()));
    }
}

TEST_F(ZipWriteTest, DosNamesAreShortAndUnique) {
    Make("src/Long Directory Name/longname first.text", "one");
    Make("src/Long Directory Name/longname second.text", "two");
    Make("src/Long Directory Name/OK.TXT", "ok");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"),
                  [](ZipCommandRecord& r) {
                      Relative(r);
                      r.options |= kZipDosNames;
                  }),
              kZipOk);
    std::set<std::string> members = Members(Archive());
    ASSERT_EQ(members.size(), 4u) << ::testing::PrintToString(members);
    // Each component: one to eight name characters, optionally '.' and one to three.
    auto isShort = [](const std::string& part) {
        const size_t dot = std::min(part.find('.'), part.size());
        const size_t ext = dot == part.size() ? 1 : part.size() - dot - 1;
        return part.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_~!#$%&'()@^`{}-.") ==
                   std::string::npos &&
               std::count(part.begin(), part.end(), '.') <= 1 && dot >= 1 && dot <= 8 && ext >= 1 &&
               ext <= 3;
    };
    std::set<std::string> texts;
    for (const std::string& member : members) {
        std::istringstream parts(member);
        for (std::string part; std::getline(parts, part, '/');)
            EXPECT_TRUE(isShort(part)) << member;
        if (member.back() != '/')
            texts.insert(MemberText(Archive(), member));
    }
    EXPECT_EQ(texts, (std::set<std::string>{"one", "two", "ok"}));
}

TEST_F(ZipWriteTest, NamesOfTheArchiveItselfOfTwoFilesAndNotAscii) {
    Make("out/a.txt", "a"); // the archive is never added to itself
    ASSERT_EQ(Zip(kZipAdd, Dos("out\\a.txt")), kZipOk);
    ASSERT_EQ(Zip(kZipAdd, Dos("out\\*.*")), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"a.txt"}));

    m_archive = "out/utf8.zip"; // stored as UTF-8 for other tools
    Make("src/naïve – ünïcode.txt", "u");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.txt")), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"naïve – ünïcode.txt"}));
    EXPECT_NE(RunTool("7z l " + Quote(Archive())).output.find("naïve – ünïcode.txt"),
              std::string::npos);

    m_archive = "out/two.zip"; // one member name from two files is refused
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
        EXPECT_EQ(info.find("deflated") != std::string::npos, level != 0);
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
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"), Relative), kZipOk);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"link.txt", "plain.txt"}));
    EXPECT_EQ(MemberText(Archive(), "link.txt"), "target text");
}

// --- freshen, update, add, delete ----------------------------------------------------

TEST_F(ZipWriteTest, FreshenUpdateAndAddFollowTheTimeRules) {
    const time_t oldTime = 1500000000, newTime = 1600000000;
    const struct {
        const char* name;
        int function;
        std::string a, b, c; // member texts afterwards ("" = absent)
    } cases[] = {
        {"freshen replaces older members only", kZipFreshen, "new a", "old b", ""},
        {"update also adds missing files", kZipUpdate, "new a", "old b", "new c"},
        {"add replaces whatever the times", kZipAdd, "new a", "new b", "new c"},
    };
    for (const auto& c : cases) {
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
    for (int function : {kZipUpdate, kZipFreshen})
        EXPECT_EQ(Zip(function, Dos("src\\*.txt")), kZipNothingToDo);
    EXPECT_EQ(Zip(kZipAdd, Dos("src\\*.none")), kZipNothingToDo);
    EXPECT_TRUE(test::ReadFile(Archive()) == before);
}

TEST_F(ZipWriteTest, DeleteRemovesMatchingMembers) {
    const std::string all = "c.txt,dir/,dir/a.txt,dir/b.log,other/,other/A.TXT";
    const struct {
        const char* name;
        std::string spec;
        int result;
        std::string left;
    } cases[] = {
        {"wildcard on base names", "*.txt", kZipOk, "dir/,dir/b.log,other/"},
        {"one path", "dir\\a.txt", kZipOk, "c.txt,dir/,dir/b.log,other/,other/A.TXT"},
        {"base name, case ignored", "A.TXT", kZipOk, "c.txt,dir/,dir/b.log,other/"},
        {"two names", "c.txt dir\\b.log", kZipOk, "dir/,dir/a.txt,other/,other/A.TXT"},
        {"path wildcard", "dir\\*", kZipOk, "c.txt,other/,other/A.TXT"},
        {"nothing matches", "nomatch.txt", kZipNothingToDo, all},
        {"empty specification", "", kZipNothingToDo, all},
    };
    for (const char* name : {"dir/a.txt", "dir/b.log", "other/A.TXT", "c.txt"})
        Make(std::string("src/") + name, name);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        ASSERT_EQ(Zip(kZipAdd, Dos("src\\*.*"), Relative), kZipOk);
        ASSERT_EQ(Listing(Archive()), all);
        std::string before = test::ReadFile(Archive());
        EXPECT_EQ(Zip(kZipDelete, c.spec), c.result);
        EXPECT_EQ(Listing(Archive()), c.left);
        if (c.result != kZipOk)
            EXPECT_TRUE(test::ReadFile(Archive()) == before);
        else
            EXPECT_TRUE(UnzipTestsOk(Archive()));
    }
}

// --- comments ----------------------------------------------------------------------------

TEST_F(ZipWriteTest, CommentsAloneAndAfterDeletingEveryMember) {
    auto setComment = [](const char* text) {
        return [text](ZipCommandRecord& r) {
            r.writeComment = 1;
            r.comment = text;
        };
    };
    Make("src/a.txt", "a");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    ASSERT_EQ(Zip(kZipAdd, "", setComment("first comment\r\nsecond line")), kZipOk);
    EXPECT_NE(Comment(Archive()).find("second line"), std::string::npos);
    EXPECT_EQ(Members(Archive()), (std::set<std::string>{"a.txt"}));
    ASSERT_EQ(Zip(kZipAdd, "", setComment("")), kZipOk);
    EXPECT_EQ(Comment(Archive()).find("second line"), std::string::npos);
    EXPECT_TRUE(UnzipTestsOk(Archive()));

    // Deleting every member leaves an empty archive that keeps its comment.
    ASSERT_EQ(Zip(kZipAdd, "", setComment("kept")), kZipOk);
    ASSERT_EQ(Zip(kZipDelete, "a.txt"), kZipOk);
    EXPECT_EQ(test::ReadFile(Archive()).size(), 22u + 4u);
    EXPECT_NE(Comment(Archive()).find("kept"), std::string::npos);
    EXPECT_EQ(RunTool("7z l " + Quote(Archive())).status, 0);
    EXPECT_EQ(Zip(kZipDelete, "a.txt"), kZipMissingOrEmpty);

    m_archive = "out/new.zip"; // a comment alone makes an empty archive
    ASSERT_EQ(Zip(kZipAdd, "", setComment("only a comment")), kZipOk);
    EXPECT_NE(Comment(Archive()).find("only a comment"), std::string::npos);
    std::string tooLong(70000, 'x');
    EXPECT_EQ(Zip(kZipAdd, "", setComment(tooLong.c_str())), 7);
}

// --- move, failures, cancel ----------------------------------------------------------------

TEST_F(ZipWriteTest, MoveDeletesSourcesOnlyAfterSuccess) {
    Make("src/tree/a.txt", "a");
    Make("src/tree/sub/b.txt", "b");
    auto move = [](ZipCommandRecord& r) {
        Relative(r);
        r.move = 1;
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

TEST_F(ZipWriteTest, FailuresAndCancelLeaveTheOldArchiveWholeAndNoTemporaryFile) {
    for (int i = 0; i < 20; ++i)
        Make("src/f" + std::to_string(i) + ".txt", RandomBytes(i == 2 ? 3 << 20 : 100000, i));
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\f1.txt")), kZipOk);
    const std::string before = test::ReadFile(Archive());
    const struct {
        const char* name;
        std::function<void()> arm;
        int result;
        int function = kZipAdd;
    } cases[] = {
        {"disk full at the first write", [] { platform::fault::Arm(Op::Write, 1, ENOSPC); },
         kZipWriteError},
        {"disk full later", [] { platform::fault::Arm(Op::Write, 3, ENOSPC); }, kZipWriteError},
        {"fsync fails", [] { platform::fault::Arm(Op::Fsync, 1, EIO); }, kZipWriteError},
        {"rename fails", [] { platform::fault::Arm(Op::Rename, 1, EXDEV); }, kZipWriteError},
        {"cancel at callback 1", [this] { m_cancelAt = 1; }, kZipUserCancelled},
        {"cancel at callback 5", [this] { m_cancelAt = 5; }, kZipUserCancelled},
        {"cancel at callback 15", [this] { m_cancelAt = 15; }, kZipUserCancelled},
        {"cancel a delete", [this] { m_cancelAt = 1; }, kZipUserCancelled, kZipDelete},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fault::Reset();
        m_calls = m_cancelAt = 0;
        c.arm();
        EXPECT_EQ(Zip(c.function, c.function == kZipDelete ? "f1.txt" : Dos("src\\*.txt")),
                  c.result);
        platform::fault::Reset();
        EXPECT_TRUE(test::ReadFile(Archive()) == before);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{"test.zip"});
    }
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

TEST_F(ZipWriteTest, ArchiveThroughALinkChangesAtItsTargetKeepingItsMode) {
    Make("src/a.txt", "a");
    Make("src/b.txt", "b");
    ::mkdir(Host("real").c_str(), 0755);
    m_archive = "real/target.zip";
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    ::chmod(Archive().c_str(), 0640);
    ASSERT_EQ(::symlink(Host("real/target.zip").c_str(), Host("out/link.zip").c_str()), 0);
    m_archive = "out/link.zip";
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\b.txt")), kZipOk);
    struct stat info;
    ASSERT_EQ(::lstat(Host("out/link.zip").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Members(Host("real/target.zip")), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(test::ListDir(Host("real")), std::vector<std::string>{"target.zip"});
    EXPECT_EQ(test::FileMode(Host("real/target.zip")), 0640u);
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

TEST_F(ZipWriteTest, HostileDamagedOrMultiVolumeArchivesAreRefusedUnchanged) {
    const std::string good = InfoZipArchive(Host("src"));
    ASSERT_FALSE(good.empty());
    const size_t eocd = good.rfind(std::string("PK\5\6", 4));
    const struct {
        const char* name;
        std::function<std::string(std::string)> corrupt;
        int result;
    } cases[] = {
        {"not a zip file", [](std::string) { return std::string(300, 'x'); }, kZipStructureError},
        {"truncated before the central directory",
         [&](std::string b) { return b.substr(0, 40) + b.substr(eocd); }, kZipUnexpectedEnd},
        {"overlapping members",
         [&](std::string b) {
             size_t cd = Le32(b, eocd + 16);
             size_t first = 46 + (Le32(b, cd + 28) & 0xFFFF) + (Le32(b, cd + 30) & 0xFFFF) +
                            (Le32(b, cd + 32) & 0xFFFF);
             b.replace(cd + first + 42, 4, 4, '\0'); // the second claims the first one's bytes
             return b;
         },
         kZipStructureError},
        {"multi-volume",
         [&](std::string b) {
             b[eocd + 4] = 1; // this is disk 1; the directory starts on disk 1
             b[eocd + 6] = 1;
             return b;
         },
         kZipMultiVolume},
    };
    Make("src/new.txt", "new");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.corrupt(good);
        test::WriteFile(Archive(), bytes);
        m_messages.clear();
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\new.txt")), c.result);
        if (c.result == kZipMultiVolume)
            EXPECT_EQ(m_messages, std::vector<int>{kMessageMultiVolume});
        else
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

TEST_F(ZipWriteTest, BadCallsAreRefused) {
    Make("src/a.txt", "a");
    const struct {
        const char* name;
        std::function<void(ZipCommandRecord&)> adjust;
        int result;
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\a.txt"), c.adjust), c.result);
        EXPECT_EQ(test::ListDir(Host("out")), std::vector<std::string>{});
    }
}

TEST_F(ZipWriteTest, CaseTwinsAreTwoMembersWhereBothSidesTellCaseApart) {
    // Both from this (case-sensitive) disk: "A.txt" is a file of its own.
    Make("src/a.txt", "small a");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\a.txt")), kZipOk);
    ::unlink(Host("src/a.txt").c_str());
    Make("src/A.txt", "capital A");
    ASSERT_EQ(Zip(kZipAdd, Dos("src\\A.txt")), kZipOk);
    EXPECT_EQ(Listing(Archive()), "A.txt,a.txt");
    EXPECT_EQ(MemberText(Archive(), "a.txt"), "small a");
    EXPECT_EQ(MemberText(Archive(), "A.txt"), "capital A");
    EXPECT_TRUE(m_messages.empty());

    // A member from a DOS host names the same file: replacing it is asked.
    const std::string dos =
        testing::RawArchive({{"README.TXT", "old text", testing::kRawMadeByDos}});
    Make("src/readme.txt", "new text");
    const struct {
        const char* name;
        int answer;
        int result;
        const char* text;
    } cases[] = {
        {"no keeps the member", 7, kZipNothingToDo, "old text"},
        {"yes replaces it", 6, kZipOk, "new text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(Archive(), dos);
        m_messages.clear();
        m_messageTexts.clear();
        m_answer = c.answer;
        EXPECT_EQ(Zip(kZipAdd, Dos("src\\readme.txt")), c.result);
        EXPECT_EQ(Listing(Archive()), "README.TXT");
        EXPECT_EQ(MemberText(Archive(), "README.TXT"), c.text);
        EXPECT_EQ(m_messages, std::vector<int>{kMessageOverwrite});
        EXPECT_EQ(m_messageTexts, std::vector<std::string>{
                                      "Overwrite 'README.TXT' with 'C:\\src\\readme.txt'? The two "
                                      "names differ only in case."});
    }
}

TEST_F(ZipWriteTest, DeleteByExactNamesRemovesOnlyThoseMembers) {
    const std::string all = "README.TXT,docs/,docs/readme.txt,src/,src/ReadMe.Txt";
    const struct {
        const char* name;
        std::vector<const char*> names;
        int result;
        std::string left;
    } cases[] = {
        {"the top-level member only",
         {"README.TXT"},
         kZipOk,
         "docs/,docs/readme.txt,src/,src/ReadMe.Txt"},
        {"two paths", {"docs/readme.txt", "src/ReadMe.Txt"}, kZipOk, "README.TXT,docs/,src/"},
        {"case must match", {"readme.txt"}, kZipNothingToDo, all},
        {"a base name is not a path", {"ReadMe.Txt"}, kZipNothingToDo, all},
        {"the DOS form is not the name", {"docs\\readme.txt"}, kZipNothingToDo, all},
        {"an empty list is nothing", {}, kZipNothingToDo, all},
    };
    for (const char* name : {"README.TXT", "docs/readme.txt", "src/ReadMe.Txt"})
        Make(std::string("in/") + name, name);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Archive().c_str());
        ASSERT_EQ(Zip(kZipAdd, Dos("in\\*.*"), Relative), kZipOk);
        ASSERT_EQ(Listing(Archive()), all);
        std::vector<const char*> list = c.names;
        list.push_back(nullptr);
        // The specification would match all three; the names win.
        EXPECT_EQ(Zip(kZipDelete, "README.TXT",
                      [&](ZipCommandRecord& r) { r.memberNames = list.data(); }),
                  c.result);
        EXPECT_EQ(Listing(Archive()), c.left);
    }
    // A DOS host's member goes by its listed name, '/' between components.
    test::WriteFile(Archive(), testing::RawArchive({{"DIR\\A.TXT", "a", testing::kRawMadeByDos},
                                                    {"KEEP.TXT", "k", testing::kRawMadeByDos}}));
    const char* listed[] = {"DIR/A.TXT", nullptr};
    EXPECT_EQ(Zip(kZipDelete, "", [&](ZipCommandRecord& r) { r.memberNames = listed; }), kZipOk);
    EXPECT_EQ(Listing(Archive()), "KEEP.TXT");
}

} // namespace
} // namespace vorlane::zip
