#include "engine/domainlistmodel.h"

#include <QAbstractItemModelTester>
#include <QSet>

#include "engine/qtprinters.h"

#include <gtest/gtest.h>

namespace {

DomainRow makeRow(const QString &name, const QString &tld = "N/A", const QString &expiresIn = "N/A",
                  const QString &length = "1")
{
    return DomainRow{{name, length, tld, "N/A", "N/A", expiresIn, {}}};
}

QStringList column(const DomainListModel &m, int col = ColDomain)
{
    QStringList out;
    for (int i = 0; i < m.size(); ++i)
        out << m.rowAt(i).cells[static_cast<size_t>(col)];
    return out;
}

bool indexMatchesRows(const DomainListModel &m)
{
    for (int i = 0; i < m.size(); ++i) {
        if (m.rowOfKey(m.rowAt(i).cells[ColDomain]) != i)
            return false;
    }
    return true;
}

} // namespace

TEST(DomainListModel, KeepsKeysUniqueAndItsContractAcrossEveryKindOfChange)
{
    DomainListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.beginBulk();
    for (int i = 0; i < 300; ++i)
        m.addRow(makeRow(QStringLiteral("name%1.com").arg(i), "com", QString::number(i % 40 - 10) + " days"));
    EXPECT_EQ(m.addRow(makeRow("NAME7.com")), -1); // the key is the lower-case text
    m.endBulk();
    m.selectRows({3, 4, 5, 100, 299});
    m.sort(ColExpiresIn, Qt::AscendingOrder);
    m.sort(ColDomain, Qt::DescendingOrder);
    m.setAutoSort(true);
    EXPECT_EQ(m.addRow(makeRow("zz.com")), 0);
    m.beginAppend();
    for (int i = 0; i < 50; ++i)
        m.addRow(makeRow(QStringLiteral("late%1.org").arg(i)));
    EXPECT_EQ(m.addRow(makeRow("late7.org")), -1);
    EXPECT_EQ(m.rowCount(), 301); // the view learns of an append run at its end
    m.endAppend();
    EXPECT_EQ(m.rowCount(), 351);
    EXPECT_EQ(m.selectedRowCount(), 5);
    m.setAutoSort(false);
    m.setCell(0, ColInformation, "Status: ok");
    m.removeRowsIf([](const DomainRow &r) { return r.cells[ColDomain].startsWith(u"name1"); });
    EXPECT_TRUE(indexMatchesRows(m));
    const int end = m.size();
    EXPECT_EQ(m.addRow(makeRow("name1.com")), end); // a removed key may come back
    m.replaceRows({makeRow("x.org"), makeRow("y.org"), makeRow("X.org")});
    EXPECT_EQ(column(m), QStringList({"x.org", "y.org"}));
    m.clear();
    EXPECT_EQ(m.addRow(makeRow("y.org")), 0);
}

TEST(DomainListModel, PaintrowSetsColourAndOnlyEverAddsBold)
{
    // {code, bold, resulting colour}; codes outside 0-4 leave the colour alone.
    const int cases[][3] = {{0, 1, ColourBlue}, {1, 1, ColourGreen}, {2, 0, ColourGrey}, {3, 0, ColourRed},
                            {4, 1, ColourPureBlue}, {5, 1, ColourNone}, {-1, 0, ColourNone}};
    for (const auto &c : cases) {
        DomainListModel m;
        m.addRow(makeRow("ab.com"));
        m.paintrow(1, c[0], c[1]); // 1-based
        EXPECT_EQ(m.data(m.index(0, 3), DomainListModel::ColourCodeRole).toInt(), c[2]) << c[0];
        EXPECT_EQ(m.data(m.index(0, 6), DomainListModel::BoldRole).toBool(), bool(c[1])) << c[0];
        m.paintrow(1, ColourGrey, false); // recoloured, bold kept
        m.paintrow(2, ColourRed, true);   // no such row
        EXPECT_EQ(m.rowAt(0).colour, ColourGrey);
        EXPECT_EQ(m.rowAt(0).bold, bool(c[1]));
    }
}

