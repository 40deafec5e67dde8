// Icons of files and directories from the desktop's icon theme, chosen by
// MIME type (QMimeDatabase over the name, never reading the file), with
// the theme's generic icons as fallback. Icons are cached per MIME type.
#pragma once

#include <QIcon>

namespace vorlane::catalogue {
class CFileContainer;
}

namespace vorlane::gui {

QIcon FileIcon(const catalogue::CFileContainer& file);
QIcon FolderIcon(bool zip = false);
// The drive bar's icon of a drive kind (gui/ToolIcons.h: one set with the
// tool bar's).
QIcon DriveIcon(int driveType);

// Outside a desktop session Qt knows no icon theme: take Adwaita (or
// hicolor) when installed, so file types still get their icons.
void ChooseIconTheme();

} // namespace vorlane::gui
