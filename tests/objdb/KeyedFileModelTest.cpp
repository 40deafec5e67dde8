// The keyed record file against a reference model (std::map) under random
// adds, updates, deletes, finds and walks with fixed seeds. After each batch
// the checker must find nothing and both walks must equal the model; some
// batches commit and some reopen the file.
#include "KeyedFileTestUtil.h"
#include "objdb/CKeyedFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace vorlane::objdb {
namespace {

using test::Flatten;
using test::ReadAll;

class Generator {
  public:
    explicit Generator(uint64_t seed) : m_rng(seed) {}

    size_t Below(size_t n) { return size_t(m_rng() % n); }
    bool Chance(int percent) { return Below(100) < size_t(percent); }

    // Keys cluster under a few prefixes so that blocks fill with neighbours,
    // and some are long, so that few fit in a block.
    std::string Key() {
        static const char* kPrefixes[] = {"", "0003", "0005c:\\photos\\", "0007\\Fonts\\", "zz"};
        std::string key = kPrefixes[Below(5)];
        size_t len = Chance(10) ? 100 + Below(137) : Below(12);
        for (size_t i = 0; i < len; ++i)
            key.push_back("abAB09_\\.x"[Below(10)]);
        key.resize(std::min<size_t>(key.size(), 241)); // the longest key
        return key;
    }

    std::string Data() {
        size_t len;
        int pick = int(Below(100));
        if (pick < 10)
            len = 0;
        else if (pick < 80)
            len = Below(1200);
        else if (pick < 97)
            len = 1000 + Below(8000);
        else
            len = 30000 - Below(3);
        std::string data(len, '\0');
        for (char& c : data)
            c = char(m_rng());
        return data;
    }

  private:
    std::mt19937_64 m_rng;
};

void ExpectMatches(CKeyedFile& file, const std::map<std::string, std::string>& model,
                   const std::string& when) {
    std::vector<std::string> problems = file.Check();
    EXPECT_TRUE(problems.empty()) << when << ": " << problems.front();
    auto expected = Flatten(model);
    auto forward = ReadAll(file);
    ASSERT_EQ(forward.size(), expected.size()) << when;
    EXPECT_TRUE(forward == expected) << when << ": forward walk differs";
    EXPECT_TRUE(ReadAll(file, 1, true) == expected) << when << ": backward walk differs";
}

void RunModel(uint64_t seed, int batches, int opsPerBatch) {
    vorlane::test::TempDir dir;
    std::string path = dir / "model.dat";
    CKeyedFile file;
    ASSERT_EQ(file.Create(path, 'E', 1), kKfSuccess);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    file.SetDurable(false);
    Generator gen(seed);
    std::map<std::string, std::string> model; // the handle's view
    std::vector<std::string> keys;            // keys ever used, for hits on old keys

    for (int batch = 0; batch < batches; ++batch) {
        for (int op = 0; op < opsPerBatch; ++op) {
            std::string key =
                (!keys.empty() && gen.Chance(50)) ? keys[gen.Below(keys.size())] : gen.Key();
            bool present = model.count(key) != 0;
            int what = int(gen.Below(100));
            if (what < 40) {
                std::string data = gen.Data();
                int32_t s = file.Add(1, key, 0, data.data(), data.size());
                ASSERT_EQ(s, present ? kKfKeyExists : kKfSuccess) << "add " << key;
                if (!present) {
                    model[key] = data;
                    keys.push_back(key);
                }
            } else if (what < 60) {
                std::string data = gen.Data();
                int32_t s = file.Update(1, key, 0, data.data(), data.size());
                ASSERT_EQ(s, present ? kKfSuccess : kKfNotFound) << "update " << key;
                if (present)
                    model[key] = data;
            } else if (what < 85) {
                int32_t s = file.Delete(1, key, 0);
                ASSERT_EQ(s, present ? kKfSuccess : kKfNotFound) << "delete " << key;
                model.erase(key);
            } else {
                // Find positions on the key or on the next greater one.
                std::string buffer(30000, '\0');
                int32_t s = file.Find(1, key, 0, buffer.data(), buffer.size());
                auto it = model.lower_bound(key);
                if (it == model.end()) {
                    ASSERT_EQ(s, kKfNotFound) << "find " << key;
                    continue;
                }
                ASSERT_EQ(s, it->first == key ? kKfSuccess : 1) << "find " << key;
                ASSERT_EQ(file.CurrentKey(), it->first);
                ASSERT_EQ(file.CurrentLength(), it->second.size());
                ASSERT_EQ(buffer.substr(0, it->second.size()), it->second);
                // A few steps each way from there.
                auto fwd = it;
                for (int k = 0; k < 3; ++k) {
                    ++fwd;
                    int32_t n = file.Next(1, nullptr, 0);
                    if (fwd == model.end()) {
                        ASSERT_EQ(n, kKfNotFound);
                        break;
                    }
                    ASSERT_EQ(n, kKfSuccess);
                    ASSERT_EQ(file.CurrentKey(), fwd->first);
                }
            }
        }
        int action = int(gen.Below(10));
        if (action < 5) {
            ASSERT_EQ(file.Flush(), kKfSuccess);
        } else if (action == 5) {
            ASSERT_EQ(file.Close(), kKfSuccess);
            ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess);
            ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
        } else if (action == 6) {
            // While the handle holds the file nobody else may open it.
            CKeyedFile other;
            EXPECT_EQ(other.Open(path, 'S', 0), kKfInUse);
            EXPECT_EQ(other.Open(path, 'E', 2), kKfInUse);
        }
        ExpectMatches(file, model,
                      "seed " + std::to_string(seed) + " batch " + std::to_string(batch));
        if (::testing::Test::HasFatalFailure())
            return;
    }
    ASSERT_EQ(file.Close(), kKfSuccess);
    ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess);
    ExpectMatches(file, model, "after the last reopen");
    ASSERT_EQ(file.Close(), kKfSuccess);
    EXPECT_TRUE(CheckKeyedFile(path).empty());
}

