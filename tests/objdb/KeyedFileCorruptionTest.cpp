// Damaged files: each case changes bytes of a sound file the way a bad disk,
// a foreign program or a bug could. The engine must answer with a status code
// (never a crash, never an endless walk): at open when the header shows the
// damage, else when the damaged part is read and at the first change, which
// walks the whole file before it writes anything. The file stays as it was,
// and the checker names the problem.
#include "KeyedFileTestUtil.h"
#include "objdb/CKeyedFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace vorlane::objdb {
namespace {

using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

constexpr size_t kBlock = 1024;

// A keyed file's bytes with accessors for the fields the cases change.
struct Raw {
    std::string bytes;

    uint32_t Word(size_t at) const { return test::WordLE(bytes, at); }
    void SetWord(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = char(v >> (8 * i));
    }
    uint16_t Half(size_t at) const {
        return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
    }
    void SetHalf(size_t at, uint16_t v) {
        bytes[at] = char(v);
        bytes[at + 1] = char(v >> 8);
    }
    static size_t Block(uint32_t n) { return kBlock * (n + 1); }
    uint32_t Root() const { return Word(12); }
    uint32_t BlockCount() const { return Word(52); }
    // Offset of entry i of block n.
    size_t Entry(uint32_t n, int i) const {
        size_t at = Block(n) + 18;
        for (int k = 0; k < i; ++k)
            at += 1 + uint8_t(bytes[at]);
        return at;
    }
    size_t EntryTail(uint32_t n, int i) const {
        size_t at = Entry(n, i);
        return at + 1 + uint8_t(bytes[at]) - 4;
    }
    uint32_t EntryRecno(uint32_t n, int i) const { return Word(Entry(n, i) + 3); }
    uint32_t FirstLeaf() const { return Word(Block(Root())); }

    // Gives a changed header a matching checksum and shadow, so the change
    // itself is what the engine meets.
    void Reseal() {
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = 0; i < 344; ++i) {
            crc ^= uint8_t(bytes[i]);
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        SetWord(344, ~crc);
        if (bytes.size() >= 2 * kBlock)
            bytes.replace(kBlock, kBlock, bytes.substr(0, kBlock));
    }
};

class KeyedFileCorruptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = m_dir / "sound.dat";
        CKeyedFile file;
        ASSERT_EQ(file.Create(m_path, 'E', 1), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        // Enough 40-character keys for a root over a row of leaves.
        for (int i = 0; i < 350; ++i) {
            char key[64];
            std::snprintf(key, sizeof key, "0005c:\\photos\\2024\\img_%06d.jpg----", i);
            std::string data(size_t(100 + i % 1500), char('a' + i % 26));
            ASSERT_EQ(file.Add(1, key, 0, data.data(), data.size()), kKfSuccess);
        }
        ASSERT_EQ(file.Close(), kKfSuccess);
        m_sound.bytes = ReadFile(m_path);
        ASSERT_EQ(m_sound.Half(Raw::Block(m_sound.Root()) + 12), 1) << "root is not level 1";
    }

    // Writes the damaged bytes, then expects every way in to answer status:
    // the open when the header shows the damage, else reading the damaged
    // part, the first change (which walks the whole file first) and the
    // checker. Nothing may change the file.
    void ExpectRefused(const std::string& name, const Raw& damaged, int32_t status) {
        std::string path = m_dir / "damaged.dat";
        WriteFile(path, damaged.bytes);
        {
            CKeyedFile reader;
            int32_t opened = reader.Open(path, 'E', 0);
            if (opened != kKfSuccess) {
                EXPECT_EQ(opened, status) << name;
                EXPECT_FALSE(reader.IsOpen()) << name;
                EXPECT_NE(reader.LastErrorDetail().find("damaged.dat"), std::string::npos)
                    << name << ": " << reader.LastErrorDetail();
            } else {
                test::ReadAll(reader); // ends, whatever it meets
                EXPECT_FALSE(reader.Check().empty()) << name;
            }
        }
        CKeyedFile file;
        int32_t opened = file.Open(path, 'E', 2);
        if (opened != kKfSuccess) {
            EXPECT_EQ(opened, status) << name;
        } else {
            EXPECT_EQ(file.Add(1, "0005new", 0, "data", 4), status) << name;
            EXPECT_NE(file.LastErrorDetail().find("damaged"), std::string::npos)
                << name << ": " << file.LastErrorDetail();
            EXPECT_EQ(file.Delete(1, "0005c:\\photos\\2024\\img_000001.jpg----", 0), status)
                << name;
            EXPECT_EQ(file.Close(), kKfSuccess) << name;
        }
        EXPECT_FALSE(CheckKeyedFile(path).empty()) << name;
        EXPECT_EQ(ReadFile(path), damaged.bytes) << name << ": a refused change altered the file";
    }

