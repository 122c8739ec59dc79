#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// A one-column list of names kept by the source windows (generated names,
// loaded names, TLDs to combine with): rows keyed by their text, each text
// once, in insertion order. A second insertion of a text is refused silently.
// Optionally every row carries a tick. Long runs of additions go between
// beginAdding() and endAdding() and reach the view as one insertion.
//
// Generated lists run into millions of names, so the texts share one block
// (no allocation per name) and the key index keeps only a hash and a row
// number per name.
class NameListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit NameListModel(const QString &header, bool checkable = false, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Every row, those of an adding run the view has not been told of included.
    int size() const { return static_cast<int>(m_ends.size()); }
    bool isEmpty() const { return m_ends.empty(); }
    // The text of `row`; the view is valid until the list changes.
    QStringView view(int row) const;
    QString at(int row) const { return view(row).toString(); }
    bool contains(QStringView name) const;
    QStringList names() const;

    // Appends `name` unless a row holds it already; true when it was added.
    bool add(QStringView name);
    // add() for each of `count` names in order; for long runs, since the key
    // index is looked up for several names at once.
    void addAll(const QStringView *names, qsizetype count);

    void beginAdding();
    void endAdding();
    // Room for `more` rows of `moreChars` characters in all on top of those there.
    void reserve(qsizetype more, qsizetype moreChars = 0);

    void removeAt(int row);
    void clear();

    // Ticks (checkable lists only); new rows start unticked.
    bool isChecked(int row) const { return m_checked[static_cast<size_t>(row)] != 0; }
    void setChecked(int row, bool on);
    void setAllChecked(bool on);
    QStringList checkedNames() const;

private:
    // Open addressing over the row numbers, at most half full.
    struct Slot {
        quint32 hash = 0;
        qint32 row = -1;
    };
    static quint32 hashOf(QStringView name);
    size_t findSlot(QStringView name, quint32 hash) const;
    void growIndex(size_t rows);
    void rebuildIndex();
    // add() once the index has room for one more name.
    bool insert(QStringView name, quint32 hash);

    QString m_header;
    bool m_checkable;
    std::vector<char16_t> m_text;  // every name, one after the other
    std::vector<qsizetype> m_ends; // where each name ends in m_text
    std::vector<char> m_checked;
    std::vector<Slot> m_slots;
    bool m_adding = false;
    int m_shown = 0; // rows the view knows of during an adding run
};
