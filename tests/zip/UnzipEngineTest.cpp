#include "zip/ZipEngine.h"

#include "ZipOpsTestSupport.h"
#include "ZipTestSupport.h"
#include "platform/DosPath.h"
#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "support/TestSupport.h"
#include "zip/ZipIndexCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::zip {
namespace {

using test::HandZip;
using vorlane::test::FileExists;
using vorlane::test::ListDir;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

// What the engine said through its callbacks, and the scripted answers.
struct Script {
    std::vector<std::pair<std::string, int>> progress;
    std::vector<std::pair<int, std::string>> messages;
    std::vector<std::string> statusLines;
    std::map<int, int> answers; // message number -> answer
    int cancelAtProgress = -1;  // 0-based progress call that answers "cancel"

    static bool Progress(const char* text, int percent, void* user) {
        Script* s = static_cast<Script*>(user);
        s->progress.emplace_back(text ? text : "", percent);
        return static_cast<int>(s->progress.size()) - 1 == s->cancelAtProgress;
    }
    static bool Status(const char*, const char* text2, void* user) {
        static_cast<Script*>(user)->statusLines.push_back(text2 ? text2 : "");
        return false;
    }
    static int Message(int number, int, int, int, const char* text, char*, void* user) {
        Script* s = static_cast<Script*>(user);
        s->messages.emplace_back(number, text ? text : "");
        auto it = s->answers.find(number);
        if (it == s->answers.end()) {
            ADD_FAILURE() << "unexpected message " << number << ": " << text;
            return -1;
        }
        return it->second;
    }
    // The names reported finished (percent 100), after the 12-character prefix.
    std::vector<std::string> Finished() const {
        std::vector<std::string> names;
        for (const auto& [text, percent] : progress) {
            if (percent == 100) {
                EXPECT_EQ(text.rfind("Extracting: ", 0), 0u) << text;
                names.push_back(text.substr(12));
            }
        }
        return names;
    }
};

class UnzipEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_oldMap = *platform::DriveMap::Current();
        platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + m_root.path()));
        m_drives = platform::DriveMap::Current();
        ASSERT_EQ(mkdir((m_root / "src").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((m_root / "box").c_str(), 0755), 0);
    }
    void TearDown() override {
        platform::fault::Reset();
        platform::DriveMap::SetCurrent(m_oldMap);
    }

    std::string Host(const std::string& relative) const { return m_root / relative; }
    // Writes archive bytes to C:\<name>; returns the DOS path.
    std::string PutArchive(const std::string& name, const std::string& bytes) {
        WriteFile(Host(name), bytes);
        return "C:\\" + name;
    }
    UnzipCommandRecord Record(int function, const std::string& zipDos) {
        m_zipPath = zipDos;
        UnzipCommandRecord r;
        r.function = function;
        r.zipPath = m_zipPath.c_str();
        r.indexCache = &m_cache;
        r.drives = m_drives.get();
        r.progressCallback = &Script::Progress;
        r.progressUser = &m_script;
        r.statusCallback = &Script::Status;
        r.statusUser = &m_script;
        r.messageCallback = &Script::Message;
        r.messageUser = &m_script;
        r.destination = "C:\\box\\out";
        r.dropPaths = 0;
        return r;
    }
    int Extract(const std::string& zipDos, const char* spec,
                const std::function<void(UnzipCommandRecord&)>& adjust = nullptr) {
        UnzipCommandRecord r = Record(kUnzipExtract, zipDos);
        r.fileSpec = spec;
        if (adjust)
            adjust(r);
        return UnzipEntry(r);
    }
    // cache: another reader's cache instead of the test's own.
    int Count(const std::string& zipDos, ZipIndexCache* cache = nullptr) {
        UnzipCommandRecord r = Record(kUnzipOpen, zipDos);
        if (cache)
            r.indexCache = cache;
        const int rc = UnzipEntry(r);
        return rc == kUnzipOk ? r.count : -rc;
    }
    ZipItemRecord Item(const std::string& zipDos, int index, int* rc = nullptr,
                       ZipIndexCache* cache = nullptr) {
        ZipItemRecord item;
        std::memset(&item, 0x55, sizeof item);
        UnzipCommandRecord r = Record(kUnzipMemberInfo, zipDos);
        if (cache)
            r.indexCache = cache;
        r.buffer = &item;
        r.memberIndex = index;
        const int result = UnzipEntry(r);
        if (rc)
            *rc = result;
        return item;
    }
    // Empties (or makes) box/out, with files holding "old" in it.
    void ResetOut(std::initializer_list<const char*> oldFiles = {}) {
        std::system(("rm -rf '" + Host("box/out") + "'").c_str());
        ASSERT_EQ(mkdir(Host("box/out").c_str(), 0755), 0);
        for (const char* name : oldFiles)
            WriteFile(Host(std::string("box/out/") + name), "old");
    }
    // Names below a directory, recursively, with '/' separators, joined by ','.
    std::string Tree(const std::string& relative = "box") const {
        std::string out;
        std::function<void(const std::string&, const std::string&)> walk =
            [&](const std::string& dir, const std::string& prefix) {
                for (const std::string& name : ListDir(dir)) {
                    out += (out.empty() ? "" : ",") + prefix + name;
                    struct stat st;
                    if (lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                        walk(dir + "/" + name, prefix + name + "/");
                }
            };
        walk(Host(relative), "");
        return out;
    }
    // Makes src/ with known files and times, and archives it with Info-ZIP.
    std::string InfoZipArchive() {
        WriteFile(Host("src/one.txt"), std::string(5000, 'x'));
        EXPECT_EQ(mkdir(Host("src/sub").c_str(), 0755), 0);
        WriteFile(Host("src/sub/two.txt"), "second file");
        WriteFile(Host("src/ro.txt"), "read only");
        chmod(Host("src/ro.txt").c_str(), 0444);
        for (const char* name : {"one.txt", "sub/two.txt", "ro.txt"})
            SetTime(Host(std::string("src/") + name), m_fileTime);
        EXPECT_EQ(test::RunTool(Host("src"),
                                {"zip", "-q", "-r", "../info.zip", "one.txt", "sub", "ro.txt"}),
                  0);
        return "C:\\info.zip";
    }
    static void SetTime(const std::string& path, time_t t) {
        const timespec times[2] = {{t, 0}, {t, 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    static time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
        struct tm tm = {};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        return mktime(&tm);
    }
    static time_t MTime(const std::string& path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
    }

    TempDir m_root;
    platform::DriveMap m_oldMap;
    ZipIndexCache m_cache; // the reader's cache of every record made here
    // The drive map every record translates with (the fixture's C:).
    std::shared_ptr<const platform::DriveMap> m_drives;
    std::string m_zipPath;
    Script m_script;
    const time_t m_fileTime = LocalTime(2024, 3, 5, 14, 7, 10);
};

TEST_F(UnzipEngineTest, ListsAndExtractsAnArchiveMadeByInfoZip) {
    const std::string zip = InfoZipArchive();
    ASSERT_EQ(Count(zip), 4); // one.txt, sub/, sub/two.txt, ro.txt
    const struct {
        const char* name;
        uint32_t size, method, attributes;
    } expects[] = {
        {"one.txt", 5000, 8, 0x20},
        {"sub/", 0, 0, 0x10},
        {"sub/two.txt", 11, 0, 0x20},
        {"ro.txt", 9, 0, 0x21},
    };
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expects[i].name);
        int rc = -1;
        const ZipItemRecord item = Item(zip, static_cast<int>(i), &rc);
        ASSERT_EQ(rc, kUnzipOk);
        EXPECT_STREQ(item.pathName, expects[i].name);
        EXPECT_EQ(uint32_t{item.uncompressedSize}, expects[i].size);
        EXPECT_EQ(uint32_t{item.method}, expects[i].method);
        EXPECT_EQ(uint32_t{item.attributes}, expects[i].attributes);
        EXPECT_EQ(uint32_t{item.memberNumber}, i);
        EXPECT_EQ(uint32_t{item.memberIndex}, i);
        EXPECT_EQ(uint32_t{item.uncompressedHigh}, 0u);
        if (i != 1) {
            EXPECT_EQ(std::string(item.dateText, 10), "03-05-2024");
            EXPECT_STREQ(item.timeText, "14:07");
        }
    }
    EXPECT_LT(uint32_t{Item(zip, 0).compressedSize}, 100u);
    for (int index : {4, -1}) {
        int rc = 0;
        Item(zip, index, &rc);
        EXPECT_EQ(rc, kUnzipIndexOutOfBounds) << index;
    }

    // Extracted with paths, times and modes.
    ASSERT_EQ(Extract(zip, nullptr), kUnzipOk);
    EXPECT_EQ(Tree(), "out,out/one.txt,out/ro.txt,out/sub,out/sub/two.txt");
    EXPECT_EQ(ReadFile(Host("box/out/one.txt")), std::string(5000, 'x'));
    EXPECT_EQ(ReadFile(Host("box/out/sub/two.txt")), "second file");
    EXPECT_EQ(MTime(Host("box/out/one.txt")), m_fileTime);
    EXPECT_EQ(vorlane::test::FileMode(Host("box/out/ro.txt")) & 0222, 0u);
    EXPECT_NE(vorlane::test::FileMode(Host("box/out/one.txt")) & 0200, 0u);
    EXPECT_EQ(m_script.Finished(),
              (std::vector<std::string>{"C:\\box\\out\\one.txt", "C:\\box\\out\\sub\\two.txt",
                                        "C:\\box\\out\\ro.txt"}));
    // Percentages rise within each file and end at 100.
    int last = 0;
    for (const auto& [text, percent] : m_script.progress) {
        EXPECT_GE(percent, last == 100 ? 1 : last) << text;
        EXPECT_GE(percent, 1);
        last = percent;
    }
    EXPECT_EQ(last, 100);
}

