#include "headersort.h"

#include "engine/domainlistmodel.h"
#include "engine/rowcompare.h"

void sortByHeaderClick(DomainListModel &list, int column)
{
    if (column < 0 || column >= DomainColumnCount)
        return;
    const Qt::SortOrder order =
        list.sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    list.setAutoSort(false);
    if (!isNumericColumn(column) && order == Qt::DescendingOrder) {
        // Switching automatic sorting on sorts the list once and keeps it so.
        list.setSortKey(column, order);
        list.setAutoSort(true);
    } else {
        list.sort(column, order);
    }
}
