// The file list's view modes (the layout of their items) and the order of
// the sort commands in a window.
#include "GuiTestSupport.h"

#include <QFontMetrics>
#include <QListView>

#include <utime.h>

namespace vorlane::gui::test {

namespace {

class ViewModesTest : public GuiTest {
  protected:
    // A window on C:\VIEW holding these names (1 byte each).
    TFileManagerWindow& OpenOn(const std::vector<std::string>& names) {
        ::mkdir((m_c / "VIEW").c_str(), 0700);
        for (const std::string& name : names)
            MakeFile("VIEW/" + name, 1);
        TFileManagerWindow& w = Open("C:", "C:\\VIEW");
        Frame().resize(900, 600);
        Pump();
        return w;
    }
    // The item rectangles of the icon view, in row order.
    static std::vector<QRect> Rects(TFileManagerWindow& w) {
        std::vector<QRect> rects;
        for (int row = 0; row < w.FileModel()->rowCount(); ++row)
            rects.push_back(w.IconView()->visualRect(w.FileModel()->index(row, 0)));
        return rects;
    }
};

const std::string kMedium = "quarterly-report-final.txt";
const std::string kLong = std::string(150, 'w') + ".txt";

// List sized its items from the last row's name, so every longer name was
// cut to a few letters.
TEST_F(ViewModesTest, ListItemsHoldTheLongestNameInColumnsOfEqualWidth) {
    TFileManagerWindow& w = OpenOn({"a.txt", kMedium, "zz"});
    Frame().RunCommand(kCmdViewList);
    Pump();
    QFontMetrics metrics(w.IconView()->font());
    const int medium = metrics.horizontalAdvance(QString::fromStdString(kMedium));
    std::vector<QRect> rects = Rects(w);
    ASSERT_EQ(rects.size(), 3u);
    for (const QRect& r : rects) {
        EXPECT_EQ(r.size(), rects[0].size()) << "every column is equally wide";
        EXPECT_GE(r.width(), medium + 16) << "the icon and the longest name fit";
        EXPECT_GE(r.height(), metrics.height());
    }
    EXPECT_EQ(rects[1].left(), rects[0].left()) << "List runs down a column first";
    EXPECT_GT(rects[1].top(), rects[0].top());

    // A name far longer than any sensible column is cut, not the column widened.
    MakeFile("VIEW/" + kLong, 1);
    w.GoTo("C:\\");
    w.GoTo("C:\\VIEW");
    Pump();
    rects = Rects(w);
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_LT(rects[0].width(), metrics.horizontalAdvance(QString::fromStdString(kLong)));
    EXPECT_GE(rects[0].width(), medium + 16);
}

// Small Icons clipped each label to a sliver: the icon was stacked over the
// name in a cell one icon high.
TEST_F(ViewModesTest, SmallIconsShowEachNameBesideItsIconWithoutOverlap) {
    TFileManagerWindow& w = OpenOn({"alpha.txt", "beta.doc", kMedium, "delta", "epsilon.c"});
    Frame().RunCommand(kCmdViewSmallIcons);
    Pump();
    QFontMetrics metrics(w.IconView()->font());
    const int medium = metrics.horizontalAdvance(QString::fromStdString(kMedium));
    std::vector<QRect> rects = Rects(w);
    ASSERT_EQ(rects.size(), 5u);
    for (size_t i = 0; i < rects.size(); ++i) {
        EXPECT_GE(rects[i].height(), metrics.height()) << i;
        EXPECT_LT(rects[i].height(), 16 + metrics.height()) << "the icon beside the name, " << i;
        EXPECT_GE(rects[i].width(), medium + 16) << i;
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " and " << j;
    }
    EXPECT_EQ(rects[1].top(), rects[0].top()) << "Small Icons run across a row first";
}

// Large Icons and Thumbnails measured every row of the list (its icon and
// wrapped name) before showing any: minutes on a large directory. Every
// mode gives all items one size, so none is measured.
TEST_F(ViewModesTest, EveryIconModeGivesAllItemsOneSize) {
    TFileManagerWindow& w = OpenOn({"a", kMedium, "b.txt", kLong, "c.doc"});
    const struct {
        const char* name;
        int command;
        bool iconAboveName;
    } modes[] = {{"large icons", kCmdViewLargeIcons, true},
                 {"list", kCmdViewList, false},
                 {"small icons", kCmdViewSmallIcons, false},
                 {"thumbnails", kCmdViewThumbnails, true},
                 {"large icons again", kCmdViewLargeIcons, true}};
    QFontMetrics metrics(w.IconView()->font());
    for (const auto& mode : modes) {
        Frame().RunCommand(mode.command);
        Pump();
        EXPECT_TRUE(w.IconView()->uniformItemSizes()) << mode.name;
        std::vector<QRect> rects = Rects(w);
        for (const QRect& r : rects)
            EXPECT_EQ(r.size(), rects[0].size()) << mode.name;
        const int icon = w.IconView()->iconSize().height();
        EXPECT_GE(rects[0].height(),
                  mode.iconAboveName ? icon + metrics.height() : std::max(icon, metrics.height()))
            << mode.name;
        for (size_t i = 1; i < rects.size(); ++i)
            EXPECT_FALSE(rects[i].intersects(rects[i - 1])) << mode.name << " " << i;
    }
}

// The sort commands on ties of case, extension, size and date: the order
// the sort must keep however it computes its keys.
TEST_F(ViewModesTest, SortCommandsOrderTiesByNameThenBytes) {
    ::mkdir((m_c / "VIEW").c_str(), 0700);
    const time_t day = 86400;
    const time_t t0 = 1577880000; // 2020-01-01, noon
    const struct {
        const char* name;
        size_t size;
        time_t modified;
    } files[] = {
        {"b.TXT", 10, t0 + 10 * day}, {"a.txt", 10, t0 + 10 * day}, {"A.txt", 10, t0 + 10 * day},
        {"readme", 5, t0 + 20 * day}, {"README", 5, t0 + 20 * day}, {"c.tar.gz", 20, t0},
        {"d.c", 20, t0 + 30 * day},   {"Zeta", 0, t0 + 10 * day},
    };
    for (const auto& f : files) {
        MakeFile(std::string("VIEW/") + f.name, f.size);
        utimbuf times{f.modified, f.modified};
        ASSERT_EQ(::utime((m_c / (std::string("VIEW/") + f.name)).c_str(), &times), 0) << f.name;
    }
    TFileManagerWindow& w = Open("C:", "C:\\VIEW");
    const struct {
        const char* name;
        int command;
        bool descending;
        QStringList order;
    } sorts[] = {
        {"extension",
         catalogue::kCmdSortByExtension,
         false,
         {"README", "readme", "Zeta", "d.c", "c.tar.gz", "A.txt", "a.txt", "b.TXT"}},
        {"size",
         catalogue::kCmdSortBySize,
         false,
         {"Zeta", "README", "readme", "A.txt", "a.txt", "b.TXT", "c.tar.gz", "d.c"}},
        {"size descending",
         catalogue::kCmdSortBySize,
         true,
         {"d.c", "c.tar.gz", "b.TXT", "A.txt", "a.txt", "README", "readme", "Zeta"}},
        {"date",
         catalogue::kCmdSortByDate,
         false,
         {"c.tar.gz", "A.txt", "a.txt", "b.TXT", "Zeta", "README", "readme", "d.c"}},
        {"name",
         catalogue::kCmdSortByFilename,
         false,
         {"A.txt", "a.txt", "b.TXT", "c.tar.gz", "d.c", "README", "readme", "Zeta"}},
    };
    for (const auto& s : sorts) {
        Frame().RunCommand(s.command, s.descending);
        EXPECT_EQ(Names(w), s.order) << s.name;
    }
}

} // namespace

} // namespace vorlane::gui::test
