#include "keyedlistmodel.h"

#include <algorithm>
#include <functional>

KeyedListModel::KeyedListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int KeyedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant KeyedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_items[index.row()];
    return {};
}

bool KeyedListModel::add(const QString &text)
{
    if (m_keys.contains(text))
        return false;
    beginInsertRows({}, size(), size());
    m_items.append(text);
    m_keys.insert(text);
    endInsertRows();
    return true;
}

int KeyedListModel::addAll(const QStringList &texts)
{
    QStringList fresh;
    for (const QString &text : texts) {
        if (m_keys.contains(text))
            continue;
        m_keys.insert(text);
        fresh.append(text);
    }
    if (fresh.isEmpty())
        return 0;
    beginInsertRows({}, size(), size() + static_cast<int>(fresh.size()) - 1);
    m_items.append(fresh);
    endInsertRows();
    return static_cast<int>(fresh.size());
}

void KeyedListModel::removeRowsAt(const QList<int> &rows)
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int row : sorted) {
        if (row < 0 || row >= size())
            continue;
        beginRemoveRows({}, row, row);
        m_keys.remove(m_items.takeAt(row));
        endRemoveRows();
    }
}

void KeyedListModel::clear()
{
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    m_keys.clear();
    endResetModel();
}
