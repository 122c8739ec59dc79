#include "rowcolourdelegate.h"

#include "engine/domainlistmodel.h"
#include "engine/domainrow.h"

void RowColourDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const int code = index.data(DomainListModel::ColourCodeRole).toInt();
    if (code >= 0 && code < static_cast<int>(kRowColours.size())) {
        const RowRgb &rgb = kRowColours[static_cast<size_t>(code)];
        // Selected rows keep the highlight text colour so they stay readable.
        option->palette.setColor(QPalette::Text, QColor(rgb.red, rgb.green, rgb.blue));
    }
    if (index.data(DomainListModel::BoldRole).toBool())
        option->font.setBold(true);
}
