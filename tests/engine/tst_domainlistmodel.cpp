#include "engine/domainlistmodel.h"

#include <QAbstractItemModelTester>

#include "support/qtprinters.h"

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
    bool ok = true;
    for (int i = 0; i < m.size(); ++i)
        ok = ok && m.rowOfKey(m.rowAt(i).cells[ColDomain]) == i;
    return ok;
}

} // namespace

TEST(DomainListModel, KeepsKeysUniqueColoursAndItsContractAcrossEveryKindOfChange)
{
    DomainListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.beginBulk();
    for (int i = 0; i < 300; ++i)
        m.addRow(makeRow(QStringLiteral("name%1.com").arg(i), "com", QString::number(i % 40 - 10) + " days"));
    EXPECT_EQ(m.addRow(makeRow("NAME7.com")), -1); // the key is the lower-case text
    m.endBulk();
    m.selectRows({3, 4, 5, 100, 299});
    m.sort(ColDomain, Qt::DescendingOrder);
    m.setAutoSort(true);
    EXPECT_EQ(m.addRow(makeRow("zz.com")), 0);
    m.beginAppend();
    for (int i = 0; i < 50; ++i)
        m.addRow(makeRow(QStringLiteral("late%1.org").arg(i)));
    EXPECT_EQ(m.addRow(makeRow("late7.org")), -1);
    EXPECT_EQ(m.rowCount(), 301); // the view learns of an append run at its end
    m.endAppend();
    EXPECT_EQ(std::pair(m.rowCount(), m.selectedRowCount()), std::pair(351, 5));
    m.setAutoSort(false);
    m.removeRowsIf([](const DomainRow &r) { return r.cells[ColDomain].startsWith(u"name1"); });
    EXPECT_TRUE(indexMatchesRows(m));
    const int end = m.size();
    EXPECT_EQ(m.addRow(makeRow("name1.com")), end); // a removed key may come back
    m.replaceRows({makeRow("x.org"), makeRow("y.org"), makeRow("X.org")});
    EXPECT_EQ(column(m), QStringList({"x.org", "y.org"}));
    m.clear();
    EXPECT_EQ(m.addRow(makeRow("y.org")), 0);

    m.paintrow(1, ColourRed, true);   // 1-based
    m.paintrow(1, ColourGrey, false); // a row once bold stays bold
    m.paintrow(1, 7, false);          // no such colour: the row keeps its own
    m.paintrow(2, ColourRed, true);   // no such row
    EXPECT_EQ(m.data(m.index(0, 3), DomainListModel::ColourCodeRole).toInt(), ColourGrey);
    EXPECT_TRUE(m.data(m.index(0, 6), DomainListModel::BoldRole).toBool());
    // A name kept in its ASCII form shows its own letters as its tip.
    m.addRow(makeRow("xn--bcher-kva.de"));
    EXPECT_EQ(m.data(m.index(1, ColDomain), Qt::ToolTipRole).toString(), u"b\u00fccher.de");
    EXPECT_EQ(m.data(m.index(1, ColDomain), Qt::DisplayRole).toString(), "xn--bcher-kva.de");
}

TEST(DomainListModel, EverySortPathPlacesRowsAfterTheirEquals)
{
    // Bulk updates and append runs sort once at the end; they and a header sort
    // must give the order that one-by-one sorted inserts give, ties included.
    const std::vector<DomainRow> rows = {
        makeRow("c.com", "com", "30 days", "9"),   makeRow("n.net", "net", "N/A", "10"),
        makeRow("k.com", "com", "30 days", "N/A"), makeRow("a.net", "net", "N/A", "9"),
        makeRow("z.com", "com", "-3 days", "100"), makeRow("m.org", "org", "5 days", "1"),
        makeRow("b.com", "COM", "30 days", "9"),   makeRow("q.net", "net", "120 days", "10")};
    // The ascending orders: text ignores case, numbers sort by value with "N/A" first.
    const std::pair<int, const char *> columns[] = {
        {ColTld, "c.com k.com z.com b.com n.net a.net q.net m.org"},
        {ColExpiresIn, "n.net a.net z.com m.org c.com k.com b.com q.net"},
        {ColLength, "k.com m.org c.com a.net b.com n.net q.net z.com"}};
    for (const auto &[sortColumn, ascending] : columns) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            DomainListModel single, bulk, append, sorted;
            for (DomainListModel *m : {&single, &bulk, &append}) {
                m->setSortKey(sortColumn, order);
                m->setAutoSort(true);
                m->addRow(rows[0]); // already there when the run starts
            }
            bulk.beginBulk();
            append.beginAppend();
            for (size_t i = 1; i < rows.size(); ++i) {
                for (DomainListModel *m : {&single, &bulk, &append})
                    m->addRow(rows[i]);
            }
            bulk.endBulk();
            append.endAppend();
            sorted.replaceRows(rows);
            sorted.sort(sortColumn, order);
            if (order == Qt::AscendingOrder) {
                EXPECT_EQ(column(single).join(u' '), ascending);
            }
            for (DomainListModel *m : {&bulk, &append, &sorted})
                EXPECT_EQ(column(*m), column(single)) << sortColumn << order;
            EXPECT_TRUE(indexMatchesRows(append));
            EXPECT_TRUE(indexMatchesRows(sorted));
        }
    }
}

TEST(DomainListModel, SelectionAndCurrentRowFollowTheirRowsThroughASort)
{
    // Small selections go through persistent indexes, large ones through a reset.
    for (int n : {6, DomainListModel::kLargeSelection * 2 + 500}) {
        DomainListModel m;
        std::vector<DomainRow> rows;
        std::vector<int> even; // n is even: a row's position and its number have the same parity
        for (int i = 0; i < n; ++i) {
            rows.push_back(makeRow(QStringLiteral("r%1.com").arg(qint64(i) * 7919 % n)));
            if (i % 2 == 0)
                even.push_back(i);
        }
        m.replaceRows(std::move(rows));
        m.selectRows(even);
        const QString currentKey = m.rowAt(3).cells[ColDomain];
        m.selectionModel()->setCurrentIndex(m.index(3, 2), QItemSelectionModel::NoUpdate);
        m.sort(ColDomain, Qt::DescendingOrder);
        const std::vector<char> mask = m.selectedMask();
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(bool(mask[size_t(i)]), m.rowAt(i).cells[ColDomain].mid(1).chopped(4).toInt() % 2 == 0);
        EXPECT_EQ(m.selectionModel()->currentIndex(), m.index(m.rowOfKey(currentKey), 2));
    }
}
