#pragma once

#include <QAbstractListModel>
#include <QSet>
#include <QString>
#include <QStringList>

// A short list of texts keyed by the text itself, in insertion order: adding a
// text that is already listed is refused. The keyword and found-name lists of
// the harvester are of this kind; a few thousand rows at most.
class KeyedListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit KeyedListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // False (and nothing changes) when `text` is listed already.
    bool add(const QString &text);
    // Adds every text not listed yet, in order, telling views once. Returns
    // the number added.
    int addAll(const QStringList &texts);
    bool contains(const QString &text) const { return m_keys.contains(text); }
    // Removes the rows at these positions (any order, repeats ignored).
    void removeRowsAt(const QList<int> &rows);
    void clear();

    int size() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const QStringList &items() const { return m_items; }

private:
    QStringList m_items;
    QSet<QString> m_keys;
};