TEST(DomainListModel, AutoSortPlacesRowsAfterTheirEqualsHoweverTheyArrive)
{
    // Bulk updates and append runs sort once at the end; they must give the order
    // that one-by-one sorted inserts give, ties included, in both directions.
    const QList<DomainRow> incoming = {
        makeRow("k.com", "com", "30 days"), makeRow("a.net", "net", "N/A"),
        makeRow("z.com", "com", "-3 days"), makeRow("m.org", "org", "5 days"),
        makeRow("b.com", "COM", "30 days"), makeRow("q.net", "net", "120 days")};
    for (int sortColumn : {int(ColDomain), int(ColTld), int(ColExpiresIn)}) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            DomainListModel single, bulk, append;
            for (DomainListModel *m : {&single, &bulk, &append}) {
                m->setSortKey(sortColumn, order);
                m->setAutoSort(true);
                m->addRow(makeRow("c.com", "com", "30 days"));
                m->addRow(makeRow("n.net", "net", "N/A"));
            }
            bulk.beginBulk();
            append.beginAppend();
            for (DomainListModel *m : {&single, &bulk, &append}) {
                for (const DomainRow &r : incoming)
                    m->addRow(r);
            }
            bulk.endBulk();
            append.endAppend();
            if (sortColumn == ColTld && order == Qt::AscendingOrder) {
                EXPECT_EQ(column(single), QStringList({"c.com", "k.com", "z.com", "b.com", "n.net", "a.net",
                                                       "q.net", "m.org"}));
            }
            EXPECT_EQ(column(bulk), column(single)) << sortColumn << order;
            EXPECT_EQ(column(append), column(single)) << sortColumn << order;
            EXPECT_TRUE(indexMatchesRows(append));
        }
    }
}

TEST(DomainListModel, NumericColumnsSortByValueWithNaFirst)
{
    DomainListModel m;
    m.replaceRows({makeRow("a.com", "com", "120 days", "10"), makeRow("b.com", "com", "N/A", "9"),
                   makeRow("c.com", "com", "5 days", "N/A"), makeRow("d.com", "com", "-3 days", "100"),
                   makeRow("e.com", "com", "30 days", "9")});
    m.sort(ColLength, Qt::AscendingOrder);
    EXPECT_EQ(column(m), QStringList({"c.com", "b.com", "e.com", "a.com", "d.com"})); // stable
    m.sort(ColExpiresIn, Qt::DescendingOrder);
    EXPECT_EQ(column(m, ColExpiresIn), QStringList({"120 days", "30 days", "5 days", "-3 days", "N/A"}));
    EXPECT_TRUE(indexMatchesRows(m));
}

TEST(DomainListModel, SelectionAndCurrentRowFollowTheirRowsThroughASort)
{
    // Small selections go through persistent indexes, large ones through a reset.
    for (int n : {5, DomainListModel::kLargeSelection * 2 + 500}) {
        DomainListModel m;
        std::vector<DomainRow> rows;
        for (int i = 0; i < n; ++i)
            rows.push_back(makeRow(QStringLiteral("r%1.com").arg(qint64(i) * 7919 % n)));
        m.replaceRows(std::move(rows));
        std::vector<int> even;
        QSet<QString> selected;
        for (int i = 0; i < n; i += 2) {
            even.push_back(i);
            selected.insert(m.rowAt(i).cells[ColDomain]);
        }
        m.selectRows(even);
        const QString currentKey = m.rowAt(3).cells[ColDomain];
        m.selectionModel()->setCurrentIndex(m.index(3, 2), QItemSelectionModel::NoUpdate);
        m.sort(ColDomain, Qt::DescendingOrder);
        const std::vector<char> mask = m.selectedMask();
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(bool(mask[size_t(i)]), selected.contains(m.rowAt(i).cells[ColDomain])) << n << " " << i;
        EXPECT_EQ(m.selectionModel()->currentIndex(), m.index(m.rowOfKey(currentKey), 2));
        m.invertSelection();
        EXPECT_EQ(m.selectedRowCount(), n - selected.size());
        m.selectAllRows();
        EXPECT_EQ(m.selectedRowCount(), n);
    }
}