    TempDir m_dir;
    std::string m_path;
    Raw m_sound;
};

TEST_F(KeyedFileCorruptionTest, DamagedStructuresAreRefusedWithACode) {
    const Raw& s = m_sound;
    uint32_t root = s.Root();
    uint32_t leaf = s.FirstLeaf();
    uint32_t secondLeaf = s.Word(s.EntryTail(root, 0));
    struct Case {
        const char* name;
        std::function<void(Raw&)> damage;
        int32_t status;
    };
    const Case cases[] = {
        {"not a database", [](Raw& r) { r.bytes.assign(8192, 'x'); }, kKfBadMagic},
        {"zeros", [](Raw& r) { r.bytes.assign(4096, '\0'); }, kKfBadMagic},
        {"empty file", [](Raw& r) { r.bytes.clear(); }, kKfBadMagic},
        {"header cut short", [](Raw& r) { r.bytes.resize(500); }, kKfBadMagic},
        {"magic letter wrong", [](Raw& r) { r.bytes[24] = 'X'; }, kKfBadMagic},
        {"format word wrong", [](Raw& r) { r.SetWord(0, 7); }, kKfBadMagic},
        {"truncated file", [](Raw& r) { r.bytes.resize(r.bytes.size() / 2); }, kKfDamaged},
        {"truncated to the header", [](Raw& r) { r.bytes.resize(1024); }, kKfDamaged},
        {"wrong byte-order word", [](Raw& r) { r.SetWord(8, 3); }, kKfBadByteOrder},
        {"block count beyond the file", [&](Raw& r) { r.SetWord(52, s.BlockCount() + 50); },
         kKfDamaged},
        {"root outside the file", [](Raw& r) { r.SetWord(12, 0x7FFFFFF0); }, kKfDamaged},
        {"journal words impossible", [](Raw& r) { r.SetWord(64, 5); }, kKfDamaged},
        {"entry count impossible", [&](Raw& r) { r.SetHalf(Raw::Block(root) + 14, 200); },
         kKfDamaged},
        {"entry count negative", [&](Raw& r) { r.SetHalf(Raw::Block(leaf) + 14, 0xFFFF); },
         kKfDamaged},
        {"free bytes impossible", [&](Raw& r) { r.SetHalf(Raw::Block(leaf) + 16, 2000); },
         kKfDamaged},
        {"free bytes disagree with the entries",
         [&](Raw& r) {
             r.SetHalf(Raw::Block(leaf) + 16, uint16_t(r.Half(Raw::Block(leaf) + 16) + 1));
         },
         kKfDamaged},
        {"entry length runs past the block", [&](Raw& r) { r.bytes[r.Entry(leaf, 0)] = char(255); },
         kKfDamaged},
        {"level negative", [&](Raw& r) { r.SetHalf(Raw::Block(leaf) + 12, 0xFFFE); }, kKfDamaged},
        {"level wrong for its place", [&](Raw& r) { r.SetHalf(Raw::Block(leaf) + 12, 1); },
         kKfDamaged},
        {"child pointer out of range", [&](Raw& r) { r.SetWord(Raw::Block(root), 999999); },
         kKfDamaged},
        {"child pointer to block 0", [&](Raw& r) { r.SetWord(r.EntryTail(root, 0), 0); },
         kKfDamaged},
        {"child pointer back to the root", [&](Raw& r) { r.SetWord(r.EntryTail(root, 1), root); },
         kKfDamaged},
        {"two child pointers to one leaf",
         [&](Raw& r) { r.SetWord(r.EntryTail(root, 1), secondLeaf); }, kKfDamaged},
        {"leaf links to itself", [&](Raw& r) { r.SetWord(Raw::Block(leaf) + 4, leaf); },
         kKfDamaged},
        {"last leaf links onwards",
         [&](Raw& r) {
             uint32_t last = leaf;
             while (r.Word(Raw::Block(last) + 4) != 0xFFFFFFFF)
                 last = r.Word(Raw::Block(last) + 4);
             r.SetWord(Raw::Block(last) + 4, leaf);
         },
         kKfDamaged},
        {"keys out of order in a block", [&](Raw& r) { r.bytes[r.Entry(leaf, 3) + 7] = '\x01'; },
         kKfDamaged},
        {"key outside its parent's range",
         [&](Raw& r) { r.bytes[r.Entry(secondLeaf, 0) + 7] = '\x01'; }, kKfDamaged},
        {"key without its NUL", [&](Raw& r) { r.bytes[r.EntryTail(leaf, 0) - 1] = 'x'; },
         kKfDamaged},
        {"entry names index 0", [&](Raw& r) { r.bytes[r.Entry(leaf, 0) + 1] = 0; }, kKfDamaged},
        {"entry names index 21", [&](Raw& r) { r.bytes[r.Entry(leaf, 0) + 1] = 21; }, kKfDamaged},
        {"record longer than 30000 bytes", [&](Raw& r) { r.SetWord(r.EntryTail(leaf, 0), 40000); },
         kKfDamaged},
        {"record without data block", [&](Raw& r) { r.SetWord(r.Entry(leaf, 0) + 3, 0); },
         kKfDamaged},
        {"record data past the end of the file",
         [&](Raw& r) {
             r.SetWord(r.Entry(leaf, 0) + 3, r.BlockCount() - 1);
             r.SetWord(r.EntryTail(leaf, 0), 20000);
         },
         kKfDamaged},
        {"two records share their data",
         [&](Raw& r) { r.SetWord(r.Entry(leaf, 1) + 3, r.EntryRecno(leaf, 0)); }, kKfDamaged},
        {"record data over an index block", [&](Raw& r) { r.SetWord(r.Entry(leaf, 0) + 3, root); },
         kKfDamaged},
        {"root points at record data", [&](Raw& r) { r.SetWord(12, r.EntryRecno(leaf, 2)); },
         kKfDamaged},
        {"index in a tree of its own that has no root", [](Raw& r) { r.bytes[218] = 3; },
         kKfDamaged},
    };
    for (const Case& c : cases) {
        Raw damaged = m_sound;
        c.damage(damaged);
        // Changes inside the header get their checksum and shadow redone, or
        // the shadow would stand in for the changed header.
        if (damaged.bytes.size() >= 2 * kBlock &&
            damaged.bytes.compare(0, 344, m_sound.bytes, 0, 344) != 0)
            damaged.Reseal();
        ExpectRefused(c.name, damaged, c.status);
    }
}

