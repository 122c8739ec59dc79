#pragma once

#include "domainrow.h"
#include "rowkeyindex.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>

#include <functional>
#include <vector>

// The main list: rows in a vector, a hash from key to position, sorting done on
// the vector itself. Bulk work (rebuilds, imports) happens between beginBulk()
// and endBulk() and reaches the view as one reset, never row by row. Long runs
// of appended names can use beginAppend()/endAppend() instead: the view then
// learns of them as one insertion at the end and keeps its selection and
// scroll position.
class DomainListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Roles { ColourCodeRole = Qt::UserRole + 1, BoldRole };

    explicit DomainListModel(QObject *parent = nullptr);

    static const QStringList &headers();
    // The key of a row: its Domain text in lower case.
    static QString keyOf(const DomainRow &row) { return row.cells[ColDomain].toLower(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Every row, including those of an append run the view has not been told
    // about yet.
    int size() const { return static_cast<int>(m_rows.size()); }
    const DomainRow &rowAt(int row) const { return m_rows[static_cast<size_t>(row)]; }

    // Adds a row under `key` (which must be keyOf(row)); returns its position
    // (0-based), or -1 when a row with that key exists already. With automatic
    // sorting on, the row goes to its sorted place; inside a bulk update or an
    // append run it is appended and the list is sorted once at the end, which
    // gives the same order as placing the rows one by one.
    int addRow(const QString &key, DomainRow row);
    int addRow(DomainRow row)
    {
        const QString key = keyOf(row);
        return addRow(key, std::move(row));
    }
    bool containsKey(const QString &key) const { return m_index.find(key, m_rows) >= 0; }
    int rowOfKey(const QString &key) const { return m_index.find(key, m_rows); }

    void setCell(int row, int column, const QString &text);
    void setCells(int row, const DomainRow &cells); // cells 1..6, colour and bold
    // Colours row `row1` (1-based) with `code` (0-4; other codes leave the colour
    // as it is) and makes it bold when `bold` is true (false leaves it as it is).
    void paintrow(int row1, int code, bool bold);

    void clear();
    void reserve(int rows);
    // Replaces every row at once (the order given), rebuilding the index. Rows
    // whose key repeats an earlier one are dropped.
    void replaceRows(std::vector<DomainRow> rows);
    // Removes the rows for which `remove` is true, in one reset.
    void removeRowsIf(const std::function<bool(const DomainRow &)> &remove);

    void beginBulk();
    void endBulk();
    bool inBulk() const { return m_bulkDepth > 0; }

    void beginAppend();
    void endAppend();
    bool inAppend() const { return m_appendDepth > 0; }

    // Automatic sorting: while on, the list keeps itself ordered by the sort
    // column and direction.
    void setAutoSort(bool on);
    bool autoSort() const { return m_autoSort; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void setSortKey(int column, Qt::SortOrder order);

    // Selection lives here, in the core, so the engine can read it without a view;
    // the window's view shares it.
    QItemSelectionModel *selectionModel() { return &m_selection; }
    const QItemSelectionModel *selectionModel() const { return &m_selection; }
    std::vector<char> selectedMask() const; // one flag per row
    int selectedRowCount() const;
    void selectRows(const std::vector<int> &rows);  // replaces the selection
    void selectMask(const std::vector<char> &mask); // replaces the selection
    void selectAllRows();
    void invertSelection();

    // Above this many selected rows a sort carries the selection over itself
    // (one reset) instead of through persistent indexes.
    static constexpr int kLargeSelection = 20000;

private:
    void rebuildIndex();
    bool lessThan(const DomainRow &a, const DomainRow &b) const;
    std::vector<int> sortedOrder() const;
    // Moves row order[i] to position i, for every i; returns each row's new position.
    std::vector<int> applyOrder(std::vector<int> order);
    void sortRows();
    void flushAppended();

    std::vector<DomainRow> m_rows;
    RowKeyIndex m_index;
    QItemSelectionModel m_selection;
    int m_bulkDepth = 0;
    bool m_bulkNeedsSort = false;
    int m_appendDepth = 0;
    int m_shownRows = 0; // rows the view knows of during an append run
    bool m_autoSort = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
