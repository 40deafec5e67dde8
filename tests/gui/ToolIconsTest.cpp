// The tool bar and the drive bar show one icon set: the desktop theme's
// when it has every icon, the program's own otherwise, never a mixture;
// and the program's own icons can be seen on light and dark palettes.
#include "GuiTestSupport.h"

#include "gui/ToolIcons.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QToolBar>

#include <cmath>

namespace vorlane::gui::test {

namespace {

// Makes an icon theme under root with a 16-pixel icon for each name.
void MakeTheme(const QString& root, const QString& theme, const QStringList& names) {
    QString dir = root + "/" + theme + "/16x16/actions";
    ASSERT_TRUE(QDir().mkpath(dir));
    QFile index(root + "/" + theme + "/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=" + theme.toUtf8() +
                "\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (const QString& name : names)
        ASSERT_TRUE(image.save(dir + "/" + name + ".png"));
}

// The names the bars' icons carry: the tool bar's, then the drive bar's.
QStringList BarIconNames(CVorlaneFrame& frame) {
    QStringList names;
    for (const char* bar : {"ToolBar", "DriveBar"}) {
        auto* toolBar = frame.findChild<QToolBar*>(bar);
        EXPECT_NE(toolBar, nullptr) << bar;
        if (!toolBar)
            continue;
        for (QAction* action : toolBar->actions())
            if (!action->isSeparator())
                names << action->icon().name();
    }
    return names;
}

double Luminance(QColor c) {
    auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(QColor a, QColor b) {
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST_F(GuiTest, BarsTakeTheThemesIconsOnlyWhenItHasThemAll) {
    const QString oldTheme = QIcon::themeName();
    const QStringList oldPaths = QIcon::themeSearchPaths();
    QTemporaryDir root;
    QStringList partial = ToolIconNames();
    partial.removeAll("view-list-details");
    MakeTheme(root.path(), "VorlaneFull", ToolIconNames());
    MakeTheme(root.path(), "VorlanePartial", partial);
    QIcon::setThemeSearchPaths(QStringList{root.path()} + oldPaths);

    struct Case {
        const char* theme; // the desktop's theme ("" none)
        bool fromTheme;    // every bar icon from it, else every one bundled
    };
    const Case cases[] = {{"", false}, {"VorlanePartial", false}, {"VorlaneFull", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.theme);
        QIcon::setThemeName(c.theme);
        SetDesktopIconTheme(c.theme);
        EXPECT_EQ(ToolIconsFromTheme(), c.fromTheme);
        CVorlaneFrame frame;
        QStringList names = BarIconNames(frame);
        ASSERT_GE(names.size(), 14);
        for (const QString& name : names) {
            EXPECT_EQ(name.startsWith("vorlane:"), !c.fromTheme) << name.toStdString();
            EXPECT_TRUE(ToolIconNames().contains(name.mid(name.indexOf(':') + 1)))
                << name.toStdString();
        }
        // Delete is a waste bin in either set.
        EXPECT_TRUE(frame.Action(14120)->icon().name().endsWith("user-trash"));
    }
    QIcon::setThemeSearchPaths(oldPaths);
    QIcon::setThemeName(oldTheme);
    SetDesktopIconTheme("");
}

TEST_F(GuiTest, BundledIconsAreDistinctAndStandOutOnLightAndDarkPalettes) {
    const QPalette oldPalette = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    for (const QPalette& palette : {oldPalette, dark}) {
        QApplication::setPalette(palette);
        const QColor window = palette.color(QPalette::Window);
        for (int size : {16, 20}) {
            QList<QImage> drawn;
            for (const QString& name : ToolIconNames()) {
                SCOPED_TRACE(name.toStdString() + " at " + std::to_string(size));
                QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
                image.fill(window);
                QPainter painter(&image);
                BundledToolIcon(name).paint(&painter, image.rect());
                painter.end();
                // Ink: pixels that stand out from the window as text must.
                int ink = 0;
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        if (Contrast(image.pixelColor(x, y), window) >= 4.5)
                            ++ink;
                double share = double(ink) / (size * size);
                EXPECT_GE(share, 0.05);
                EXPECT_LE(share, 0.6);
                EXPECT_FALSE(drawn.contains(image)) << "drawn like another icon";
                drawn << image;
            }
        }
    }
    QApplication::setPalette(oldPalette);
}

} // namespace vorlane::gui::test
