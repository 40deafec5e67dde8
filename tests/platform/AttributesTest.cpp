#include "platform/FileSystem.h"
#include "platform/private/FsXattr.h"

#include "PlatformTestUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

constexpr uint32_t R = kAttrReadOnly, H = kAttrHidden, S = kAttrSystem, A = kAttrArchive,
                   D = kAttrDirectory;

// The raw stored value, or "<none>".
std::string StoredValue(const std::string& path) {
    char value[256];
    ssize_t n = ::getxattr(path.c_str(), detail::kDosAttribName, value, sizeof value);
    return n < 0 ? "<none>" : std::string(value, static_cast<size_t>(n));
}

void Store(const std::string& path, const std::string& value) {
    ASSERT_EQ(::setxattr(path.c_str(), detail::kDosAttribName, value.data(), value.size(), 0), 0)
        << path;
}

uint32_t AttributesOf(const std::string& path) {
    uint32_t attributes = 0xFFFF;
    SysError err;
    EXPECT_TRUE(GetAttributes(path, &attributes, &err)) << err.message;
    return attributes;
}

// A temporary directory and files in it with a given mode.
struct AttributesBase : ::testing::Test {
    std::string Make(const std::string& name, mode_t mode = 0644) {
        test::WriteFile(dir / name, "x");
        ::chmod((dir / name).c_str(), mode);
        return dir / name;
    }
    test::TempDir dir;
};

// Real extended attributes: skipped where the temporary directory's file
// system refuses user attributes (see AttributesWithoutXattrTest for the
// behaviour there).
class AttributesTest : public AttributesBase {
  protected:
    void SetUp() override {
        ::umask(022);
        std::string probe = dir / "probe";
        test::WriteFile(probe, "");
        int rc = ::setxattr(probe.c_str(), "user.vorlane-probe", "1", 1, 0);
        ::unlink(probe.c_str());
        if (rc != 0)
            GTEST_SKIP() << "the file system of " << dir.path()
                         << " refuses user extended attributes (errno " << errno << ")";
    }
};

TEST_F(AttributesTest, StoredValuesAsWineAndSambaWriteThem) {
    struct Case {
        const char* name;
        std::string value;
        uint32_t attributes;
    } cases[] = {
        {"upper-case X", "0X4", S},
        {"archive cleared", "0x0", 0},
        {"Samba text and binary record", std::string("0x22\0\x03\0\0\0\x11\x22", 10), H | A},
        {"more than 32 bits counts as none", "0x100000000", A},
        {"stored read-only and directory bits are not believed", "0x11", 0},
        {"garbage counts as none", "hidden", A},
    };
    for (const Case& c : cases) {
        std::string path = Make("stored");
        Store(path, c.value);
        EXPECT_EQ(AttributesOf(path), c.attributes) << c.name;
        ::unlink(path.c_str());
    }
}

TEST_F(AttributesTest, SettingStoresOnlyWhatPermissionsAndNamesCannotHold) {
    struct Case {
        const char* name;
        mode_t before;
        uint32_t set;
        mode_t after;
        const char* stored;
    } cases[] = {
        {"archive alone is the default: nothing stored", 0644, A, 0644, "<none>"},
        {"archive cleared", 0644, 0, 0644, "0x0"},
        {"system", 0644, S, 0644, "0x4"},
        {"read-only clears every write bit", 0666, R | A, 0444, "<none>"},
        {"read-only cleared gives the owner write", 0444, A, 0644, "<none>"},
        {"read-only file gets system and stays read-only", 0444, R | S | A, 0444, "0x24"},
        {"read-only cleared and system set", 0440, S, 0640, "0x4"},
    };
    for (const Case& c : cases) {
        std::string path = Make("file", c.before);
        SysError err;
        ASSERT_TRUE(SetAttributes(path, c.set | D | kAttrVolume, &err)) << c.name << err.message;
        EXPECT_EQ(test::FileMode(path), c.after) << c.name;
        EXPECT_EQ(StoredValue(path), c.stored) << c.name;
        EXPECT_EQ(AttributesOf(path), c.set) << c.name;
        ::chmod(path.c_str(), 0644);
        ::unlink(path.c_str());
    }
}

