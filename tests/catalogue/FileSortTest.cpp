#include "catalogue/FileSort.h"
#include "CatalogueTestSupport.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vorlane::catalogue {
namespace {

using Names = std::vector<std::string>;

CDisplaySettings Method(int method, const CSortKey* keys = nullptr) {
    CDisplaySettings settings;
    settings.SetSortMethod(method, keys);
    return settings;
}

Names Sorted(testing::MemoryDirectory& directory, const CDisplaySettings& settings) {
    directory.Sort(settings);
    return directory.Names();
}

TEST(SortMethodTest, MethodsFillTheKeys) {
    struct {
        int method;
        CSortKey first;
        CSortKey second;
        int stored;
    } cases[] = {
        // Methods 1 to 8 are seen at work in the sorts below.
        {9, {kSortDate, -1}, {kSortName, -1}, 9},
        {5, {kSortName, 1}, {kSortExtension, 1}, 1}, // custom without keys
        {42, {kSortName, 1}, {kSortExtension, 1}, 1},
    };
    for (const auto& c : cases) {
        CDisplaySettings settings = Method(c.method);
        EXPECT_EQ(settings.sortMethod, c.stored) << c.method;
        EXPECT_EQ(settings.sortKeys[0], c.first) << c.method;
        EXPECT_EQ(settings.sortKeys[1], c.second) << c.method;
    }
    CSortKey custom[2] = {{kSortSize, -1}, {kSortName, 1}};
    CDisplaySettings settings = Method(kSortMethodCustom, custom);
    EXPECT_EQ(settings.sortMethod, kSortMethodCustom);
    EXPECT_EQ(settings.sortKeys[0], custom[0]);
}

TEST(FileSortTest, AHabitabsCustomKeysFromTheSettingsFileSortTheList) {
    // "FileSortKeys=2,-1,0,1" under method 5: size descending, then name.
    test::TempDir dir;
    test::WriteFile(dir / "VORLANE.INI",
                    "[Habitab 00 Settings]\nName=Big first\nDriveSortMethod=5\n"
                    "FileSortKeys=2,-1,0,1\n");
    platform::ProfileFile ini(dir / "VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    CDisplaySettings settings;
    settings.Read(ini, "Habitab 00 Settings", nullptr);
    testing::MemoryDirectory d;
    d.Add("b.txt", 10);
    d.Add("C.txt", 3000);
    d.Add("a.txt", 10);
    d.Add("d.txt", 0);
    EXPECT_EQ(Sorted(d, settings), (Names{"C.txt", "a.txt", "b.txt", "d.txt"}));
}

TEST(FileSortTest, ByNameIgnoresCaseAndBreaksTiesByBytes) {
    testing::MemoryDirectory d;
    for (const char* name : {"beta", "Alpha", "README", "gamma", "readme", "alpha.txt"})
        d.Add(name);
    EXPECT_EQ(Sorted(d, Method(1)),
              (Names{"Alpha", "alpha.txt", "beta", "gamma", "README", "readme"}));
    EXPECT_EQ(Sorted(d, Method(6)),
              (Names{"README", "readme", "gamma", "beta", "alpha.txt", "Alpha"}))
        << "names equal ignoring case stay ascending by bytes also when descending";
}

TEST(FileSortTest, ExtensionKeyPutsNamesWithoutExtensionFirst) {
    testing::MemoryDirectory d;
    for (const char* name : {"b.txt", "zeta", "a.TXT", "c.arc.gz", "alpha", "d.c"})
        d.Add(name);
    EXPECT_EQ(Sorted(d, Method(2)), (Names{"alpha", "zeta", "c.arc.gz", "d.c", "a.TXT", "b.txt"}))
        << "the extension runs from the first dot; without one first; then the name";
    EXPECT_EQ(Sorted(d, Method(7)), (Names{"b.txt", "a.TXT", "d.c", "c.arc.gz", "zeta", "alpha"}))
        << "descending turns the no-extension rule round too";
}

TEST(FileSortTest, EqualUnderBothKeysOrdersByNameAscending) {
    testing::MemoryDirectory d;
    d.Add("c", 10);
    d.Add("a", 10);
    d.Add("b", 10);
    d.Add("big", 99);
    CSortKey keys[2] = {{kSortSize, -1}, {kSortDate, -1}};
    EXPECT_EQ(Sorted(d, Method(kSortMethodCustom, keys)), (Names{"big", "a", "b", "c"}));
    EXPECT_EQ(Sorted(d, Method(3)), (Names{"a", "b", "c", "big"}));
    EXPECT_EQ(Sorted(d, Method(8)), (Names{"big", "c", "b", "a"})) << "method 8: both keys descend";
}

// Sizes compare whole beyond 4 GB; dates compare date first, then time.
TEST(FileSortTest, SizeAndDateKeysCompareWholeValues) {
    testing::MemoryDirectory d;
    d.Add("huge", (5ull << 32) + 1, 100, 0);
    d.Add("big", 5ull << 32, 99, 0xBF7D);
    d.Add("small", 1, 100, 5);
    EXPECT_EQ(Sorted(d, Method(3)), (Names{"small", "big", "huge"}));
    EXPECT_EQ(Sorted(d, Method(4)), (Names{"big", "huge", "small"}));
}

TEST(FileSortTest, AttributeKeyAndShownFirst) {
    testing::MemoryDirectory d;
    d.Add("x", 0, 0, 0, 0x21);
    d.Add("y", 0, 0, 0, 0x20);
    d.Add("hidden-by-criteria", 0, 0, 0, 0x00);
    d.File(2)->SetShown(false);
    CSortKey keys[2] = {{kSortAttributes, 1}, {kSortName, 1}};
    EXPECT_EQ(Sorted(d, Method(kSortMethodCustom, keys)), (Names{"y", "x", "hidden-by-criteria"}))
        << "a file that is not shown sorts after the shown ones whatever its key";
}

TEST(FileSortTest, UnsortedKeepsListingOrder) {
    testing::MemoryDirectory d;
    for (const char* name : {"c", "a", "b"})
        d.Add(name);
    EXPECT_EQ(Sorted(d, Method(1)), (Names{"a", "b", "c"}));
    EXPECT_EQ(Sorted(d, Method(kSortMethodUnsorted)), (Names{"c", "a", "b"}));
}

// Random lists: the sorted list must be ordered under CompareFiles, the
// comparison must be a total order (antisymmetric, only a file equals
// itself), and every list order must sort to the same result.
TEST(FileSortTest, RandomListsSortToOneTotalOrder) {
    std::mt19937 random(77);
    const Names stems = {"a",   "A",        "b",     "readme",     "README",     "x.y",
                         "X.Y", "z.tar.gz", "noext", "longname-a", "LONGNAME-b", ".longext1"};
    for (int round = 0; round < 50; ++round) {
        testing::MemoryDirectory d;
        const int count = 2 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            std::string name = stems[random() % stems.size()] + std::to_string(random() % 3);
            d.Add(name, random() % 4, static_cast<uint16_t>(random() % 3),
                  static_cast<uint16_t>(random() % 3), random() % 2 ? 0x20 : 0x21);
            d.File(i)->SetShown(random() % 5 != 0);
        }
        CDisplaySettings settings;
        CSortKey keys[2] = {{static_cast<int>(random() % 5), random() % 2 ? 1 : -1},
                            {static_cast<int>(random() % 5), random() % 2 ? 1 : -1}};
        settings.SetSortMethod(kSortMethodCustom, keys);
        d.Sort(settings);
        Names first = d.Names();
        for (int i = 0; i + 1 < d.EntryCount(); ++i)
            ASSERT_LT(CompareFiles(*d.File(i), *d.File(i + 1), settings), 0) << "round " << round;
        for (int i = 0; i < d.EntryCount(); ++i)
            for (int j = 0; j < d.EntryCount(); ++j)
                ASSERT_EQ(CompareFiles(*d.File(i), *d.File(j), settings),
                          -CompareFiles(*d.File(j), *d.File(i), settings));
        // Shuffle the records and sort again: the same names in the same order.
        for (int i = d.EntryCount() - 1; i > 0; --i)
            d.SwapFiles(i, static_cast<int>(random() % static_cast<unsigned>(i + 1)));
        d.Sort(settings);
        ASSERT_EQ(d.Names(), first) << "round " << round;
    }
}

} // namespace
} // namespace vorlane::catalogue
