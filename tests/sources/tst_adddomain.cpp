#include "sources/adddomain.h"

#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "engine/qtprinters.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QString kManyRows = QStringLiteral(
    "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on your computer.\r\n\r\n"
    "We suggest that you check no more than 100,000 domains at a time unless you have a lot of RAM.\r\n\r\n"
    "Are you sure that you would like to continue?");

QStringList column(const DomainListModel &list, int col = ColDomain)
{
    QStringList out;
    for (int r = 0; r < list.size(); ++r)
        out << list.rowAt(r).cells[col];
    return out;
}

// Fills the list with generated names in one go, without questions.
void fill(DomainListModel &list, const TldSuffixList &suffixes, int n)
{
    list.beginBulk();
    for (int i = 0; i < n; ++i) {
        QString name = QStringLiteral("filler%1.com").arg(i);
        adddomain(list, suffixes, name);
    }
    list.endBulk();
}

// Notes whether the view was up to date whenever a question came.
struct ViewCheckingPrompter : ScriptedPrompter {
    explicit ViewCheckingPrompter(const DomainListModel &list) : list(list) {}
    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override
    {
        askedWhileHidden = askedWhileHidden || list.inBulk() || list.rowCount() != list.size();
        return ScriptedPrompter::askYesNo(title, text, icon, defaultYes);
    }
    const DomainListModel &list;
    bool askedWhileHidden = false;
};

} // namespace

TEST(AddDomain, BuildsAnUncheckedRowOnce)
{
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({});
    for (QString name : {"Example.TEST", "example.co.uk", "sub.example.org", "localhost", "EXAMPLE.test"})
        adddomain(list, suffixes, name);
    EXPECT_EQ(column(list), QStringList({"example.test", "example.co.uk", "sub.example.org", "localhost"}));
    EXPECT_EQ(column(list, ColLength), QStringList({"7", "7", "11", "N/A"}));
    EXPECT_EQ(column(list, ColTld), QStringList({"test", "co.uk", "org", "N/A"}));
    EXPECT_EQ(column(list, ColInformation), QStringList(4, QString()));
    EXPECT_EQ(list.rowAt(0).cells[ColAvailability], "N/A");
    EXPECT_EQ(list.rowAt(0).colour, ColourGrey);
}

TEST(AddDomain, LandsAtItsSortedPlaceWhileSortingIsOn)
{
    DomainListModel list;
    TldSuffixList suffixes;
    ScriptedPrompter prompter;
    exporttomain(list, suffixes, {"bb.com", "dd.com", "ff.com"}, prompter);
    list.setSortKey(ColDomain, Qt::DescendingOrder);
    list.setAutoSort(true);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QString name = "EE.com";
    EXPECT_EQ(adddomain(list, suffixes, name), 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    EXPECT_EQ(list.rowOfKey("bb.com"), 3);
    // A bulk hand-over puts every name in its place too, in one insertion that keeps the selection.
    list.selectRows({3});
    exporttomain(list, suffixes, {"aa.com", "gg.com", "cc.com", "dd.com"}, prompter);
    EXPECT_EQ(column(list),
              QStringList({"gg.com", "ff.com", "ee.com", "dd.com", "cc.com", "bb.com", "aa.com"}));
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(list.selectedMask()[list.rowOfKey("bb.com")], 1);
    EXPECT_TRUE(prompter.log().isEmpty());
}

TEST(ExportToMain, AsksOnceAtOneHundredThousandRows)
{
    const struct {
        const char *what;
        int before;
        QStringList names;
        QList<bool> answers;
        int handedOver, rowsAfter;
    } cases[] = {
        {"99,999, Yes", 99999, {"a.new", "b.new", "c.new"}, {true}, 3, 100002},
        {"99,999, No keeps the 100,000th", 99999, {"a.new", "b.new"}, {false}, 1, 100000},
        {"full, a duplicate still asks", 100000, {"filler1.com", "b.new"}, {false}, 1, 100000},
        {"stays below", 99997, {"a.new", "b.new"}, {}, 2, 99999},
    };
    for (const auto &c : cases) {
        DomainListModel list;
        TldSuffixList suffixes;
        ViewCheckingPrompter prompter(list);
        fill(list, suffixes, c.before);
        for (bool a : c.answers)
            prompter.queueAnswer(a);
        ExportToMain exporter(list, suffixes, prompter);
        for (const QString &name : c.names)
            exporter.add(name);
        exporter.finish();
        EXPECT_EQ(exporter.handedOver(), c.handedOver) << c.what;
        EXPECT_EQ(exporter.declined(), c.answers == QList<bool>{false}) << c.what;
        EXPECT_EQ(list.rowCount(), c.rowsAfter) << c.what;
        EXPECT_EQ(prompter.texts(), QStringList(c.answers.size(), kManyRows)) << c.what;
        EXPECT_TRUE(prompter.allAnswersUsed() && !prompter.askedWhileHidden) << c.what;
        for (const ScriptedPrompter::Entry &e : prompter.log())
            EXPECT_TRUE(e.title == kProgramTitle && e.icon == PromptIcon::Exclamation);
    }
}

TEST(OfferToAdd, QuestionsOfTheSourceWindows)
{
    ScriptedPrompter prompter;
    prompter.queueAnswer(true);
    prompter.queueAnswer(false);
    EXPECT_TRUE(offerGeneratedDomains(prompter));
    EXPECT_FALSE(offerValidDomains(prompter, 3));
    EXPECT_EQ(
        prompter.texts(),
        QStringList({"Would you like to add the generated domains to the list of domains to be checked?",
                     "Would you like to add the 3 valid domains to the list of domains to be checked?"}));
    for (const ScriptedPrompter::Entry &e : prompter.log())
        EXPECT_TRUE(e.icon == PromptIcon::Information && e.title == kProgramTitle);
}
