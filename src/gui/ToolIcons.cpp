#include "gui/ToolIcons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QtMath>

#include <functional>

namespace vorlane::gui {

namespace {

QString& DesktopTheme() {
    static QString theme;
    return theme;
}

// Each drawing works on a 24 by 24 grid with the pen already set; the
// engine scales it to the size asked for.
using Drawing = std::function<void(QPainter&)>;

void Sheet(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    // A page with its top right corner folded.
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w - 4, y);
    path.lineTo(x + w, y + 4);
    path.lineTo(x + w, y + h);
    path.lineTo(x, y + h);
    path.closeSubpath();
    p.drawPath(path);
}

void Arrow(QPainter& p, QPointF from, QPointF to, qreal head) {
    p.drawLine(from, to);
    qreal angle = qAtan2(to.y() - from.y(), to.x() - from.x());
    for (qreal side : {-1.0, 1.0}) {
        qreal a = angle + M_PI + side * M_PI / 4;
        p.drawLine(to, to + QPointF(qCos(a) * head, qSin(a) * head));
    }
}

void Window(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    p.drawRoundedRect(QRectF(x, y, w, h), 1.5, 1.5);
    p.drawLine(QPointF(x, y + 4), QPointF(x + w, y + 4));
}

const QHash<QString, Drawing>& Drawings() {
    static const QHash<QString, Drawing> drawings = {
        {"drive-harddisk",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 7, 19, 10), 2, 2);
             p.drawLine(QPointF(5.5, 13.5), QPointF(12, 13.5));
             p.drawEllipse(QPointF(17.5, 12), 1.2, 1.2);
         }},
        {"drive-removable-media",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(6, 9, 12, 12.5), 2, 2);
             p.drawRect(QRectF(8.5, 3, 7, 6));
             p.drawLine(QPointF(10.5, 5.5), QPointF(10.5, 6.5));
             p.drawLine(QPointF(13.5, 5.5), QPointF(13.5, 6.5));
         }},
        {"drive-optical",
         [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
             p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
         }},
        {"folder-remote",
         [](QPainter& p) {
             QPainterPath folder;
             folder.moveTo(2.5, 4);
             folder.lineTo(9, 4);
             folder.lineTo(11, 6.5);
             folder.lineTo(21.5, 6.5);
             folder.lineTo(21.5, 15);
             folder.lineTo(2.5, 15);
             folder.closeSubpath();
             p.drawPath(folder);
             p.drawLine(QPointF(12, 15), QPointF(12, 19.5));
             p.drawLine(QPointF(4, 19.5), QPointF(20, 19.5));
             p.drawEllipse(QPointF(12, 19.5), 1.6, 1.6);
         }},
        {"window-new",
         [](QPainter& p) {
             Window(p, 2.5, 3.5, 15, 12);
             p.drawLine(QPointF(18.5, 14), QPointF(18.5, 22));
             p.drawLine(QPointF(14.5, 18), QPointF(22.5, 18));
         }},
        {"edit-copy",
         [](QPainter& p) {
             Sheet(p, 3.5, 2.5, 11, 14);
             Sheet(p, 9.5, 7.5, 11, 14);
         }},
        {"go-jump",
         [](QPainter& p) {
             Sheet(p, 3.5, 2.5, 11, 14);
             Arrow(p, QPointF(11, 18), QPointF(21.5, 18), 3.5);
         }},
        {"user-trash",
         [](QPainter& p) {
             p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
             p.drawPolyline(
                 QPolygonF({QPointF(9, 6), QPointF(9.5, 3), QPointF(14.5, 3), QPointF(15, 6)}));
             p.drawPolyline(QPolygonF(
                 {QPointF(5.5, 6), QPointF(7, 21.5), QPointF(17, 21.5), QPointF(18.5, 6)}));
             p.drawLine(QPointF(10, 10), QPointF(10.3, 18));
             p.drawLine(QPointF(14, 10), QPointF(13.7, 18));
         }},
        {"view-sort-ascending",
         [](QPainter& p) {
             p.drawLine(QPointF(3, 6), QPointF(8, 6));
             p.drawLine(QPointF(3, 12), QPointF(11, 12));
             p.drawLine(QPointF(3, 18), QPointF(14, 18));
             Arrow(p, QPointF(19, 20), QPointF(19, 4), 3.5);
         }},
        {"view-list-details",
         [](QPainter& p) {
             for (qreal y : {5.0, 12.0, 19.0}) {
                 p.drawRect(QRectF(2.5, y - 1.5, 3, 3));
                 p.drawLine(QPointF(8.5, y), QPointF(21.5, y));
             }
         }},
        {"view-list-icons",
         [](QPainter& p) {
             for (qreal x : {3.0, 13.5})
                 for (qreal y : {3.0, 13.5})
                     p.drawRoundedRect(QRectF(x, y, 7.5, 7.5), 1, 1);
         }},
        {"window-duplicate",
         [](QPainter& p) {
             Window(p, 2.5, 2.5, 13, 10);
             p.setBrush(p.background());
             Window(p, 8.5, 10.5, 13, 10);
             p.setBrush(Qt::NoBrush);
         }},
        {"view-split-left-right",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 3.5, 19, 17), 1.5, 1.5);
             p.drawLine(QPointF(12, 3.5), QPointF(12, 20.5));
         }},
        {"preferences-system",
         [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 6, 6);
             p.drawEllipse(QPointF(12, 12), 2.2, 2.2);
             for (int tooth = 0; tooth < 8; ++tooth) {
                 qreal a = tooth * M_PI / 4;
                 p.drawLine(QPointF(12 + qCos(a) * 6, 12 + qSin(a) * 6),
                            QPointF(12 + qCos(a) * 9.5, 12 + qSin(a) * 9.5));
             }
         }},
        {"application-exit",
         [](QPainter& p) {
             p.drawPolyline(QPolygonF({QPointF(13, 7), QPointF(13, 3), QPointF(3.5, 3),
                                       QPointF(3.5, 21), QPointF(13, 21), QPointF(13, 17)}));
             Arrow(p, QPointF(8.5, 12), QPointF(21.5, 12), 3.5);
         }},
    };
    return drawings;
}

