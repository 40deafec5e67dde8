#include "catalogue/FileGroups.h"
#include "CatalogueTestSupport.h"
#include "catalogue/CDisplaySettings.h"

#include <gtest/gtest.h>

namespace vorlane::catalogue {
namespace {

class FileGroupsTest : public ::testing::Test {
  protected:
    // Four files; "hidden.dat" is not shown by the criteria, so after the
    // count and sort it is the last one.
    void SetUp() override {
        m_dir.Add("alpha.txt", 100);
        m_dir.Add("Beta.TXT", 200);
        m_dir.Add("cobra.doc", 400);
        m_dir.Add("hidden.dat", 800)->SetShown(false);
        m_dir.Count();
        m_dir.Sort(CDisplaySettings());
    }
    testing::MemoryDirectory m_dir;
};

TEST_F(FileGroupsTest, GroupWordsIgnoreCase) {
    struct {
        const char* word;
        int group;
    } cases[] = {{"[every]", 1},   {"[TAGGED]", 2}, {"[Untagged]", 3}, {"[current]", 4},
                 {"[CURRENT]", 4}, {"every", 0},    {"[all]", 0},      {"", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(GroupFromWord(c.word), c.group) << c.word;
    EXPECT_STREQ(GroupWord(2), "[tagged]");
    EXPECT_STREQ(GroupWord(9), "");
}

TEST_F(FileGroupsTest, SetTagStatesAndCounts) {
    EXPECT_TRUE(SetTag(m_dir, 0, 1));
    EXPECT_FALSE(SetTag(m_dir, 0, 1)) << "already tagged";
    EXPECT_EQ(m_dir.TaggedCount(), 1);
    EXPECT_EQ(m_dir.TaggedSize(), 100u);
    EXPECT_TRUE(SetTag(m_dir, 1, -1));
    EXPECT_EQ(m_dir.TaggedSize(), 300u);
    EXPECT_TRUE(SetTag(m_dir, 1, -1));
    EXPECT_FALSE(m_dir.File(1)->Tagged());
    EXPECT_TRUE(SetTag(m_dir, 0, 0));
    EXPECT_FALSE(SetTag(m_dir, 0, 0)) << "already untagged";
    EXPECT_EQ(m_dir.TaggedCount(), 0);
    EXPECT_EQ(m_dir.TaggedSize(), 0u);
    EXPECT_FALSE(SetTag(m_dir, 17, 1)) << "no such file";
    EXPECT_FALSE(SetTag(m_dir, -1, 1));
}

TEST_F(FileGroupsTest, RangesOfTheShownGroups) {
    SetTag(m_dir, 0, 1);
    SetTag(m_dir, 3, 1); // the file that is not shown
    struct {
        int group;
        int first;
        int last;
        int count;
    } cases[] = {
        {kGroupNone, -1, -1, 0}, {kGroupEvery, 0, 2, 3},
        {kGroupTagged, 0, 2, 2}, {kGroupUntagged, 0, 2, 2}, // counted over the shown files only
        {77, 0, 2, 3},                                      // any other number counts as "[every]"
    };
    for (const auto& c : cases) {
        CGroupRange range = GroupRange(&m_dir, c.group, "");
        EXPECT_EQ(std::vector<int>({range.first, range.last, range.count}),
                  std::vector<int>({c.first, c.last, c.count}))
            << c.group;
    }
    // A run over "[tagged]" visits only shown files: the hidden tagged one
    // is counted but never reached.
    int visited = 0;
    CGroupRange tagged = GroupRange(&m_dir, kGroupTagged, "");
    for (int i = tagged.first; i <= tagged.last; ++i)
        visited += InGroup(*m_dir.File(i), kGroupTagged, "") ? 1 : 0;
    EXPECT_EQ(visited, 1);
    EXPECT_EQ(GroupRange(nullptr, kGroupEvery, "").count, 0);
    testing::MemoryDirectory empty;
    CGroupRange none = GroupRange(&empty, kGroupEvery, "");
    EXPECT_EQ(std::vector<int>({none.first, none.last, none.count}), std::vector<int>({-1, -1, 0}));
}

TEST_F(FileGroupsTest, CurrentGroupMatchesUpperCasedNames) {
    struct {
        const char* pattern;
        int first;
        int last;
        int count;
    } cases[] = {
        {"*.TXT", 0, 1, 2},      {"*.txt", 0, 1, 2},
        {"[a-c]*", 0, 2, 3},     // sets see the upper-cased name: either case
        {"hidden.dat", 3, 3, 1}, // over all files, shown or not
        {"*", 0, 3, 4},          {"nothing", -1, -1, 0},
        {"", -1, -1, 0},         {"[a-", -1, -1, 0}, // a malformed pattern selects nothing
    };
    for (const auto& c : cases) {
        CGroupRange range = GroupRange(&m_dir, kGroupCurrent, c.pattern);
        EXPECT_EQ(std::vector<int>({range.first, range.last, range.count}),
                  std::vector<int>({c.first, c.last, c.count}))
            << c.pattern;
    }
    EXPECT_TRUE(InGroup(*m_dir.File(1), kGroupCurrent, "b*"));
    EXPECT_FALSE(InGroup(*m_dir.File(0), kGroupCurrent, "b*"));
}

TEST_F(FileGroupsTest, InGroupTable) {
    SetTag(m_dir, 1, 1);
    // Membership of an untagged and of a tagged file.
    const std::tuple<int, bool, bool> cases[] = {{kGroupNone, true, true},
                                                 {kGroupEvery, true, true},
                                                 {kGroupTagged, false, true},
                                                 {kGroupUntagged, true, false}};
    for (const auto& [group, untagged, tagged] : cases) {
        EXPECT_EQ(InGroup(*m_dir.File(0), group, ""), untagged) << group;
        EXPECT_EQ(InGroup(*m_dir.File(1), group, ""), tagged) << group;
    }
}

TEST_F(FileGroupsTest, TagsWithHundredThousandFilesStayCounted) {
    testing::MemoryDirectory big;
    for (int i = 0; i < 100000; ++i)
        big.Add(std::string("f").append(std::to_string(i)), static_cast<uint64_t>(i));
    big.Count();
    for (int i = 0; i < big.ShownCount(); ++i)
        SetTag(big, i, 1);
    for (int i = 0; i < big.ShownCount(); i += 2)
        SetTag(big, i, -1);
    uint64_t expected = 0;
    for (int i = 1; i < 100000; i += 2)
        expected += static_cast<uint64_t>(i);
    EXPECT_EQ(big.TaggedCount(), 50000);
    EXPECT_EQ(big.TaggedSize(), expected);
    big.Count();
    EXPECT_EQ(big.TaggedSize(), expected) << "a recount agrees with the running count";
}

TEST_F(FileGroupsTest, CountDropsGoneFilesAndKeepsTheRest) {
    SetTag(m_dir, 1, 1);
    m_dir.File(0)->SetState(kFileGone);
    m_dir.File(1)->SetState(kFileGone);
    m_dir.Count();
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"cobra.doc", "hidden.dat"}));
    EXPECT_EQ(m_dir.FileCount(), 2);
    EXPECT_EQ(m_dir.ShownCount(), 1);
    EXPECT_EQ(m_dir.TotalSize(), 1200u);
    EXPECT_EQ(m_dir.ShownSize(), 400u);
    EXPECT_EQ(m_dir.TaggedCount(), 0);
}

} // namespace
} // namespace vorlane::catalogue