TEST_F(AttributesTest, NamesBeginningWithADotAreAlwaysHidden) {
    std::string path = Make(".profile");
    EXPECT_EQ(AttributesOf(path), H | A);
    SysError err;
    ASSERT_TRUE(SetAttributes(path, H | A, &err)) << err.message;
    EXPECT_EQ(StoredValue(path), "<none>") << "the name already says hidden";
    ASSERT_TRUE(SetAttributes(path, H | S, &err));
    EXPECT_EQ(StoredValue(path), "0x4");
    EXPECT_EQ(AttributesOf(path), H | S);
}

TEST_F(AttributesTest, DirectoriesHaveNoArchiveBitUnlessStored) {
    std::string path = dir / "folder";
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    EXPECT_EQ(AttributesOf(path), D);
    SysError err;
    ASSERT_TRUE(SetAttributes(path, H, &err)) << err.message;
    EXPECT_EQ(StoredValue(path), "0x2");
    EXPECT_EQ(AttributesOf(path), D | H);
    ASSERT_TRUE(SetAttributes(path, R | D, &err));
    EXPECT_EQ(test::FileMode(path), 0555u);
    EXPECT_EQ(AttributesOf(path), D | R);
}

TEST_F(AttributesTest, LinksShowTheirTargetAndRefuseChanges) {
    std::string target = Make("target");
    Store(target, "0x22");
    ASSERT_EQ(::symlink("target", (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    EXPECT_EQ(AttributesOf(dir / "link"), H | A);
    EXPECT_EQ(AttributesOf(dir / "dangling"), A);

    SysError err;
    EXPECT_TRUE(SetAttributes(dir / "link", H | A, &err)) << "no change asked for";
    EXPECT_TRUE(FailedWith(SetAttributes(dir / "link", R | A, &err), err, kDosAccessDenied));
    EXPECT_NE(err.message.find("symbolic link"), std::string::npos) << err.message;
    EXPECT_EQ(StoredValue(target), "0x22");
    EXPECT_EQ(test::FileMode(target), 0644u);
}

// A file system that refuses extended attributes, played through the
// platform's attribute call table (a real one cannot be mounted in a test).
class AttributesWithoutXattrTest : public AttributesBase {
  protected:
    void SetUp() override {
        ::umask(022);
        m_saved = detail::Xattr();
        s_getCalls = 0;
        detail::Xattr().get = [](const char*, const char*, void*, size_t) -> ssize_t {
            ++s_getCalls;
            errno = ENOTSUP;
            return -1;
        };
        detail::Xattr().set = [](const char*, const char*, const void*, size_t, int) {
            errno = ENOTSUP;
            return -1;
        };
    }
    void TearDown() override { detail::Xattr() = m_saved; }

    static int s_getCalls;

  private:
    detail::XattrCalls m_saved{};
};

int AttributesWithoutXattrTest::s_getCalls = 0;

TEST_F(AttributesWithoutXattrTest, StoredBitsCannotChangeButPermissionsCan) {
    std::string path = Make("file");
    EXPECT_EQ(AttributesOf(path), A);

    SysError err;
    for (uint32_t wanted : {S | A, 0u}) {
        EXPECT_TRUE(FailedWith(SetAttributes(path, wanted, &err), err, kDosAccessDenied)) << wanted;
        EXPECT_NE(err.message.find("does not support extended attributes"), std::string::npos)
            << err.message;
    }
    ASSERT_TRUE(SetAttributes(path, R | A, &err)) << err.message;
    EXPECT_EQ(test::FileMode(path), 0444u);
    // A change that fails half way leaves the permissions as they were.
    EXPECT_FALSE(SetAttributes(path, S | A, &err));
    EXPECT_EQ(test::FileMode(path), 0444u);
    ASSERT_TRUE(SetAttributes(path, A, &err));
    EXPECT_EQ(test::FileMode(path), 0644u);
}

TEST_F(AttributesWithoutXattrTest, EnumerationStopsAskingAfterTheFirstRefusal) {
    Make("a");
    Make("b");
    Make("c");
    DirectoryReader reader;
    ASSERT_TRUE(reader.Open(dir.path()));
    FileEntry entry;
    int seen = 0;
    while (reader.Next(&entry)) {
        ++seen;
        EXPECT_EQ(entry.attributes, A) << entry.name;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(s_getCalls, 1);
}

} // namespace
} // namespace vorlane::platform
