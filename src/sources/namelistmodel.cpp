#include "namelistmodel.h"

#include <algorithm>

NameListModel::NameListModel(const QString &header, bool checkable, QObject *parent)
    : QAbstractListModel(parent)
    , m_header(header)
    , m_checkable(checkable)
{
}

int NameListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_adding ? m_shown : size();
}

QVariant NameListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() != 0)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return at(index.row());
    if (role == Qt::CheckStateRole && m_checkable)
        return isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool NameListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_checkable || role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags NameListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkable)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant NameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return m_header;
    return {};
}

QStringView NameListModel::view(int row) const
{
    const size_t r = static_cast<size_t>(row);
    const qsizetype begin = r == 0 ? 0 : m_ends[r - 1];
    return QStringView(m_text.data() + begin, m_ends[r] - begin);
}

quint32 NameListModel::hashOf(QStringView name)
{
    const size_t h = qHash(name, qGlobalQHashSeed());
    return static_cast<quint32>(h ^ (static_cast<quint64>(h) >> 32));
}

size_t NameListModel::findSlot(QStringView name, quint32 hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (slot.row < 0 || (slot.hash == hash && view(slot.row) == name))
            return i;
    }
}

void NameListModel::growIndex(size_t rows)
{
    size_t wanted = 16;
    while (wanted < rows * 2)
        wanted *= 2;
    if (wanted <= m_slots.size())
        return;
    m_slots.assign(wanted, Slot());
    rebuildIndex();
}

void NameListModel::rebuildIndex()
{
    std::fill(m_slots.begin(), m_slots.end(), Slot());
    const size_t mask = m_slots.size() - 1;
    for (int row = 0; row < size(); ++row) {
        const quint32 hash = hashOf(view(row));
        size_t i = hash & mask;
        while (m_slots[i].row >= 0)
            i = (i + 1) & mask;
        m_slots[i] = {hash, row};
    }
}

bool NameListModel::contains(QStringView name) const
{
    return !m_slots.empty() && m_slots[findSlot(name, hashOf(name))].row >= 0;
}

QStringList NameListModel::names() const
{
    QStringList out;
    out.reserve(size());
    for (int row = 0; row < size(); ++row)
        out.append(at(row));
    return out;
}

bool NameListModel::add(QStringView name)
{
    if ((m_ends.size() + 1) * 2 > m_slots.size())
        growIndex(m_ends.size() + 1);
    return insert(name, hashOf(name));
}

bool NameListModel::insert(QStringView name, quint32 hash)
{
    const size_t slot = findSlot(name, hash);
    if (m_slots[slot].row >= 0)
        return false;
    const int row = size();
    if (!m_adding)
        beginInsertRows({}, row, row);
    m_slots[slot] = {hash, row};
    m_text.insert(m_text.end(), name.utf16(), name.utf16() + name.size());
    m_ends.push_back(static_cast<qsizetype>(m_text.size()));
    m_checked.push_back(0);
    if (!m_adding)
        endInsertRows();
    return true;
}

void NameListModel::addAll(const QStringView *names, qsizetype count)
{
    // A lookup in a big index waits for memory almost every time; asking for
    // the slots of a few names ahead lets those waits overlap.
    constexpr qsizetype kAhead = 16;
    quint32 hashes[kAhead];
    for (qsizetype first = 0; first < count; first += kAhead) {
        const qsizetype n = std::min(kAhead, count - first);
        if ((m_ends.size() + static_cast<size_t>(n)) * 2 > m_slots.size())
            growIndex(m_ends.size() + static_cast<size_t>(n));
        const size_t mask = m_slots.size() - 1;
        for (qsizetype i = 0; i < n; ++i) {
            hashes[i] = hashOf(names[first + i]);
#if defined(__GNUC__)
            __builtin_prefetch(&m_slots[hashes[i] & mask]);
#endif
        }
        for (qsizetype i = 0; i < n; ++i)
            insert(names[first + i], hashes[i]);
    }
}

void NameListModel::reserve(qsizetype more, qsizetype moreChars)
{
    if (moreChars > 0)
        m_text.reserve(m_text.size() + static_cast<size_t>(moreChars));
    if (more <= 0)
        return;
    const size_t rows = m_ends.size() + static_cast<size_t>(more);
    m_ends.reserve(rows);
    m_checked.reserve(rows);
    growIndex(rows);
}

void NameListModel::beginAdding()
{
    if (m_adding)
        return;
    m_adding = true;
    m_shown = size();
}

void NameListModel::endAdding()
{
    if (!m_adding)
        return;
    if (m_shown < size()) {
        // The rows are in place already; the view is told about them now, as
        // one insertion at the end.
        beginInsertRows({}, m_shown, size() - 1);
        m_adding = false;
        endInsertRows();
    } else {
        m_adding = false;
    }
}

void NameListModel::removeAt(int row)
{
    if (row < 0 || row >= size())
        return;
    const bool shown = row < rowCount();
    if (shown)
        beginRemoveRows({}, row, row);
    const size_t r = static_cast<size_t>(row);
    const qsizetype begin = r == 0 ? 0 : m_ends[r - 1];
    const qsizetype length = m_ends[r] - begin;
    m_text.erase(m_text.begin() + begin, m_text.begin() + begin + length);
    m_ends.erase(m_ends.begin() + row);
    for (size_t i = r; i < m_ends.size(); ++i)
        m_ends[i] -= length;
    m_checked.erase(m_checked.begin() + row);
    rebuildIndex();
    if (m_adding && shown)
        --m_shown;
    if (shown)
        endRemoveRows();
}

void NameListModel::clear()
{
    beginResetModel();
    m_text = {};
    m_ends = {};
    m_checked = {};
    m_slots = {};
    m_shown = 0;
    endResetModel();
}

void NameListModel::setChecked(int row, bool on)
{
    if (row < 0 || row >= size() || isChecked(row) == on)
        return;
    m_checked[static_cast<size_t>(row)] = on ? 1 : 0;
    if (row < rowCount()) {
        const QModelIndex i = index(row);
        emit dataChanged(i, i, {Qt::CheckStateRole});
    }
}

void NameListModel::setAllChecked(bool on)
{
    std::fill(m_checked.begin(), m_checked.end(), on ? 1 : 0);
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
}

QStringList NameListModel::checkedNames() const
{
    QStringList out;
    for (int row = 0; row < size(); ++row) {
        if (m_checked[static_cast<size_t>(row)])
            out.append(at(row));
    }
    return out;
}