TEST_F(UnzipEngineTest, OpenResults) {
    HandZip one, overlapping;
    one.Add("a", std::string(100, 'a'));
    overlapping.Add("a", "aaaa");
    overlapping.Add("b", "bbbb").localOffset = 0;
    const struct {
        const char* name;
        std::optional<std::string> bytes; // none: no file
        int expected;
    } cases[] = {
        {"missing", std::nullopt, kUnzipFileNotFound},
        {"text", "hello, world, this is no zip at all", kUnzipNotZip},
        {"truncated", one.Build().substr(0, 60), kUnzipUnexpectedEnd},
        {"overlapping", overlapping.Build(), kUnzipOverlappingMembers},
        {"empty", HandZip().Build(), kUnzipOk}, // and no members
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dos =
            c.bytes ? PutArchive(std::string(c.name) + ".zip", *c.bytes) : "C:\\nothing.zip";
        EXPECT_EQ(Count(dos), -c.expected);
    }
    // An empty archive has no member 0.
    int rc = 0;
    Item("C:\\empty.zip", 0, &rc);
    EXPECT_EQ(rc, kUnzipIndexOutOfBounds);

    UnzipCommandRecord bad = Record(kUnzipOpen, "C:\\empty.zip");
    bad.recordSize = 140;
    EXPECT_EQ(UnzipEntry(bad), kUnzipBadCommand);
    bad = Record(3, "C:\\empty.zip");
    EXPECT_EQ(UnzipEntry(bad), kUnzipBadCommand);
}