TEST(KeyedFileModelTest, RandomOperationsMatchAMap) {
    for (auto [seed, batches, ops] : {std::tuple{1, 30, 300}, {2, 30, 300}, {3, 12, 1500}}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RunModel(uint64_t(seed), batches, ops);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// Long runs of ascending and descending keys exercise the right-edge split
// and the merges at both ends of a level.
TEST(KeyedFileModelTest, SequentialInsertAndDeleteKeepTheTreeSound) {
    vorlane::test::TempDir dir;
    std::string path = dir / "seq.dat";
    CKeyedFile file;
    ASSERT_EQ(file.Create(path, 'E', 1), kKfSuccess);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    file.SetDurable(false);
    std::map<std::string, std::string> model;
    auto key = [](int i) {
        char text[64];
        std::snprintf(text, sizeof text, "0005c:\\photos\\2024\\img_%06d.jpg", i);
        return std::string(text);
    };
    for (int i = 0; i < 6000; ++i) {
        std::string data(size_t(i % 7), char('a' + i % 26));
        ASSERT_EQ(file.Add(1, key(i), 0, data.data(), data.size()), kKfSuccess);
        model[key(i)] = data;
    }
    ExpectMatches(file, model, "after ascending adds");
    // Reopened, the walks read the leaves from the file, several at a time.
    ASSERT_EQ(file.Close(), kKfSuccess);
    ASSERT_EQ(file.Open(path, 'E', 2), kKfSuccess);
    ASSERT_EQ(file.SetFlushMode(0), kKfSuccess);
    ExpectMatches(file, model, "after reopening");
    KeyedFileStatistics stats;
    ASSERT_EQ(file.Statistics(&stats), kKfSuccess);
    EXPECT_EQ(stats.records, 6000u);
    // Appending fills blocks: 6000 keys of ~45 bytes need ~270 leaves.
    EXPECT_LT(stats.indexBlocks, 330u);
    // Every other key from the end, then the rest from the start.
    for (int i = 0; i < 6000; ++i) {
        int k = i < 3000 ? 5999 - 2 * i : 2 * (i - 3000);
        ASSERT_EQ(file.Delete(1, key(k), 0), kKfSuccess);
        model.erase(key(k));
        if (i == 2999)
            ExpectMatches(file, model, "after deleting every other key");
    }
    ExpectMatches(file, model, "after deleting all");
    EXPECT_EQ(file.First(1, nullptr, 0), kKfNotFound);
    ASSERT_EQ(file.Close(), kKfSuccess);
    EXPECT_TRUE(CheckKeyedFile(path).empty());
}

} // namespace
} // namespace vorlane::objdb
