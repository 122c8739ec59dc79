#include "domainlistmodel.h"

#include "listops/rowcompare.h"

#include <algorithm>

namespace cellText {
const QString &notAvailable()
{
    static const QString s = QStringLiteral("N/A");
    return s;
}
const QString &free()
{
    static const QString s = QStringLiteral("FREE");
    return s;
}
const QString &taken()
{
    static const QString s = QStringLiteral("Taken");
    return s;
}
const QString &zeroDays()
{
    static const QString s = QStringLiteral("0 days");
    return s;
}
const QString &empty()
{
    static const QString s;
    return s;
}
} // namespace cellText

DomainListModel::DomainListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_selection(this)
{
}

const QStringList &DomainListModel::headers()
{
    static const QStringList h{QStringLiteral("Domain"),       QStringLiteral("Length"),
                               QStringLiteral("TLD"),          QStringLiteral("Availability"),
                               QStringLiteral("Expiration"),   QStringLiteral("Expires in (days)"),
                               QStringLiteral("Information")};
    return h;
}

int DomainListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int DomainListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DomainColumnCount;
}

QVariant DomainListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size() || index.column() >= DomainColumnCount)
        return {};
    const DomainRow &r = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return r.cells[static_cast<size_t>(index.column())];
    case ColourCodeRole:
        return int(r.colour);
    case BoldRole:
        return r.bold;
    default:
        return {};
    }
}

QVariant DomainListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        && section >= 0 && section < DomainColumnCount)
        return headers().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DomainListModel::lessThan(const DomainRow &a, const DomainRow &b) const
{
    const auto col = static_cast<size_t>(m_sortColumn);
    const int c = compareCells(m_sortColumn, a.cells[col], b.cells[col]);
    return m_sortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
}

int DomainListModel::addRow(const QString &key, DomainRow row)
{
    if (m_index.contains(key))
        return -1;
    int pos = size();
    if (m_autoSort && !inBulk()) {
        auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                   [this](const DomainRow &a, const DomainRow &b) { return lessThan(a, b); });
        pos = static_cast<int>(it - m_rows.begin());
    }
    if (!inBulk())
        beginInsertRows({}, pos, pos);
    if (pos == size()) {
        m_rows.push_back(std::move(row));
    } else {
        m_rows.insert(m_rows.begin() + pos, std::move(row));
        m_positionsStale = true;
    }
    m_index.insert(key, pos);
    if (!inBulk())
        endInsertRows();
    return pos;
}

void DomainListModel::ensurePositions() const
{
    if (!m_positionsStale)
        return;
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_index[m_rows[i].cells[ColDomain].toLower()] = static_cast<int>(i);
    m_positionsStale = false;
}

int DomainListModel::rowOfKey(const QString &key) const
{
    ensurePositions();
    return m_index.value(key, -1);
}

void DomainListModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= size() || column < 0 || column >= DomainColumnCount)
        return;
    m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
    if (!inBulk()) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

void DomainListModel::setCells(int row, const DomainRow &cells)
{
    if (row < 0 || row >= size())
        return;
    DomainRow &r = m_rows[static_cast<size_t>(row)];
    for (size_t c = 1; c < cells.cells.size(); ++c)
        r.cells[c] = cells.cells[c];
    r.colour = cells.colour;
    r.bold = cells.bold;
    if (!inBulk())
        emit dataChanged(index(row, 0), index(row, DomainColumnCount - 1));
}

void DomainListModel::paintrow(int row1, int code, bool bold)
{
    const int row = row1 - 1;
    if (row < 0 || row >= size())
        return;
    DomainRow &r = m_rows[static_cast<size_t>(row)];
    if (code >= ColourBlue && code <= ColourPureBlue)
        r.colour = static_cast<qint8>(code);
    r.bold = bold;
    if (!inBulk())
        emit dataChanged(index(row, 0), index(row, DomainColumnCount - 1), {ColourCodeRole, BoldRole});
}

void DomainListModel::clear()
{
    if (!inBulk())
        beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_index.clear();
    m_index.squeeze();
    m_positionsStale = false;
    m_bulkStartSize = 0;
    if (!inBulk())
        endResetModel();
}

void DomainListModel::reserve(int rows)
{
    m_rows.reserve(static_cast<size_t>(rows));
    m_index.reserve(rows);
}

