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
    const size_t row = static_cast<size_t>(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_names[row];
    if (role == Qt::CheckStateRole && m_checkable)
        return m_checked[row] ? Qt::Checked : Qt::Unchecked;
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

bool NameListModel::contains(QStringView name) const
{
    // A non-owning QString: looking a name up allocates nothing.
    return m_keys.contains(QString::fromRawData(reinterpret_cast<const QChar *>(name.utf16()), name.size()));
}

QStringList NameListModel::names() const
{
    QStringList out;
    out.reserve(size());
    for (const QString &name : m_names)
        out.append(name);
    return out;
}

void NameListModel::appendNew(QString name)
{
    m_keys.insert(name);
    if (m_adding) {
        m_names.push_back(std::move(name));
        m_checked.push_back(0);
        return;
    }
    beginInsertRows({}, size(), size());
    m_names.push_back(std::move(name));
    m_checked.push_back(0);
    endInsertRows();
}

bool NameListModel::add(const QString &name)
{
    if (m_keys.contains(name))
        return false;
    appendNew(name);
    return true;
}

bool NameListModel::add(QStringView name)
{
    if (contains(name))
        return false;
    appendNew(name.toString());
    return true;
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
    m_keys.remove(at(row));
    m_names.erase(m_names.begin() + row);
    m_checked.erase(m_checked.begin() + row);
    if (m_adding && shown)
        --m_shown;
    if (shown)
        endRemoveRows();
}

void NameListModel::clear()
{
    beginResetModel();
    m_names.clear();
    m_names.shrink_to_fit();
    m_checked.clear();
    m_checked.shrink_to_fit();
    m_keys.clear();
    m_shown = 0;
    endResetModel();
}

void NameListModel::setChecked(int row, bool on)
{
    if (row < 0 || row >= size() || (m_checked[static_cast<size_t>(row)] != 0) == on)
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
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_checked[i])
            out.append(m_names[i]);
    }
    return out;
}
