#include "sources/adddomain.h"

#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QString kManyRows = QStringLiteral(
    "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on your "
    "computer.\r\n\r\n"
    "We suggest that you check no more than 100,000 domains at a time unless you have a lot of RAM.\r\n\r\n"
    "Are you sure that you would like to continue?");

QString column(const DomainListModel &list, int col = ColDomain)
{
    QStringList out;
    for (int r = 0; r < list.size(); ++r)
        out << list.rowAt(r).cells[col];
    return out.join(u',');
}

// Notes whether the view was up to date whenever a question came.
struct ViewCheckingPrompter : ScriptedPrompter {
    explicit ViewCheckingPrompter(const DomainListModel &list)
        : list(list)
    {
    }
    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override
    {
        askedWhileHidden = askedWhileHidden || list.inBulk() || list.rowCount() != list.size();
        return ScriptedPrompter::askYesNo(title, text, icon, defaultYes);
    }
    const DomainListModel &list;
    bool askedWhileHidden = false;
};

} // namespace

TEST(AddDomain, BuildsUncheckedRowsAtTheirSortedPlace)
{
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({});
    for (QString name : {"Example.TEST", "example.co.uk", "sub.example.org", "localhost", "EXAMPLE.test"})
        adddomain(list, suffixes, name);
    EXPECT_EQ(column(list), "example.test,example.co.uk,sub.example.org,localhost");
    EXPECT_EQ(column(list, ColLength) + u' ' + column(list, ColTld), "7,7,11,N/A test,co.uk,org,N/A");
    EXPECT_EQ(column(list, ColAvailability) + column(list, ColInformation), "N/A,N/A,N/A,N/A,,,");
    EXPECT_EQ(list.rowAt(0).colour, ColourGrey);
    // With automatic sorting on, a single add and a bulk hand-over land in place, one insertion each.
    list.setSortKey(ColDomain, Qt::DescendingOrder);
    list.setAutoSort(true);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QString name = "M.com";
    EXPECT_EQ(adddomain(list, suffixes, name), 1);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    list.selectRows({list.rowOfKey("example.co.uk")});
    ScriptedPrompter prompter;
    exporttomain(list, suffixes, {"aa.com", "zz.com", "f.com", "m.com"}, prompter);
    EXPECT_EQ(column(list), "zz.com,sub.example.org,m.com,localhost,f.com,example.test,example.co.uk,aa.com");
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(list.selectedMask()[list.rowOfKey("example.co.uk")], 1);
    EXPECT_TRUE(prompter.log().isEmpty());
}

TEST(ExportToMain, AsksOnceAtOneHundredThousandRows)
{
    const struct {
        int before;
        QStringList names;
        QList<bool> answers;
        int handedOver, rowsAfter;
    } cases[] = {
        {99999, {"a.new", "b.new", "c.new"}, {true}, 3, 100002},
        {99999, {"a.new", "b.new"}, {false}, 1, 100000},        // No keeps the 100,000th
        {100000, {"filler1.com", "b.new"}, {false}, 1, 100000}, // a duplicate still asks
        {99997, {"a.new", "b.new"}, {}, 2, 99999},
    };
    for (const auto &c : cases) {
        DomainListModel list;
        TldSuffixList suffixes;
        ViewCheckingPrompter prompter(list);
        list.beginBulk();
        QString name;
        for (int i = 0; i < c.before; ++i)
            adddomain(list, suffixes, name = QStringLiteral("filler%1.com").arg(i));
        list.endBulk();
        for (bool a : c.answers)
            prompter.queueAnswer(a);
        ExportToMain exporter(list, suffixes, prompter);
        for (const QString &name : c.names)
            exporter.add(name);
        exporter.finish();
        EXPECT_EQ(std::tuple(exporter.handedOver(), exporter.declined(), list.rowCount()),
                  std::tuple(c.handedOver, c.answers == QList<bool>{false}, c.rowsAfter));
        EXPECT_EQ(prompter.texts(), QStringList(c.answers.size(), kManyRows));
        EXPECT_TRUE(prompter.allAnswersUsed());
        EXPECT_FALSE(prompter.askedWhileHidden);
    }
}

TEST(OfferToAdd, QuestionsOfTheSourceWindows)
{
    ScriptedPrompter prompter;
    prompter.queueAnswer(true);
    prompter.queueAnswer(false);
    EXPECT_TRUE(offerGeneratedDomains(prompter));
    EXPECT_FALSE(offerValidDomains(prompter, 3));
    EXPECT_EQ(prompter.texts().join(u'\n'),
              "Would you like to add the generated domains to the list of domains to be checked?\n"
              "Would you like to add the 3 valid domains to the list of domains to be checked?");
}