// Draws one name of the set at any size, in the palette of the moment.
class BundledIconEngine : public QIconEngine {
  public:
    explicit BundledIconEngine(QString name) : m_name(std::move(name)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        auto found = Drawings().find(m_name);
        if (found == Drawings().end())
            return;
        QPalette palette = QApplication::palette();
        QColor ink = palette.color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active,
                                   QPalette::WindowText);
        if (mode == QIcon::Selected)
            ink = palette.color(QPalette::HighlightedText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        int side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 24.0, side / 24.0);
        // Thick enough to stay solid at 16 pixels (about 1.3 pixels wide).
        QPen pen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter->setPen(pen);
        painter->setBackground(palette.color(QPalette::Window));
        painter->setBrush(Qt::NoBrush);
        found.value()(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new BundledIconEngine(m_name); }
    QString key() const override { return "vorlane-tool"; }
    QString iconName() override { return "vorlane:" + m_name; }

  private:
    QString m_name;
};

} // namespace

const QStringList& ToolIconNames() {
    static const QStringList names = {
        "drive-harddisk",
        "drive-removable-media",
        "drive-optical",
        "folder-remote",
        "window-new",
        "edit-copy",
        "go-jump",
        "user-trash",
        "view-sort-ascending",
        "view-list-details",
        "view-list-icons",
        "window-duplicate",
        "view-split-left-right",
        "preferences-system",
        "application-exit",
    };
    return names;
}

void SetDesktopIconTheme(const QString& themeName) {
    DesktopTheme() = themeName;
}

bool ToolIconsFromTheme() {
    const QString& desktop = DesktopTheme();
    if (desktop.isEmpty() || QIcon::themeName() != desktop)
        return false;
    for (const QString& name : ToolIconNames())
        if (!QIcon::hasThemeIcon(name))
            return false;
    return true;
}

QIcon BundledToolIcon(const QString& name) {
    if (!Drawings().contains(name))
        return QIcon();
    return QIcon(new BundledIconEngine(name));
}

QIcon ToolIcon(const QString& name) {
    if (!ToolIconNames().contains(name))
        return QIcon();
    return ToolIconsFromTheme() ? QIcon::fromTheme(name) : BundledToolIcon(name);
}

} // namespace vorlane::gui
