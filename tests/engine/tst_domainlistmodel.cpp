#include "engine/domainlistmodel.h"

#include <QAbstractItemModelTester>
#include <QSet>
#include <QSignalSpy>

#include "engine/qtprinters.h"

#include <gtest/gtest.h>

namespace {

DomainRow makeRow(const QString &name, const QString &length = QStringLiteral("N/A"),
                  const QString &tld = QStringLiteral("N/A"), const QString &expiresIn = QStringLiteral("N/A"))
{
    DomainRow r;
    r.cells[ColDomain] = name;
    r.cells[ColLength] = length;
    r.cells[ColTld] = tld;
    r.cells[ColAvailability] = QStringLiteral("N/A");
    r.cells[ColExpiration] = QStringLiteral("N/A");
    r.cells[ColExpiresIn] = expiresIn;
    return r;
}

QStringList column(const DomainListModel &m, int col = ColDomain)
{
    QStringList out;
    for (int i = 0; i < m.size(); ++i)
        out << m.rowAt(i).cells[static_cast<size_t>(col)];
    return out;
}

} // namespace

TEST(DomainListModel, KeysAreUniqueInEveryWayRowsArrive)
{
    DomainListModel m;
    EXPECT_EQ(m.addRow(makeRow("ab.com")), 0);
    EXPECT_EQ(m.addRow(makeRow("ab.com")), -1);
    EXPECT_EQ(m.addRow(makeRow("AB.com")), -1); // the key is the lower-case text
    EXPECT_EQ(m.size(), 1);

    m.beginBulk();
    EXPECT_EQ(m.addRow(makeRow("cd.com")), 1);
    EXPECT_EQ(m.addRow(makeRow("cd.com")), -1);
    m.endBulk();

    m.replaceRows({makeRow("x.org"), makeRow("y.org"), makeRow("x.org")});
    EXPECT_EQ(column(m), QStringList({"x.org", "y.org"}));
    EXPECT_FALSE(m.containsKey("ab.com"));

    m.removeRowsIf([](const DomainRow &r) { return r.cells[ColDomain] == "x.org"; });
    EXPECT_EQ(m.rowOfKey("y.org"), 0);
    EXPECT_EQ(m.rowOfKey("x.org"), -1);
    EXPECT_EQ(m.addRow(makeRow("x.org")), 1); // a removed key may come back

    m.clear();
    EXPECT_EQ(m.size(), 0);
    EXPECT_EQ(m.addRow(makeRow("y.org")), 0);
}

TEST(DomainListModel, PaintrowSetsColourCodeAndBold)
{
    struct Case {
        int code;
        bool bold;
        int expectedColour;
    };
    const Case cases[] = {
        {0, true, ColourBlue},  {1, true, ColourGreen},    {2, false, ColourGrey},
        {3, false, ColourRed},  {4, true, ColourPureBlue}, {5, true, ColourNone}, // unknown code: colour untouched
        {-1, false, ColourNone},
    };
    for (const Case &c : cases) {
        DomainListModel m;
        m.addRow(makeRow("ab.com"));
        m.paintrow(1, c.code, c.bold); // 1-based
        EXPECT_EQ(m.rowAt(0).colour, c.expectedColour) << c.code;
        EXPECT_EQ(m.rowAt(0).bold, c.bold) << c.code;
        EXPECT_EQ(m.data(m.index(0, 3), DomainListModel::ColourCodeRole).toInt(), c.expectedColour);
        EXPECT_EQ(m.data(m.index(0, 6), DomainListModel::BoldRole).toBool(), c.bold);
    }
    DomainListModel m;
    m.addRow(makeRow("ab.com"));
    m.paintrow(1, ColourGreen, true);
    m.paintrow(1, 7, false); // an unknown code and no bold leave the row as it was
    EXPECT_EQ(m.rowAt(0).colour, ColourGreen);
    EXPECT_TRUE(m.rowAt(0).bold);
    m.paintrow(1, ColourGrey, false); // recoloured, still bold
    EXPECT_EQ(m.rowAt(0).colour, ColourGrey);
    EXPECT_TRUE(m.rowAt(0).bold);
    m.paintrow(0, ColourRed, true); // no row 0 in 1-based counting
    m.paintrow(2, ColourRed, true);
    EXPECT_EQ(m.rowAt(0).colour, ColourGrey);

    EXPECT_EQ(m.columnCount(), 7);
    EXPECT_EQ(m.headerData(5, Qt::Horizontal).toString(), "Expires in (days)");
}

