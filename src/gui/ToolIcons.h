// The icons of the tool bar and the drive bar: one coherent set.
//
// The desktop's icon theme supplies them when it has every icon of the set
// (the freedesktop.org names below); otherwise every one of them comes from
// the program's own set, drawn as line art in the palette's text colour (so
// it keeps its contrast on light and dark palettes alike). The two are
// never mixed: a theme that lacks one name gives way for all, because a bar
// of icons in two styles reads as two programs.
#pragma once

#include <QIcon>
#include <QStringList>

namespace vorlane::gui {

// The names of the set: the tool bar's commands and the drive kinds.
const QStringList& ToolIconNames();

// The icon of one name of the set (a name outside it gets an empty icon).
QIcon ToolIcon(const QString& name);

// True when the set comes from the desktop's theme.
bool ToolIconsFromTheme();

// The program's own drawing of a name of the set (whatever the theme has).
// Its QIcon::name() is "vorlane:" followed by the name.
QIcon BundledToolIcon(const QString& name);

// Records the theme the desktop chose (before the program sets a fallback
// theme for file types): only that theme may supply the set.
void SetDesktopIconTheme(const QString& themeName);

} // namespace vorlane::gui
