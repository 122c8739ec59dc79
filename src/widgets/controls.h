#pragma once

#include <QString>

class QAbstractItemModel;
class QPushButton;
class QTreeView;
class QWidget;

// A push button named for tests and screen readers. It never becomes the
// dialog's default: in these windows Enter belongs to the input box beside
// the buttons, and must not press a button behind the user's back.
QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent);

// A read-only list of whole rows with one current row, for the generators'
// name lists: flat, uniform rows (smooth at hundreds of thousands of names),
// the last column filling the width.
QTreeView *makeRowListView(const QString &name, const QString &accessibleName, QAbstractItemModel *model,
                           QWidget *parent);

// Moves the window `window` so that it sits centred over the window of
// `owner` (on the owner's screen, kept inside it where it fits). Dialogs with
// an owner get this from Qt; tool windows and dialogs opened without an owner
// call it before they are shown.
void centreOver(QWidget *window, const QWidget *owner);