void DomainListModel::rebuildIndex()
{
    m_index.clear();
    m_index.reserve(size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_index.insert(m_rows[i].cells[ColDomain].toLower(), static_cast<int>(i));
    m_positionsStale = false;
}

void DomainListModel::replaceRows(std::vector<DomainRow> rows)
{
    if (!inBulk())
        beginResetModel();
    m_rows.clear();
    m_index.clear();
    m_rows.reserve(rows.size());
    m_index.reserve(static_cast<qsizetype>(rows.size()));
    for (DomainRow &r : rows) {
        const QString key = r.cells[ColDomain].toLower();
        if (m_index.contains(key))
            continue;
        m_index.insert(key, static_cast<int>(m_rows.size()));
        m_rows.push_back(std::move(r));
    }
    m_positionsStale = false;
    if (!inBulk())
        endResetModel();
}

void DomainListModel::removeRowsIf(const std::function<bool(const DomainRow &)> &remove)
{
    if (!inBulk())
        beginResetModel();
    m_rows.erase(std::remove_if(m_rows.begin(), m_rows.end(), remove), m_rows.end());
    rebuildIndex();
    if (!inBulk())
        endResetModel();
}

void DomainListModel::beginBulk()
{
    if (m_bulkDepth++ == 0) {
        beginResetModel();
        m_bulkStartSize = size();
    }
}

void DomainListModel::endBulk()
{
    if (m_bulkDepth == 0)
        return;
    if (--m_bulkDepth == 0) {
        if (m_autoSort && size() != m_bulkStartSize)
            sortRows();
        endResetModel();
    }
}

void DomainListModel::sortRows()
{
    // Stable, so rows that compare equal keep their order: the same result as
    // placing each new row after its equals one at a time.
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [this](const DomainRow &a, const DomainRow &b) { return lessThan(a, b); });
    rebuildIndex();
}

void DomainListModel::setAutoSort(bool on)
{
    if (on && !m_autoSort) {
        m_autoSort = true;
        sort(m_sortColumn, m_sortOrder);
    } else {
        m_autoSort = on;
    }
}

void DomainListModel::setSortKey(int column, Qt::SortOrder order)
{
    m_sortColumn = std::clamp(column, 0, DomainColumnCount - 1);
    m_sortOrder = order;
}

void DomainListModel::sort(int column, Qt::SortOrder order)
{
    setSortKey(column, order);
    if (inBulk()) {
        sortRows();
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Remember where every row was so persistent indexes (selection, current row)
    // follow their rows.
    std::vector<int> order0(m_rows.size());
    for (size_t i = 0; i < order0.size(); ++i)
        order0[i] = static_cast<int>(i);
    std::stable_sort(order0.begin(), order0.end(), [this](int a, int b) {
        return lessThan(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)]);
    });
    std::vector<DomainRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPos(m_rows.size());
    for (size_t i = 0; i < order0.size(); ++i) {
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order0[i])]));
        newPos[static_cast<size_t>(order0[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);
    rebuildIndex();
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from)
        to.append(index(newPos[static_cast<size_t>(i.row())], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<char> DomainListModel::selectedMask() const
{
    std::vector<char> mask(m_rows.size(), 0);
    const QItemSelection sel = m_selection.selection();
    for (const QItemSelectionRange &r : sel) {
        const int top = std::max(0, r.top());
        const int bottom = std::min(size() - 1, r.bottom());
        for (int i = top; i <= bottom; ++i)
            mask[static_cast<size_t>(i)] = 1;
    }
    return mask;
}

int DomainListModel::selectedRowCount() const
{
    const std::vector<char> mask = selectedMask();
    return static_cast<int>(std::count(mask.begin(), mask.end(), 1));
}

void DomainListModel::selectRows(const std::vector<int> &rows)
{
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QItemSelection sel;
    size_t i = 0;
    while (i < sorted.size()) {
        size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] <= sorted[j] + 1)
            ++j;
        if (sorted[i] >= 0 && sorted[j] < size())
            sel.append(QItemSelectionRange(index(sorted[i], 0), index(sorted[j], DomainColumnCount - 1)));
        i = j + 1;
    }
    m_selection.select(sel, QItemSelectionModel::ClearAndSelect);
}

void DomainListModel::selectAllRows()
{
    if (size() == 0) {
        m_selection.clearSelection();
        return;
    }
    m_selection.select(QItemSelection(index(0, 0), index(size() - 1, DomainColumnCount - 1)),
                       QItemSelectionModel::ClearAndSelect);
}
