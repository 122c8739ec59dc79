#pragma once

#include <QStyledItemDelegate>

// Shows the main list's colour codes and bold flags: the model keeps only the
// code (0-4) and the flag, the colours themselves belong to the window.
class RowColourDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
