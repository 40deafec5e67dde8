#include "gui/CHabitabWindow.h"

#include <QMenu>

namespace vorlane::gui {

namespace {

display::CHabitabArray*& Installed() {
    static display::CHabitabArray* installed = nullptr;
    return installed;
}

} // namespace

display::CHabitabArray& Habitabs() {
    static display::CHabitabArray own;
    display::CHabitabArray* installed = Installed();
    return installed ? *installed : own;
}

ScopedHabitabs::ScopedHabitabs(display::CHabitabArray* habitabs) : m_previous(Installed()) {
    Installed() = habitabs;
}

ScopedHabitabs::~ScopedHabitabs() {
    Installed() = m_previous;
}

CHabitabWindow::CHabitabWindow(QWidget* parent) : QTabBar(parent) {
    setObjectName("habitabs");
    setExpanding(false);
    setDrawBase(true);
    setUsesScrollButtons(true);
    // A click on the tab already selected applies it again too: the
    // window's settings may have been changed since.
    connect(this, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && !m_filling)
            emit HabitabClicked(index);
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* open = menu.addAction("&HabiTabs...");
        if (menu.exec(mapToGlobal(at)) == open)
            emit DialogRequested();
    });
}

void CHabitabWindow::Rebuild(const display::CHabitabArray& habitabs, const std::string& current) {
    m_filling = true;
    while (count() > 0)
        removeTab(count() - 1);
    for (int i = 0; i < habitabs.Count(); ++i) {
        // A tab's text takes "&" as a mnemonic mark: a name shows as it is.
        QString text = QString::fromStdString(habitabs.Name(i));
        addTab(text.replace("&", "&&"));
    }
    m_filling = false;
    Select(habitabs.IndexOf(current));
    // The row's height follows its tabs, also while it is not shown yet.
    updateGeometry();
}

void CHabitabWindow::Select(int index) {
    m_filling = true;
    setCurrentIndex(index);
    m_filling = false;
}

std::string CHabitabWindow::TabName(int index) const {
    return tabText(index).replace("&&", "&").toStdString();
}

} // namespace vorlane::gui
