#include "domainlistmodel.h"

#include "base/idn.h"
#include "base/textnumber.h"
#include "engine/rowcompare.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#ifdef __linux__
#include <sys/mman.h>
#endif

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
    static const QStringList h{QStringLiteral("Domain"),     QStringLiteral("Length"),
                               QStringLiteral("TLD"),        QStringLiteral("Availability"),
                               QStringLiteral("Expiration"), QStringLiteral("Expires in (days)"),
                               QStringLiteral("Information")};
    return h;
}

int DomainListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // Rows of an append run stay out of sight until they are announced together.
    return inAppend() && !inBulk() ? m_shownRows : size();
}

int DomainListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DomainColumnCount;
}

QVariant DomainListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= DomainColumnCount)
        return {};
    const DomainRow &r = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::ToolTipRole:
        // Names are kept in their ASCII form; one in another script shows its
        // own letters here, worked out only when a tip is asked for.
        if (index.column() == ColDomain)
            return unicodeName(r.cells[ColDomain]);
        return r.cells[static_cast<size_t>(index.column())];
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
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
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) &&
        section >= 0 && section < DomainColumnCount)
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
    Q_ASSERT(key == keyOf(row));
    // One probe both refuses a known key and finds the slot for a new one.
    const RowKeyIndex::Probe probe = m_index.probe(key, m_rows);
    if (m_index.rowAt(probe) >= 0)
        return -1;
    const bool deferred = inBulk() || inAppend();
    int pos = size();
    if (m_autoSort && !deferred) {
        auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                   [this](const DomainRow &a, const DomainRow &b) { return lessThan(a, b); });
        pos = static_cast<int>(it - m_rows.begin());
    }
    if (pos != size())
        m_index.shiftFrom(pos);
    m_index.fill(probe, pos);
    if (!deferred)
        beginInsertRows({}, pos, pos);
    if (pos == size())
        m_rows.push_back(std::move(row));
    else
        m_rows.insert(m_rows.begin() + pos, std::move(row));
    if (deferred) {
        m_bulkNeedsSort = m_bulkNeedsSort || m_autoSort;
    } else {
        m_shownRows = size();
        endInsertRows();
    }
    return pos;
}

void DomainListModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= size() || column < 0 || column >= DomainColumnCount)
        return;
    m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
    if (!inBulk() && row < rowCount()) {
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
    if (!inBulk() && row < rowCount())
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
    // Painting only ever adds bold; a row loses it when it is rebuilt.
    if (bold)
        r.bold = true;
    if (!inBulk() && row < rowCount())
        emit dataChanged(index(row, 0), index(row, DomainColumnCount - 1), {ColourCodeRole, BoldRole});
}

void DomainListModel::clear()
{
    if (!inBulk())
        beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_index.clear();
    m_bulkNeedsSort = false;
    m_shownRows = 0;
    if (!inBulk())
        endResetModel();
}