TEST_F(KeyedFileCorruptionTest, DamagedRecordDataIsReportedWhenRead) {
    Raw damaged = m_sound;
    uint32_t leaf = damaged.FirstLeaf();
    uint32_t recno = damaged.EntryRecno(leaf, 0);
    damaged.SetWord(Raw::Block(recno), recno + 1); // its self-check word
    WriteFile(m_path, damaged.bytes);
    CKeyedFile file;
    ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess);
    std::string buffer(4096, '\0');
    EXPECT_EQ(file.First(1, buffer.data(), buffer.size()), kKfDamaged);
    EXPECT_EQ(file.First(1, nullptr, 0), kKfSuccess); // the entry itself is sound
    EXPECT_EQ(file.Next(1, buffer.data(), buffer.size()), kKfSuccess);
    std::vector<std::string> problems = file.Check();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("record header"), std::string::npos) << problems[0];
}

// The header is written last in a commit; a write torn by a crash fails its
// checksum, and the shadow in block 0, made durable first, takes its place.
TEST_F(KeyedFileCorruptionTest, TornHeaderIsReplacedByItsShadow) {
    Raw torn = m_sound;
    for (size_t i = 100; i < 348; ++i)
        torn.bytes[i] = char(0x5A);
    WriteFile(m_path, torn.bytes);
    {
        CKeyedFile file;
        ASSERT_EQ(file.Open(m_path, 'E', 0), kKfSuccess) << file.LastErrorDetail();
        EXPECT_EQ(test::ReadAll(file).size(), 350u);
    }
    CKeyedFile file;
    ASSERT_EQ(file.Open(m_path, 'E', 2), kKfSuccess) << file.LastErrorDetail();
    EXPECT_EQ(test::ReadAll(file).size(), 350u);
    EXPECT_TRUE(file.Check().empty());
    ASSERT_EQ(file.Close(), kKfSuccess);
    // The writable open repaired the header.
    EXPECT_EQ(ReadFile(m_path).substr(0, 348), m_sound.bytes.substr(0, 348));

    // With the shadow damaged as well nothing can be trusted.
    Raw both = torn;
    both.bytes[1024 + 300] ^= 1;
    ExpectRefused("header and shadow damaged", both, kKfDamaged);
}