TEST(DomainListModel, AutomaticSortingPlacesSingleAddsAfterTheirEquals)
{
    DomainListModel m;
    m.setSortKey(ColTld, Qt::AscendingOrder);
    m.setAutoSort(true);
    EXPECT_EQ(m.addRow(makeRow("b.net", "1", "net")), 0);
    EXPECT_EQ(m.addRow(makeRow("a.com", "1", "com")), 0);
    EXPECT_EQ(m.addRow(makeRow("c.com", "1", "COM")), 1); // equal without regard to case: after a.com
    EXPECT_EQ(m.addRow(makeRow("d.org", "1", "org")), 3);
    EXPECT_EQ(column(m), QStringList({"a.com", "c.com", "b.net", "d.org"}));
    for (int i = 0; i < m.size(); ++i)
        EXPECT_EQ(m.rowOfKey(m.rowAt(i).cells[ColDomain]), i);

    m.setAutoSort(false);
    EXPECT_EQ(m.addRow(makeRow("a.aaa", "1", "aaa")), 4); // off again: appended
}

TEST(DomainListModel, DeferredAddsSortLikeSingleAdds)
{
    // Rows added inside a bulk update or an append run must end where one-by-one
    // sorted inserts would have put them, ties included, in both directions.
    const QList<DomainRow> incoming = {
        makeRow("k.com", "1", "com", "30 days"), makeRow("a.net", "1", "net", "N/A"),
        makeRow("z.com", "1", "com", "-3 days"), makeRow("m.org", "1", "org", "5 days"),
        makeRow("b.com", "1", "com", "30 days"), makeRow("q.net", "1", "net", "120 days"),
    };
    for (int sortColumn : {int(ColDomain), int(ColTld), int(ColExpiresIn)}) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            DomainListModel single, bulk, append;
            for (DomainListModel *m : {&single, &bulk, &append}) {
                m->setSortKey(sortColumn, order);
                m->setAutoSort(true);
                m->addRow(makeRow("c.com", "1", "com", "30 days"));
                m->addRow(makeRow("n.net", "1", "net", "N/A"));
            }
            for (const DomainRow &r : incoming)
                single.addRow(r);
            bulk.beginBulk();
            for (const DomainRow &r : incoming)
                bulk.addRow(r);
            bulk.endBulk();
            append.beginAppend();
            for (const DomainRow &r : incoming)
                append.addRow(r);
            append.endAppend();
            EXPECT_EQ(column(bulk), column(single)) << sortColumn << order;
            EXPECT_EQ(column(append), column(single)) << sortColumn << order;
            for (int i = 0; i < append.size(); ++i)
                EXPECT_EQ(append.rowOfKey(append.rowAt(i).cells[ColDomain]), i);
        }
    }
}

TEST(DomainListModel, NumericColumnsSortByValueWithNaFirst)
{
    DomainListModel m;
    m.addRow(makeRow("a.com", "10", "com", "120 days"));
    m.addRow(makeRow("b.com", "9", "com", "N/A"));
    m.addRow(makeRow("c.com", "N/A", "com", "5 days"));
    m.addRow(makeRow("d.com", "100", "com", "-3 days"));
    m.addRow(makeRow("e.com", "9", "com", "30 days"));
    m.sort(ColLength, Qt::AscendingOrder);
    EXPECT_EQ(column(m, ColLength), QStringList({"N/A", "9", "9", "10", "100"}));
    EXPECT_EQ(column(m), QStringList({"c.com", "b.com", "e.com", "a.com", "d.com"})); // stable
    m.sort(ColExpiresIn, Qt::AscendingOrder);
    EXPECT_EQ(column(m, ColExpiresIn), QStringList({"N/A", "-3 days", "5 days", "30 days", "120 days"}));
    m.sort(ColExpiresIn, Qt::DescendingOrder);
    EXPECT_EQ(column(m, ColExpiresIn), QStringList({"120 days", "30 days", "5 days", "-3 days", "N/A"}));
    for (int i = 0; i < m.size(); ++i)
        EXPECT_EQ(m.rowOfKey(m.rowAt(i).cells[ColDomain]), i);
}