namespace {

// A list of a million rows fills a few hundred megabytes in one go; in huge
// pages that costs a few hundred page faults instead of tens of thousands.
void adviseHugePages(const void *data, size_t bytes)
{
#ifdef __linux__
    constexpr size_t kMinimum = size_t(32) << 20;
    if (bytes < kMinimum)
        return;
    const auto pageSize = static_cast<uintptr_t>(4096);
    const auto begin = (reinterpret_cast<uintptr_t>(data) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(pageSize - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

} // namespace

void DomainListModel::reserve(int rows)
{
    if (static_cast<size_t>(rows) <= m_rows.capacity())
        return;
    m_rows.reserve(static_cast<size_t>(rows));
    adviseHugePages(m_rows.data(), m_rows.capacity() * sizeof(DomainRow));
    m_index.reserve(static_cast<size_t>(rows));
}

void DomainListModel::rebuildIndex()
{
    m_index.rebuild(m_rows);
}

void DomainListModel::replaceRows(std::vector<DomainRow> rows)
{
    if (!inBulk())
        beginResetModel();
    m_rows.clear();
    m_index.clear();
    m_rows.reserve(rows.size());
    m_index.reserve(rows.size());
    for (DomainRow &r : rows) {
        const RowKeyIndex::Probe probe = m_index.probe(keyOf(r), m_rows);
        if (m_index.rowAt(probe) >= 0)
            continue;
        m_index.fill(probe, size());
        m_rows.push_back(std::move(r));
    }
    if (m_autoSort)
        sortRows();
    if (!inBulk()) {
        m_shownRows = size();
        endResetModel();
    }
}

void DomainListModel::removeRowsIf(const std::function<bool(const DomainRow &)> &remove)
{
    if (!inBulk())
        beginResetModel();
    size_t kept = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (remove(m_rows[i]))
            continue;
        if (kept != i)
            m_rows[kept] = std::move(m_rows[i]);
        ++kept;
    }
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(kept), m_rows.end());
    rebuildIndex();
    if (!inBulk()) {
        m_shownRows = size();
        endResetModel();
    }
}

void DomainListModel::beginBulk()
{
    if (m_bulkDepth++ == 0)
        beginResetModel();
}

void DomainListModel::endBulk()
{
    if (m_bulkDepth == 0)
        return;
    if (--m_bulkDepth == 0) {
        if (m_autoSort && m_bulkNeedsSort)
            sortRows();
        m_bulkNeedsSort = false;
        m_shownRows = size();
        endResetModel();
    }
}

void DomainListModel::beginAppend()
{
    if (m_appendDepth++ == 0 && !inBulk())
        m_shownRows = size();
}

void DomainListModel::endAppend()
{
    if (m_appendDepth == 0)
        return;
    if (!inBulk())
        flushAppended();
    --m_appendDepth;
}

void DomainListModel::flushAppended()
{
    if (m_shownRows < size()) {
        beginInsertRows({}, m_shownRows, size() - 1);
        m_shownRows = size();
        endInsertRows();
    }
    if (m_autoSort && m_bulkNeedsSort)
        sort(m_sortColumn, m_sortOrder);
    m_bulkNeedsSort = false;
}

namespace {

// The sort keys of a numeric column: cells holding "/" first, then by value.
struct NumberKey {
    int rank; // 0 for "/" cells, 1 for numbers
    int row;
    double value;
};

// The sort key of a text cell, compared without regard to case: its first
// sixteen case-folded characters packed into two numbers (one byte each,
// characters beyond one byte counted as 255), which settle most comparisons
// on their own; the whole folded text settles the rest.
struct TextKey {
    quint64 head0;
    quint64 head1;
    const QChar *text;
    qsizetype size;
    int row;
};

quint64 packHead(QStringView folded, qsizetype from)
{
    quint64 head = 0;
    for (qsizetype c = from; c < from + 8; ++c) {
        const char16_t ch = c < folded.size() ? folded[c].unicode() : 0;
        head = (head << 8) | std::min<char16_t>(ch, 0xFF);
    }
    return head;
}

// -1, 0 or 1 as `a` sorts before, with or after `b`.
int compareKeys(const TextKey &a, const TextKey &b)
{
    if (a.head0 != b.head0)
        return a.head0 < b.head0 ? -1 : 1;
    if (a.head1 != b.head1)
        return a.head1 < b.head1 ? -1 : 1;
    // Repeated cell texts share their characters.
    if (a.text == b.text && a.size == b.size)
        return 0;
    return QtPrivate::compareStrings(QStringView(a.text, a.size), QStringView(b.text, b.size),
                                     Qt::CaseSensitive);
}

int compareKeys(const NumberKey &a, const NumberKey &b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    return a.value < b.value ? -1 : (b.value < a.value ? 1 : 0);
}

// Sorts the keys themselves, not positions pointing at them: the merge passes
// then walk memory in order. Stable, so rows that compare equal keep their order.
template <typename Key> std::vector<int> stableOrder(std::vector<Key> &keys, bool descending)
{
    if (descending)
        std::stable_sort(keys.begin(), keys.end(),
                         [](const Key &a, const Key &b) { return compareKeys(a, b) > 0; });
    else
        std::stable_sort(keys.begin(), keys.end(),
                         [](const Key &a, const Key &b) { return compareKeys(a, b) < 0; });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].row;
    return order;
}

} // namespace

std::vector<int> DomainListModel::sortedOrder() const
{
    // The keys are worked out once per sort and give the order compareCells defines.
    const auto col = static_cast<size_t>(m_sortColumn);
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    if (isNumericColumn(m_sortColumn)) {
        std::vector<NumberKey> keys(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            const QString &cell = m_rows[i].cells[col];
            const bool slash = cell.contains(u'/');
            keys[i] = {slash ? 0 : 1, static_cast<int>(i), slash ? 0.0 : leadingNumber(cell)};
        }
        return stableOrder(keys, descending);
    }
    // Cells that folding changes (capital letters) keep their folded copy aside,
    // one per shared text; the rest are read in place.
    std::vector<TextKey> keys(m_rows.size());
    std::unordered_map<const QChar *, QString> refolded;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const QString &cell = m_rows[i].cells[col];
        auto known = refolded.find(cell.constData());
        QStringView folded = cell;
        if (known != refolded.end()) {
            folded = known->second;
        } else if (QString f = cell.toCaseFolded(); f.constData() != cell.constData()) {
            folded = refolded.try_emplace(cell.constData(), std::move(f)).first->second;
        }
        keys[i] = {packHead(folded, 0), packHead(folded, 8), folded.data(), folded.size(),
                   static_cast<int>(i)};
    }
    return stableOrder(keys, descending);
}

