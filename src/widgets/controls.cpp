#include "controls.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QTreeView *makeRowListView(const QString &name, const QString &accessibleName, QAbstractItemModel *model,
                           QWidget *parent)
{
    auto *view = new QTreeView(parent);
    view->setObjectName(name);
    view->setAccessibleName(accessibleName);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(true);
    return view;
}

void centreOver(QWidget *window, const QWidget *owner)
{
    if (!window || !owner)
        return;
    const QWidget *ownerWindow = owner->window();
    if (!window->isVisible())
        window->adjustSize();
    const QRect frame = window->frameGeometry();
    QRect placed(QPoint(), frame.size());
    placed.moveCenter(ownerWindow->frameGeometry().center());
    if (const QScreen *screen = ownerWindow->screen()) {
        const QRect available = screen->availableGeometry();
        if (placed.right() > available.right())
            placed.moveRight(available.right());
        if (placed.bottom() > available.bottom())
            placed.moveBottom(available.bottom());
        if (placed.left() < available.left())
            placed.moveLeft(available.left());
        if (placed.top() < available.top())
            placed.moveTop(available.top());
    }
    window->move(placed.topLeft());
}