// A crash after the header switch leaves a journal whose copies may not have
// reached their homes; opening copies them there.
TEST_F(KeyedFileCorruptionTest, CommittedJournalIsReplayedAtOpen) {
    std::string path = m_dir / "journal.dat";
    std::map<std::string, std::string> model;
    std::string snapshot;
    {
        CKeyedFile file;
        ASSERT_EQ(file.Create(path, 'E', 1), kKfSuccess);
        ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        for (int i = 0; i < 400; ++i) {
            std::string key = "key" + std::to_string(i * 37 % 400);
            std::string data(size_t(i % 300), char(i));
            ASSERT_EQ(file.Add(1, key, 0, data.data(), data.size()), kKfSuccess);
            model[key] = data;
        }
        ASSERT_EQ(file.Flush(), kKfSuccess);
        snapshot = ReadFile(path); // as a crash right now would leave it
    }
    Raw raw{snapshot};
    uint32_t journal = raw.Word(60);
    ASSERT_NE(journal, 0xFFFFFFFFu);
    uint32_t images = raw.Word(Raw::Block(journal) + 8);
    ASSERT_GT(images, 5u);
    // Forget the copies home: as if the crash came before they were written.
    for (uint32_t i = 0; i < images && i < 252; ++i) {
        uint32_t home = raw.Word(Raw::Block(journal) + 16 + 4 * i);
        for (size_t b = 0; b < kBlock; ++b)
            raw.bytes[Raw::Block(home) + b] = 0;
    }
    Raw damagedJournal = raw;
    damagedJournal.bytes[Raw::Block(journal + 2) + 100] ^= 0x40;
    ExpectRefused("journal damaged", damagedJournal, kKfDamaged);

    // Read-only, the journal is read through; writable, it is copied home.
    WriteFile(path, raw.bytes);
    {
        CKeyedFile reader;
        ASSERT_EQ(reader.Open(path, 'S', 0), kKfSuccess) << reader.LastErrorDetail();
        EXPECT_TRUE(test::ReadAll(reader) == test::Flatten(model));
        EXPECT_TRUE(reader.Check().empty());
    }
    EXPECT_EQ(ReadFile(path), raw.bytes);
    CKeyedFile file;
    ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess) << file.LastErrorDetail();
    EXPECT_TRUE(test::ReadAll(file) == test::Flatten(model));
    ASSERT_EQ(file.Close(), kKfSuccess);
    Raw after{ReadFile(path)};
    EXPECT_EQ(after.Word(60), 0xFFFFFFFFu);
    EXPECT_TRUE(CheckKeyedFile(path).empty());
}

// Random byte damage anywhere: whatever opens must walk and check to the end.
TEST_F(KeyedFileCorruptionTest, RandomDamageNeverCrashesOrLoops) {
    std::mt19937 rng(20240611);
    std::string path = m_dir / "random.dat";
    int opened = 0;
    for (int round = 0; round < 150; ++round) {
        Raw damaged = m_sound;
        int flips = 1 + int(rng() % 8);
        for (int k = 0; k < flips; ++k) {
            // Mostly inside index blocks, where a flip is most likely to matter.
            size_t at = rng() % 3 == 0 ? rng() % damaged.bytes.size()
                                       : Raw::Block(damaged.Root()) + rng() % (kBlock * 4);
            if (at < damaged.bytes.size())
                damaged.bytes[at] = char(rng());
        }
        WriteFile(path, damaged.bytes);
        CKeyedFile file;
        if (file.Open(path, 'E', 2) != kKfSuccess)
            continue;
        ++opened;
        auto all = test::ReadAll(file);
        EXPECT_LE(all.size(), 351u);
        file.Check();
        std::string data(2000, 'q');
        file.Add(1, "0005new", 0, data.data(), data.size());
        file.Delete(1, "0005c:\\photos\\2024\\img_000300.jpg----", 0);
        file.Close();
    }
    EXPECT_GT(opened, 10);
}

} // namespace
} // namespace vorlane::objdb