std::vector<int> DomainListModel::applyOrder(std::vector<int> order)
{
    std::vector<int> newPos(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newPos[static_cast<size_t>(order[i])] = static_cast<int>(i);
    // order[i] names the row that moves to position i. Following each cycle of
    // the permutation moves every row once, without a second copy of the list.
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] < 0)
            continue;
        if (static_cast<size_t>(order[start]) == start) {
            order[start] = -1;
            continue;
        }
        DomainRow held = std::move(m_rows[start]);
        size_t to = start;
        for (;;) {
            const auto from = static_cast<size_t>(order[to]);
            order[to] = -1;
            if (from == start) {
                m_rows[to] = std::move(held);
                break;
            }
            m_rows[to] = std::move(m_rows[from]);
            to = from;
        }
    }
    // The keys are the same; only their rows moved.
    m_index.renumber(newPos);
    return newPos;
}

void DomainListModel::sortRows()
{
    // Stable, so rows that compare equal keep their order: the same result as
    // placing each new row after its equals one at a time.
    applyOrder(sortedOrder());
    m_bulkNeedsSort = false;
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
    if (inAppend() && m_shownRows < size()) {
        beginInsertRows({}, m_shownRows, size() - 1);
        m_shownRows = size();
        endInsertRows();
    }
    m_bulkNeedsSort = false;

    // A selection model follows a layout change through one persistent index
    // per selected row, which takes seconds for hundreds of thousands of rows.
    // A large selection (other than the whole list, which it handles cheaply)
    // is therefore carried over by hand around a reset.
    const QItemSelection selection = m_selection.selection();
    qint64 selectedRows = 0;
    for (const QItemSelectionRange &r : selection)
        selectedRows += r.height();
    const bool wholeList = selection.size() == 1 && selectedRows == size();
    if (selectedRows > kLargeSelection && !wholeList) {
        const std::vector<char> mask = selectedMask();
        const QModelIndex current = m_selection.currentIndex();
        beginResetModel();
        const std::vector<int> newPos = applyOrder(sortedOrder());
        endResetModel();
        std::vector<char> moved(mask.size(), 0);
        for (size_t i = 0; i < mask.size(); ++i)
            moved[static_cast<size_t>(newPos[i])] = mask[i];
        selectMask(moved);
        if (current.isValid() && current.row() < size())
            m_selection.setCurrentIndex(index(newPos[static_cast<size_t>(current.row())], current.column()),
                                        QItemSelectionModel::NoUpdate);
        return;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Where every row went, so persistent indexes (selection, current row)
    // follow their rows.
    const std::vector<int> newPos = applyOrder(sortedOrder());
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
    std::vector<char> mask(m_rows.size(), 0);
    for (int r : rows) {
        if (r >= 0 && r < size())
            mask[static_cast<size_t>(r)] = 1;
    }
    selectMask(mask);
}

void DomainListModel::selectMask(const std::vector<char> &mask)
{
    if (inAppend() && !inBulk() && m_shownRows < size()) {
        beginInsertRows({}, m_shownRows, size() - 1);
        m_shownRows = size();
        endInsertRows();
    }
    // One range per run of selected rows.
    QItemSelection sel;
    const int n = std::min(size(), static_cast<int>(mask.size()));
    int i = 0;
    while (i < n) {
        if (!mask[static_cast<size_t>(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && mask[static_cast<size_t>(j + 1)])
            ++j;
        sel.append(QItemSelectionRange(index(i, 0), index(j, DomainColumnCount - 1)));
        i = j + 1;
    }
    // Clearing first and then selecting keeps the change notice linear: a
    // direct replacement compares every old range with every new one.
    if (m_selection.hasSelection())
        m_selection.clearSelection();
    if (!sel.isEmpty())
        m_selection.select(sel, QItemSelectionModel::Select);
}

void DomainListModel::selectAllRows()
{
    std::vector<char> mask(m_rows.size(), 1);
    selectMask(mask);
}

void DomainListModel::invertSelection()
{
    std::vector<char> mask = selectedMask();
    for (char &c : mask)
        c = !c;
    selectMask(mask);
}
