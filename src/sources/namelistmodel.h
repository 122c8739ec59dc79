#pragma once

#include <QAbstractListModel>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// A one-column list of names kept by the source windows (generated names,
// loaded names, TLDs to combine with): rows keyed by their text, each text
// once, in insertion order. A second insertion of a text is refused silently.
// Optionally every row carries a tick. Long runs of additions go between
// beginAdding() and endAdding() and reach the view as one insertion.
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
    int size() const { return static_cast<int>(m_names.size()); }
    bool isEmpty() const { return m_names.empty(); }
    const QString &at(int row) const { return m_names[static_cast<size_t>(row)]; }
    bool contains(QStringView name) const;
    QStringList names() const;

    // Appends `name` unless a row holds it already; true when it was added.
    // The view variant copies the text only for a new row.
    bool add(const QString &name);
    bool add(QStringView name);

    void beginAdding();
    void endAdding();

    void removeAt(int row);
    void clear();

    // Ticks (checkable lists only); new rows start unticked.
    bool isChecked(int row) const { return m_checked[static_cast<size_t>(row)] != 0; }
    void setChecked(int row, bool on);
    void setAllChecked(bool on);
    QStringList checkedNames() const;

private:
    void appendNew(QString name);

    QString m_header;
    bool m_checkable;
    std::vector<QString> m_names;
    std::vector<char> m_checked;
    QSet<QString> m_keys;
    bool m_adding = false;
    int m_shown = 0; // rows the view knows of during an adding run
};