TEST_F(UnzipEngineTest, CommentLengthAndText) {
    struct Case {
        const char* name;
        std::string comment;
        int bufferSize;
        std::string expected;
    } cases[] = {
        {"none", "", 10, ""},
        {"fits", "hello", 100, "hello"},
        {"cut to fit", "hello", 3, "he"},
        {"cut on a character boundary", "gr\xC3\xBC\xC3\x9F", 4, "gr"},
        {"CP437 comment", "caf\x82", 10, "caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandZip zip;
        zip.Add("a", "a");
        zip.comment = c.comment;
        const std::string dos = PutArchive(std::string(c.name) + ".zip", zip.Build());
        UnzipCommandRecord r = Record(kUnzipCommentLength, dos);
        ASSERT_EQ(UnzipEntry(r), kUnzipOk);
        if (c.comment == c.expected) {
            EXPECT_EQ(r.count, static_cast<int>(c.comment.size()));
        }
        std::vector<char> buffer(c.bufferSize + 8, '#');
        r = Record(kUnzipReadComment, dos);
        r.commentBuffer = buffer.data();
        r.count = c.bufferSize;
        ASSERT_EQ(UnzipEntry(r), kUnzipOk);
        EXPECT_STREQ(buffer.data(), c.expected.c_str());
        EXPECT_EQ(buffer[c.bufferSize], '#'); // nothing written past the buffer
    }
}

TEST_F(UnzipEngineTest, SelectsMembers) {
    HandZip zip;
    zip.Add("top.txt", "top");
    zip.Add("dir/a.txt", "a");
    zip.Add("dir/b.dat", "b");
    zip.Add("dir/name with blank.txt", "blank");
    const std::string dos = PutArchive("select.zip", zip.Build());
    const struct {
        const char* name;
        const char* spec;
        int index;
        bool dropPaths;
        int expected;
        const char* tree;
    } cases[] = {
        {"all", nullptr, -1, false, kUnzipOk,
         "out,out/dir,out/dir/a.txt,out/dir/b.dat,out/dir/name with blank.txt,out/top.txt"},
        {"pattern on base names, paths dropped", "*.TXT", -1, true, kUnzipOk,
         "out,out/a.txt,out/name with blank.txt,out/top.txt"},
        {"whole path", "dir\\b.*", -1, false, kUnzipOk, "out,out/dir,out/dir/b.dat"},
        {"quoted name", "\"name with blank.txt\" top.txt", -1, true, kUnzipOk,
         "out,out/name with blank.txt,out/top.txt"},
        {"by index", nullptr, 2, false, kUnzipOk, "out,out/dir,out/dir/b.dat"},
        {"index out of range", nullptr, 4, false, kUnzipIndexOutOfBounds, ""},
        {"nothing matches", "*.doc", -1, false, kUnzipNothingFound, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::system(("rm -rf '" + Host("box/out") + "'").c_str());
        const int rc = Extract(dos, c.spec, [&](UnzipCommandRecord& r) {
            r.memberIndex = c.index;
            r.dropPaths = c.dropPaths;
        });
        EXPECT_EQ(rc, c.expected);
        EXPECT_EQ(Tree(), c.tree);
    }
}

TEST_F(UnzipEngineTest, FreshenUpdateAndOverwriteRules) {
    // The member is dated 2025-06-15 13:45; the files on disk are older,
    // newer or missing.
    HandZip zip;
    zip.Add("old.txt", "new content");
    zip.Add("newer.txt", "new content");
    zip.Add("missing.txt", "new content");
    const std::string dos = PutArchive("rules.zip", zip.Build());
    const time_t memberTime = LocalTime(2025, 6, 15, 13, 45, 0);
    struct Case {
        const char* name;
        bool freshen, update, overwrite;
        int answer; // to the overwrite question, when asked
        std::vector<std::string> replaced;
    } cases[] = {
        {"overwrite all", false, false, true, 0, {"old.txt", "newer.txt", "missing.txt"}},
        {"freshen", true, false, true, 0, {"old.txt"}},
        {"update", false, true, true, 0, {"old.txt", "missing.txt"}},
        {"ask, yes", false, false, false, 6, {"old.txt", "newer.txt", "missing.txt"}},
        {"ask, no", false, false, false, 7, {"missing.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOut({"old.txt", "newer.txt"});
        SetTime(Host("box/out/old.txt"), memberTime - 3600);
        SetTime(Host("box/out/newer.txt"), memberTime + 3600);
        m_script = Script();
        m_script.answers[kMessageOverwrite] = c.answer;
        ASSERT_EQ(Extract(dos, nullptr,
                          [&](UnzipCommandRecord& r) {
                              r.freshen = c.freshen;
                              r.update = c.update;
                              r.overwrite = c.overwrite;
                          }),
                  kUnzipOk);
        for (const char* name : {"old.txt", "newer.txt", "missing.txt"}) {
            const bool replaced =
                std::find(c.replaced.begin(), c.replaced.end(), name) != c.replaced.end();
            const std::string path = Host(std::string("box/out/") + name);
            EXPECT_EQ(FileExists(path) && ReadFile(path) == "new content", replaced) << name;
        }
        if (!c.overwrite) {
            ASSERT_EQ(m_script.messages.size(), 2u);
            EXPECT_EQ(m_script.messages[0].second, "Overwrite 'C:\\box\\out\\old.txt'?");
        }
    }
}

TEST_F(UnzipEngineTest, EncryptedMembers) {
    WriteFile(Host("src/secret.txt"), "the secret text, long enough to be deflated secret secret");
    ASSERT_EQ(test::RunTool(Host("src"),
                            {"zip", "-q", "-e", "-P", "swordfish", "../enc.zip", "secret.txt"}),
              0);
    EXPECT_EQ(uint32_t{Item("C:\\enc.zip", 0).attributes}, 0x20u | kZipItemEncrypted);

    // No password: the member is skipped with a message, and nothing at all
    // extracted gives "nothing found" for the caller's deferred code.
    m_script.answers[kMessageEncryptedSkipped] = 1;
    EXPECT_EQ(Extract("C:\\enc.zip", nullptr), kUnzipNothingFound);
    ASSERT_EQ(m_script.messages.size(), 1u);
    EXPECT_EQ(m_script.messages[0].first, kMessageEncryptedSkipped);

    struct Case {
        const char* password;
        int expected;
    } cases[] = {{"wrong", kUnzipBadPassword}, {"swordfish", kUnzipOk}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        EXPECT_EQ(Extract("C:\\enc.zip", nullptr,
                          [&](UnzipCommandRecord& r) {
                              r.usePassword = 1;
                              r.password = c.password;
                          }),
                  c.expected);
        EXPECT_EQ(FileExists(Host("box/out/secret.txt")), c.expected == kUnzipOk);
    }
    EXPECT_EQ(ReadFile(Host("box/out/secret.txt")),
              "the secret text, long enough to be deflated secret secret");
    EXPECT_EQ(ListDir(Host("box/out")), std::vector<std::string>{"secret.txt"});

    // The password check is one byte: about one of these in 256 passes it
    // and decrypts garbage, which must still read as a wrong password.
    ASSERT_EQ(::remove(Host("box/out/secret.txt").c_str()), 0);
    for (int n = 0; n < 1500; ++n) {
        const std::string wrong = "wrong" + std::to_string(n);
        ASSERT_EQ(Extract("C:\\enc.zip", nullptr,
                          [&](UnzipCommandRecord& r) {
                              r.usePassword = 1;
                              r.password = wrong.c_str();
                          }),
                  kUnzipBadPassword)
            << wrong;
    }
    EXPECT_FALSE(FileExists(Host("box/out/secret.txt")));
}

TEST_F(UnzipEngineTest, HostileMembersAreRefusedAndNothingLeavesTheDestination) {
    struct Case {
        const char* name;
        std::function<void(HandZip&)> add;
        int expected;
    } cases[] = {
        {"leading slash", [](HandZip& z) { z.Add("/box/evil.txt", "x"); }, kUnzipUnsafeName},
        {"leading backslash", [](HandZip& z) { z.Add("\\evil.txt", "x"); }, kUnzipUnsafeName},
        {"drive letter", [](HandZip& z) { z.Add("C:evil.txt", "x"); }, kUnzipUnsafeName},
        {"dot dot", [](HandZip& z) { z.Add("../evil.txt", "x"); }, kUnzipUnsafeName},
        {"backslash dot dot", [](HandZip& z) { z.Add("..\\evil.txt", "x"); }, kUnzipUnsafeName},
        {"dot dot inside", [](HandZip& z) { z.Add("a/../../evil.txt", "x"); }, kUnzipUnsafeName},
        {"symbolic link",
         [](HandZip& z) { z.Add("link", "..").externalAttributes = test::UnixAttributes(0120777); },
         kUnzipSymlinkMember},
        {"inflates past its size",
         [](HandZip& z) {
             z.Add("bomb.bin", std::string(1 << 20, '\0'), true).uncompressedSize = 10;
         },
         kUnzipMemberTooLarge},
        {"inflates short of its size",
         [](HandZip& z) { z.Add("short.bin", "abc", true).uncompressedSize = 4; }, kUnzipCrcError},
        {"CRC mismatch, stored", [](HandZip& z) { z.Add("crc.txt", "payload").crc ^= 1; },
         kUnzipCrcError},
        {"CRC mismatch, deflated",
         [](HandZip& z) { z.Add("crc.txt", std::string(5000, 'p'), true).crc ^= 1; },
         kUnzipCrcError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandZip zip;
        zip.Add("good.txt", "good");
        c.add(zip);
        const std::string dos = PutArchive("hostile.zip", zip.Build());
        ResetOut({"bomb.bin", "short.bin", "crc.txt"});
        m_script = Script();
        m_script.answers[kMessageMemberRefused] = 1;
        EXPECT_EQ(Extract(dos, nullptr), c.expected);
        // The safe member is extracted; the parent of the destination and
        // the root hold nothing new.
        EXPECT_EQ(ReadFile(Host("box/out/good.txt")), "good");
        EXPECT_EQ(ListDir(Host("box")), std::vector<std::string>{"out"});
        EXPECT_EQ(ListDir(m_root.path()), (std::vector<std::string>{"box", "hostile.zip", "src"}));
        const std::vector<std::string> out = ListDir(Host("box/out"));
        for (const std::string& name : out) {
            EXPECT_EQ(name.find("~vtmp"), std::string::npos) << name;
            struct stat st;
            ASSERT_EQ(lstat(Host("box/out/" + name).c_str(), &st), 0);
            EXPECT_FALSE(S_ISLNK(st.st_mode)) << name;
        }
        // A refused member leaves the old file of its name as it was.
        for (const char* name : {"bomb.bin", "short.bin", "crc.txt"})
            EXPECT_EQ(ReadFile(Host(std::string("box/out/") + name)), "old");
        // A member refused for its name or kind is named to the caller.
        if (c.expected == kUnzipUnsafeName || c.expected == kUnzipSymlinkMember) {
            ASSERT_EQ(m_script.messages.size(), 1u);
            EXPECT_EQ(m_script.messages[0].first, kMessageMemberRefused);
            EXPECT_EQ(m_script.messages[0].second, zip.members().back().name);
        }
    }
}

TEST_F(UnzipEngineTest, LinkInTheDestinationIsNotFollowed) {
    ASSERT_EQ(mkdir(Host("box/out").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(Host("outside").c_str(), 0755), 0);
    ASSERT_EQ(symlink(Host("outside").c_str(), Host("box/out/sub").c_str()), 0);
    WriteFile(Host("box/out/file.txt.target"), "target");
    ASSERT_EQ(symlink(Host("box/out/file.txt.target").c_str(), Host("box/out/file.txt").c_str()),
              0);
    HandZip zip;
    zip.Add("sub/evil.txt", "x");
    zip.Add("file.txt", "replaced");
    m_script.answers[kMessageErrorDetail] = 0;
    EXPECT_EQ(Extract(PutArchive("links.zip", zip.Build()), nullptr), kUnzipCreateOutput);
    EXPECT_TRUE(ListDir(Host("outside")).empty());
    // The failure names the link and says why nothing went through it.
    EXPECT_EQ(m_script.messages,
              (std::vector<std::pair<int, std::string>>{
                  {kMessageErrorDetail, "Cannot create 'C:\\box\\out\\sub': it is a symbolic "
                                        "link, which extraction never follows"}}));
    // The link itself is replaced by the file; its target stays.
    EXPECT_EQ(ReadFile(Host("box/out/file.txt.target")), "target");
    struct stat st;
    ASSERT_EQ(lstat(Host("box/out/file.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(Host("box/out/file.txt")), "replaced");
}

TEST_F(UnzipEngineTest, CancelAndWriteFailuresLeaveNoPartialFile) {
    HandZip zip;
    zip.Add("big.bin", std::string(3 << 20, 'z'), true);
    const std::string dos = PutArchive("big.zip", zip.Build());
    ResetOut({"big.bin"});

    m_script.cancelAtProgress = 0;
    EXPECT_EQ(Extract(dos, nullptr), kUnzipCancelled);
    EXPECT_EQ(ListDir(Host("box/out")), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(ReadFile(Host("box/out/big.bin")), "old");

    struct Case {
        const char* name;
        platform::fault::Op op;
        int nth;
        int error;
        int expected;
        const char* detail; // the path and the reason
    } cases[] = {
        {"disk full", platform::fault::Op::Write, 2, ENOSPC, kUnzipDiskFull,
         "Cannot create 'C:\\box\\out\\big.bin': No space left on device"},
        {"write error", platform::fault::Op::Write, 1, EIO, kUnzipCreateOutput,
         "Cannot create 'C:\\box\\out\\big.bin': Input/output error"},
        {"temporary file refused", platform::fault::Op::Open, 2, EACCES, kUnzipCreateOutput,
         "Cannot open 'C:\\box\\out': Permission denied"},
        {"rename refused", platform::fault::Op::Rename, 1, EACCES, kUnzipCreateOutput,
         "Cannot create 'C:\\box\\out\\big.bin': Permission denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_script = Script();
        m_script.answers[kMessageErrorDetail] = 0;
        platform::fault::Reset();
        platform::fault::Arm(c.op, c.nth, c.error);
        EXPECT_EQ(Extract(dos, nullptr), c.expected);
        EXPECT_EQ(m_script.messages,
                  (std::vector<std::pair<int, std::string>>{{kMessageErrorDetail, c.detail}}));
        platform::fault::Reset();
        EXPECT_EQ(ListDir(Host("box/out")), std::vector<std::string>{"big.bin"});
        EXPECT_EQ(ReadFile(Host("box/out/big.bin")), "old");
    }

    // A new file is written under its own name: one that fails or is
    // cancelled is removed again.
    for (const Case& c : cases) {
        if (c.op != platform::fault::Op::Write)
            continue; // a new file is neither opened twice nor renamed
        SCOPED_TRACE(std::string(c.name) + ", new file");
        ResetOut();
        m_script = Script();
        m_script.answers[kMessageErrorDetail] = 0;
        platform::fault::Arm(c.op, c.nth, c.error);
        EXPECT_EQ(Extract(dos, nullptr), c.expected);
        platform::fault::Reset();
        EXPECT_TRUE(ListDir(Host("box/out")).empty());
    }
    ResetOut();
    m_script = Script();
    m_script.cancelAtProgress = 0;
    EXPECT_EQ(Extract(dos, nullptr), kUnzipCancelled);
    EXPECT_TRUE(ListDir(Host("box/out")).empty());
}

TEST_F(UnzipEngineTest, MultiVolumeArchiveAsksFirst) {
    WriteFile(Host("src/random.bin"), testing::RandomBytes(200000, 7));
    ASSERT_EQ(test::RunTool(Host("src"), {"zip", "-q", "-s", "64k", "../split.zip", "random.bin"}),
              0);
    ASSERT_TRUE(FileExists(Host("split.z01")));

    m_script.answers[kMessageMultiVolume] = 2;
    EXPECT_EQ(Count("C:\\split.zip"), -kUnzipUserCancelled);
    m_script.answers[kMessageMultiVolume] = 0;
    EXPECT_EQ(Count("C:\\split.zip"), 1);
    EXPECT_STREQ(Item("C:\\split.zip", 0).pathName, "random.bin");
    EXPECT_EQ(Extract("C:\\split.zip", nullptr), kUnzipVolumeItem);
    EXPECT_EQ(m_script.messages.size(), 3u);
    EXPECT_FALSE(FileExists(Host("box/out/random.bin")));
}

TEST_F(UnzipEngineTest, ArchiveMadeBy7zAndStubbedArchive) {
    WriteFile(Host("src/a.txt"), std::string(10000, 'a'));
    WriteFile(Host("src/b.txt"), "bee");
    ASSERT_EQ(test::RunTool(Host("src"), {"7z", "a", "-tzip", "../seven.zip", "a.txt", "b.txt"}),
              0);
    ASSERT_EQ(Count("C:\\seven.zip"), 2);
    ASSERT_EQ(Extract("C:\\seven.zip", nullptr), kUnzipOk);
    EXPECT_EQ(ReadFile(Host("box/out/a.txt")), std::string(10000, 'a'));
    EXPECT_EQ(ReadFile(Host("box/out/b.txt")), "bee");

    // A self-extractor: code in front of an archive whose offsets do not
    // count it.
    HandZip zip;
    zip.prefix = std::string(4096, '\x90');
    zip.Add("inside.txt", "from the stub", true);
    const std::string dos = PutArchive("sfx.exe", zip.Build());
    ASSERT_EQ(Count(dos), 1);
    ASSERT_EQ(Extract(dos, nullptr, [](UnzipCommandRecord& r) { r.destination = "C:\\box\\sfx"; }),
              kUnzipOk);
    EXPECT_EQ(ReadFile(Host("box/sfx/inside.txt")), "from the stub");
}

TEST_F(UnzipEngineTest, DosNamesAndDirectoryOnlyArchives) {
    HandZip zip;
    zip.Add("Long Directory Name/Long File Name.text", "long");
    ASSERT_EQ(Extract(PutArchive("long.zip", zip.Build()), nullptr,
                      [](UnzipCommandRecord& r) { r.options |= kUnzipDosNames; }),
              kUnzipOk);
    EXPECT_EQ(ReadFile(Host("box/out/LONGDIRE/LONGFILE.TEX")), "long");

    HandZip dirs;
    dirs.AddDirectory("one/");
    dirs.AddDirectory("one/two/");
    const std::string dos = PutArchive("dirs.zip", dirs.Build());
    EXPECT_EQ(Count(dos), 2);
    EXPECT_EQ(uint32_t{Item(dos, 1).attributes}, 0x10u);
    ASSERT_EQ(Extract(dos, nullptr, [](UnzipCommandRecord& r) { r.destination = "C:\\box\\d"; }),
              kUnzipOk);
    EXPECT_EQ(Tree("box/d"), "one,one/two");
}

TEST_F(UnzipEngineTest, ChangedArchiveIsReadAgain) {
    HandZip zip;
    zip.Add("a", "a");
    const std::string dos = PutArchive("changing.zip", zip.Build());
    ASSERT_EQ(Count(dos), 1);
    zip.Add("b", "b");
    PutArchive("changing.zip", zip.Build());
    EXPECT_EQ(Count(dos), 2);
    EXPECT_STREQ(Item(dos, 1).pathName, "b");
    // Member names are cut to the field on a character boundary.
    HandZip longName;
    std::string name(258, 'n');
    name += "\xC3\xBC\xC3\xBC";
    longName.Add(name, "x").flags = 0x0800;
    const ZipItemRecord item = Item(PutArchive("longname.zip", longName.Build()), 0);
    EXPECT_EQ(std::string(item.pathName), name.substr(0, 258));
    // The same DOS path on another drive map names another archive.
    TempDir other;
    m_drives = std::make_shared<const platform::DriveMap>(
        platform::DriveMap::FromSpec("C=" + other.path()));
    HandZip three;
    for (const char* member : {"x", "y", "z"})
        three.Add(member, member);
    WriteFile(other / "changing.zip", three.Build());
    EXPECT_EQ(Count(dos), 3);
    EXPECT_STREQ(Item(dos, 2).pathName, "z");
}

// Every listing of an archive shared one index cache of the engine: a second
// reader opening the archive after another program rewrote it swapped the
// index under the first listing, whose next member then came from the new
// archive (or was out of bounds). A listing is one snapshot of the archive
// as it was opened.
TEST_F(UnzipEngineTest, ListingKeepsItsSnapshotWhileAnotherReaderOpensTheRewrittenArchive) {
    HandZip before;
    for (const char* member : {"a", "b", "c"})
        before.Add(member, member);
    const std::string dos = PutArchive("shared.zip", before.Build());
    ZipIndexCache first;
    ZipIndexCache second;
    ASSERT_EQ(Count(dos, &first), 3);
    HandZip after;
    after.Add("z", "z");
    PutArchive("shared.zip", after.Build());
    EXPECT_EQ(Count(dos, &second), 1);
    for (const auto& [index, name] : {std::pair{1, "b"}, std::pair{2, "c"}}) {
        int rc = -1;
        const ZipItemRecord item = Item(dos, index, &rc, &first);
        ASSERT_EQ(rc, kUnzipOk) << name;
        EXPECT_STREQ(item.pathName, name);
    }
}

// Listing member by member reads the archive once: an open and 100,000
// calls of member information parse one index, which the last member
// drops. Without a cache each call reads the archive again.
TEST_F(UnzipEngineTest, ListingThroughOneCacheReadsTheArchiveOnce) {
    constexpr int kMembers = 100000;
    HandZip zip;
    for (int i = 0; i < kMembers; ++i)
        zip.Add("m" + std::to_string(i), "");
    const std::string dos = PutArchive("many.zip", zip.Build());
    platform::fault::Reset();
    ASSERT_EQ(Count(dos), kMembers);
    EXPECT_EQ(m_cache.Count(), 1u);
    for (int i = 0; i < kMembers; ++i) {
        int rc = -1;
        Item(dos, i, &rc);
        ASSERT_EQ(rc, kUnzipOk) << i;
    }
    EXPECT_EQ(platform::fault::Calls(platform::fault::Op::Open), 1);
    EXPECT_EQ(m_cache.Count(), 0u) << "the last member ends the listing";

    UnzipCommandRecord r = Record(kUnzipOpen, dos);
    r.indexCache = nullptr;
    ASSERT_EQ(UnzipEntry(r), kUnzipOk);
    ZipItemRecord item;
    r = Record(kUnzipMemberInfo, dos);
    r.indexCache = nullptr;
    r.buffer = &item;
    r.memberIndex = 1;
    ASSERT_EQ(UnzipEntry(r), kUnzipOk);
    EXPECT_EQ(platform::fault::Calls(platform::fault::Op::Open), 3);
    EXPECT_EQ(m_cache.Count(), 0u);
}

TEST_F(UnzipEngineTest, CaseOnlyTwinsAreExtractedWhereCaseCounts) {
    // Source trees hold such twins (xt_CONNMARK.h and xt_connmark.h).
    WriteFile(Host("src/xt_CONNMARK.h"), "upper");
    WriteFile(Host("src/xt_connmark.h"), "lower");
    ASSERT_EQ(
        test::RunTool(Host("src"), {"zip", "-q", "../twins.zip", "xt_CONNMARK.h", "xt_connmark.h"}),
        0);
    HandZip folders;
    folders.Add("Dir/a.txt", "first");
    folders.Add("dir/b.txt", "second");
    const std::string dirs = PutArchive("folders.zip", folders.Build());
    const struct {
        const char* name;
        std::string zip;
        bool foldingTarget; // the destination does not tell case apart
        int expected;
        const char* tree;
    } cases[] = {
        {"file twins, case-sensitive target", "C:\\twins.zip", false, kUnzipOk,
         "out,out/xt_CONNMARK.h,out/xt_connmark.h"},
        {"folder twins, case-sensitive target", dirs, false, kUnzipOk,
         "out,out/Dir,out/Dir/a.txt,out/dir,out/dir/b.txt"},
        {"file twins, folding target", "C:\\twins.zip", true, kUnzipCaseCollision,
         "out,out/xt_CONNMARK.h"},
        {"folder twins, folding target", dirs, true, kUnzipCaseCollision,
         "out,out/Dir,out/Dir/a.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOut();
        m_script = Script();
        m_script.answers[kMessageMemberRefused] = 1;
        EXPECT_EQ(Extract(c.zip, nullptr,
                          [&](UnzipCommandRecord& r) {
                              if (c.foldingTarget)
                                  r.options |= kUnzipCaseInsensitiveTarget;
                          }),
                  c.expected);
        EXPECT_EQ(Tree(), c.tree);
        // Each twin holds its own text; the refused one is named.
        if (!c.foldingTarget && c.zip == "C:\\twins.zip") {
            EXPECT_EQ(ReadFile(Host("box/out/xt_CONNMARK.h")), "upper");
            EXPECT_EQ(ReadFile(Host("box/out/xt_connmark.h")), "lower");
        }
        EXPECT_EQ(m_script.messages.size(), c.foldingTarget ? 1u : 0u);
    }
}

TEST_F(UnzipEngineTest, DotSlashRootEntryIsSkippedSilently) {
    // bsdtar starts its archive with a "./" entry for the folder itself.
    WriteFile(Host("src/a.txt"), "from bsdtar");
    ASSERT_EQ(test::RunTool(Host("src"), {"bsdtar", "--format", "zip", "-cf", "../dot.zip", "."}),
              0);
    HandZip dot;
    dot.AddDirectory(".");
    dot.AddDirectory("./");
    dot.Add("./.", "");
    dot.Add("./sub/b.txt", "bee");
    const std::string hand = PutArchive("hand.zip", dot.Build());
    const struct {
        const char* name;
        std::string zip;
        bool dropPaths;
        const char* tree;
    } cases[] = {
        {"bsdtar", "C:\\dot.zip", false, "out,out/a.txt"},
        {"dot entries of every form", hand, false, "out,out/sub,out/sub/b.txt"},
        {"paths dropped", hand, true, "out,out/b.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOut();
        m_script = Script(); // any message fails the test
        EXPECT_EQ(
            Extract(c.zip, nullptr, [&](UnzipCommandRecord& r) { r.dropPaths = c.dropPaths; }),
            kUnzipOk);
        EXPECT_EQ(Tree(), c.tree);
        EXPECT_TRUE(m_script.messages.empty());
    }
}

TEST_F(UnzipEngineTest, EncryptedMemberBesideAPlainOneFailsTheExtract) {
    WriteFile(Host("src/secret.txt"), "the secret");
    WriteFile(Host("src/plain.txt"), "the plain text");
    ASSERT_EQ(test::RunTool(Host("src"), {"zip", "-q", "-P", "pw", "../mixed.zip", "secret.txt"}),
              0);
    ASSERT_EQ(test::RunTool(Host("src"), {"zip", "-q", "../mixed.zip", "plain.txt"}), 0);
    m_script.answers[kMessageEncryptedSkipped] = 1;
    EXPECT_EQ(Extract("C:\\mixed.zip", nullptr), kUnzipEncryptedSkipped);
    EXPECT_EQ(ReadFile(Host("box/out/plain.txt")), "the plain text");
    EXPECT_FALSE(FileExists(Host("box/out/secret.txt")));
    ASSERT_EQ(m_script.messages.size(), 1u);
    EXPECT_EQ(m_script.messages[0], std::make_pair(int{kMessageEncryptedSkipped},
                                                   std::string("C:\\box\\out\\secret.txt")));
}

TEST_F(UnzipEngineTest, BackslashIsASeparatorOnlyForDosHosts) {
    // Info-ZIP on Linux keeps a backslash of a file name as it is.
    WriteFile(Host("src/a\\b.txt"), "one name");
    ASSERT_EQ(test::RunTool(Host("src"), {"zip", "-q", "../unix.zip", "a\\b.txt"}), 0);
    HandZip dos;
    dos.Add("dir\\c.txt", "two names").versionMadeBy = test::kMadeByDos;
    dos.members().back().externalAttributes = 0x20;
    const std::string dosZip = PutArchive("dos.zip", dos.Build());
    const struct {
        const char* name;
        std::string zip;
        const char* listed;
        const char* tree;
    } cases[] = {
        {"Unix host", "C:\\unix.zip", "a\\b.txt", "out,out/a\\b.txt"},
        {"DOS host", dosZip, "dir/c.txt", "out,out/dir,out/dir/c.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOut();
        EXPECT_STREQ(Item(c.zip, 0).pathName, c.listed);
        EXPECT_EQ(Extract(c.zip, nullptr), kUnzipOk);
        EXPECT_EQ(Tree(), c.tree);
    }
}

TEST_F(UnzipEngineTest, InvalidUtf8NameDoesNotStopTheOtherMembers) {
    for (const std::string prefix : {"", "STUB"}) {
        SCOPED_TRACE(prefix.empty() ? "plain" : "behind a stub");
        HandZip zip;
        zip.prefix = prefix;
        zip.Add("good.txt", std::string(3000, 'g'), true).flags = 0x0800;
        zip.Add("bad\xFF.txt", "bad", true).flags = 0x0800;
        zip.Add("also.txt", "also");
        const std::string dos = PutArchive("badname.zip", zip.Build());
        ResetOut();
        m_script = Script();
        m_script.answers[kMessageMemberRefused] = 1;
        ASSERT_EQ(Count(dos), 3);
        EXPECT_EQ(Extract(dos, nullptr), kUnzipInvalidName);
        EXPECT_EQ(Tree(), "out,out/also.txt,out/good.txt");
        EXPECT_EQ(ReadFile(Host("box/out/good.txt")), std::string(3000, 'g'));
        ASSERT_EQ(m_script.messages.size(), 1u);
        EXPECT_EQ(m_script.messages[0].second, "bad\xC2\xA0.txt"); // as listed (CP437)
    }
}

// New in the engine's interface: whole names out, exact names in.
TEST_F(UnzipEngineTest, WholeNamesOutExactNamesIn) {
    HandZip zip;
    const std::string longName = std::string(150, 'd') + "/" + std::string(150, 'f') + ".txt";
    zip.Add(longName, "long");
    for (const char* name : {"README.TXT", "docs/readme.txt", "src/ReadMe.Txt"})
        zip.Add(name, name);
    const std::string dos = PutArchive("names.zip", zip.Build());

    // The item record's field is cut; the whole name comes beside it.
    std::string whole;
    UnzipCommandRecord r = Record(kUnzipMemberInfo, dos);
    ZipItemRecord item;
    r.buffer = &item;
    r.memberIndex = 0;
    r.memberName = &whole;
    ASSERT_EQ(UnzipEntry(r), kUnzipOk);
    EXPECT_EQ(whole, longName);
    EXPECT_EQ(std::strlen(item.pathName), 259u);

    const struct {
        const char* name;
        std::vector<const char*> names;
        int expected;
        const char* tree;
    } cases[] = {
        {"one top-level name", {"README.TXT"}, kUnzipOk, "out,out/README.TXT"},
        {"a path, case kept", {"src/ReadMe.Txt"}, kUnzipOk, "out,out/src,out/src/ReadMe.Txt"},
        {"case differs: no member", {"readme.txt"}, kUnzipNothingFound, "out"},
        {"a base name alone is not a path", {"ReadMe.Txt"}, kUnzipNothingFound, "out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetOut();
        std::vector<const char*> list = c.names;
        list.push_back(nullptr);
        EXPECT_EQ(
            Extract(dos, "*.*", [&](UnzipCommandRecord& rec) { rec.memberNames = list.data(); }),
            c.expected);
        EXPECT_EQ(Tree(), c.tree);
    }
}

} // namespace
} // namespace vorlane::zip