TEST(DomainListModel, SelectionAndCurrentRowFollowTheirRowsThroughASort)
{
    DomainListModel m;
    for (const char *n : {"d.com", "b.com", "e.com", "a.com", "c.com"})
        m.addRow(makeRow(n));
    m.selectRows({0, 2}); // d.com, e.com
    m.selectionModel()->setCurrentIndex(m.index(1, 0), QItemSelectionModel::NoUpdate); // b.com
    m.sort(ColDomain, Qt::AscendingOrder);
    const std::vector<char> mask = m.selectedMask();
    EXPECT_EQ(mask, std::vector<char>({0, 0, 0, 1, 1}));
    EXPECT_EQ(m.selectionModel()->currentIndex().row(), 1);

    m.invertSelection();
    EXPECT_EQ(m.selectedMask(), std::vector<char>({1, 1, 1, 0, 0}));
    EXPECT_EQ(m.selectedRowCount(), 3);
    m.selectAllRows();
    EXPECT_EQ(m.selectedRowCount(), 5);
    m.sort(ColDomain, Qt::DescendingOrder);
    EXPECT_EQ(m.selectedRowCount(), 5);
}

TEST(DomainListModel, LargeSelectionsFollowTheirRowsThroughASort)
{
    DomainListModel m;
    const int n = DomainListModel::kLargeSelection * 2 + 500;
    m.beginBulk();
    for (int i = 0; i < n; ++i)
        m.addRow(makeRow(QStringLiteral("r%1.com").arg(qint64(i) * 7919 % n)));
    m.endBulk();
    std::vector<int> rows;
    QSet<QString> selected;
    for (int i = 0; i < n; i += 2) {
        rows.push_back(i);
        selected.insert(m.rowAt(i).cells[ColDomain]);
    }
    m.selectRows(rows);
    const QString currentKey = m.rowAt(7).cells[ColDomain];
    m.selectionModel()->setCurrentIndex(m.index(7, 2), QItemSelectionModel::NoUpdate);
    m.sort(ColDomain, Qt::DescendingOrder);
    const std::vector<char> mask = m.selectedMask();
    int count = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(bool(mask[static_cast<size_t>(i)]), selected.contains(m.rowAt(i).cells[ColDomain])) << i;
        count += mask[static_cast<size_t>(i)];
    }
    EXPECT_EQ(count, selected.size());
    const QModelIndex current = m.selectionModel()->currentIndex();
    EXPECT_EQ(current.column(), 2);
    EXPECT_EQ(m.rowAt(current.row()).cells[ColDomain], currentKey);
}

TEST(DomainListModel, AppendRunReachesTheViewAsOneInsertion)
{
    DomainListModel m;
    m.addRow(makeRow("a.com"));
    m.addRow(makeRow("b.com"));
    m.selectRows({1});
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.beginAppend();
    for (int i = 0; i < 50; ++i)
        m.addRow(makeRow(QStringLiteral("n%1.com").arg(i)));
    EXPECT_EQ(m.rowCount(), 2); // the view has not been told yet
    EXPECT_EQ(m.size(), 52);
    EXPECT_TRUE(m.containsKey("n7.com"));
    m.endAppend();
    EXPECT_EQ(m.rowCount(), 52);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 2);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 51);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(m.selectedMask()[1], 1); // selection kept
}

TEST(DomainListModel, HoldsItsContractWhileLoadingSortingAndDeleting)
{
    DomainListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);

    m.beginBulk();
    for (int i = 0; i < 300; ++i)
        m.addRow(makeRow(QStringLiteral("name%1.com").arg(i), QString::number(4 + i % 7), "com",
                         QStringLiteral("%1 days").arg(i % 40 - 10)));
    m.endBulk();
    m.selectRows({3, 4, 5, 100, 299});
    m.sort(ColExpiresIn, Qt::AscendingOrder);
    m.sort(ColDomain, Qt::DescendingOrder);
    m.setAutoSort(true);
    m.addRow(makeRow("zz.com"));
    m.addRow(makeRow("aa.com"));
    m.beginAppend();
    for (int i = 0; i < 20; ++i)
        m.addRow(makeRow(QStringLiteral("late%1.org").arg(i)));
    m.endAppend();
    EXPECT_EQ(m.selectedRowCount(), 5);
    m.setAutoSort(false);
    m.setCell(0, ColInformation, "Status: ok");
    m.paintrow(2, ColourGreen, true);
    m.removeRowsIf([](const DomainRow &r) { return r.cells[ColDomain].startsWith(u"name1"); });
    m.replaceRows({makeRow("one.com"), makeRow("two.com")});
    m.clear();
    EXPECT_EQ(m.rowCount(), 0);
}
