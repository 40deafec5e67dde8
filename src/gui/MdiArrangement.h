// The Window menu's arrangement commands over the MDI client: cascade,
// tile side by side (vertical) or one above the other (horizontally),
// arrange the minimised windows along the bottom, and close, minimise or
// restore every child of a kind.
#pragma once

class QMdiArea;

namespace vorlane::gui {

enum class ChildKind { Any, FileManager, Viewer };

// Carries out one of the Window menu commands (24361 to 24364, 15505 to
// 15580); false for any other id.
bool RunArrangementCommand(QMdiArea& mdi, int id);

void TileSideBySide(QMdiArea& mdi);
void TileStacked(QMdiArea& mdi);
void ArrangeIcons(QMdiArea& mdi);
void CloseAll(QMdiArea& mdi, ChildKind kind);
void MinimizeAll(QMdiArea& mdi, ChildKind kind);
void RestoreAll(QMdiArea& mdi, ChildKind kind);

} // namespace vorlane::gui
