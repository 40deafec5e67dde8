#include "gui/FileIcons.h"

#include "gui/ToolIcons.h"

#include "app/CDriveType.h"
#include "catalogue/CFileContainer.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace vorlane::gui {

namespace {

QIcon Themed(const QString& name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(name, QApplication::style()->standardIcon(fallback));
}

} // namespace

void ChooseIconTheme() {
    QString theme = QIcon::themeName();
    if (!theme.isEmpty() && theme != "hicolor") {
        SetDesktopIconTheme(theme);
        return;
    }
    for (const QString& path : QIcon::themeSearchPaths())
        if (QDir(path + "/Adwaita").exists()) {
            QIcon::setThemeName("Adwaita");
            return;
        }
}

QIcon FileIcon(const catalogue::CFileContainer& file) {
    static QMimeDatabase mimes;
    static QHash<QString, QIcon> cache;
    QMimeType type =
        mimes.mimeTypeForFile(QString::fromStdString(file.Name()), QMimeDatabase::MatchExtension);
    QString key = type.name();
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = Themed("text-x-generic", QStyle::SP_FileIcon);
    cache.insert(key, icon);
    return icon;
}

QIcon FolderIcon(bool zip) {
    if (zip)
        return Themed("package-x-generic", QStyle::SP_DirIcon);
    return Themed("folder", QStyle::SP_DirIcon);
}

QIcon DriveIcon(int driveType) {
    switch (driveType) {
    case app::CDriveType::kCdrom:
        return ToolIcon("drive-optical");
    case app::CDriveType::kRemovable:
    case app::CDriveType::kFloppy:
        return ToolIcon("drive-removable-media");
    case app::CDriveType::kNetwork:
    case app::CDriveType::kRemote:
        return ToolIcon("folder-remote");
    default:
        return ToolIcon("drive-harddisk");
    }
}

} // namespace vorlane::gui
