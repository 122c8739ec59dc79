#include "sources/adddomain.h"

#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "engine/qtprinters.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList cells(const DomainRow &r)
{
    QStringList out;
    for (const QString &c : r.cells)
        out << c;
    return out;
}

// Fills the list with `n` generated names in one go.
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
class ViewCheckingPrompter : public ScriptedPrompter
{
public:
    explicit ViewCheckingPrompter(const DomainListModel &list)
        : m_list(list)
    {
    }
    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override
    {
        askedWhileHidden = askedWhileHidden || m_list.inBulk() || m_list.rowCount() != m_list.size();
        return ScriptedPrompter::askYesNo(title, text, icon, defaultYes);
    }
    bool askedWhileHidden = false;

private:
    const DomainListModel &m_list;
};

} // namespace

TEST(AddDomain, BuildsAnUncheckedRow)
{
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({});
    struct Case {
        QString name;
        QStringList expected;
    };
    const Case cases[] = {
        {"Example.TEST", {"example.test", "7", "test", "N/A", "N/A", "N/A", ""}},
        {"example.co.uk", {"example.co.uk", "7", "co.uk", "N/A", "N/A", "N/A", ""}},
        {"sub.example.org", {"sub.example.org", "11", "org", "N/A", "N/A", "N/A", ""}},
        {"localhost", {"localhost", "N/A", "N/A", "N/A", "N/A", "N/A", ""}},
    };
    for (const Case &c : cases) {
        QString name = c.name;
        const int row = adddomain(list, suffixes, name);
        EXPECT_EQ(name, c.name.toLower()); // lower-cased in place
        ASSERT_GE(row, 0);
        EXPECT_EQ(cells(list.rowAt(row)), c.expected);
        EXPECT_EQ(list.rowAt(row).colour, ColourGrey);
        EXPECT_FALSE(list.rowAt(row).bold);
    }
    QString again = "EXAMPLE.test";
    EXPECT_EQ(adddomain(list, suffixes, again), -1);
    EXPECT_EQ(list.size(), 4);
}

TEST(AddDomain, LandsAtItsSortedPlaceWhileSortingIsOn)
{
    DomainListModel list;
    TldSuffixList suffixes;
    for (const char *n : {"bb.com", "dd.com", "ff.com"}) {
        QString s = QString::fromLatin1(n);
        adddomain(list, suffixes, s);
    }
    list.setSortKey(ColDomain, Qt::DescendingOrder);
    list.setAutoSort(true);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QString name = "EE.com";
    EXPECT_EQ(adddomain(list, suffixes, name), 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    EXPECT_EQ(list.rowAt(1).cells[ColDomain], "ee.com");
    EXPECT_EQ(list.rowAt(1).cells[ColLength], "2");
    EXPECT_EQ(list.rowAt(1).colour, ColourGrey);
    EXPECT_EQ(list.rowOfKey("bb.com"), 4 - 1);

    // A bulk hand-over puts every name in its place too.
    ScriptedPrompter prompter;
    exporttomain(list, suffixes, {"aa.com", "gg.com", "cc.com"}, prompter);
    QStringList order;
    for (int i = 0; i < list.size(); ++i)
        order << list.rowAt(i).cells[ColDomain];
    EXPECT_EQ(order, QStringList({"gg.com", "ff.com", "ee.com", "dd.com", "cc.com", "bb.com", "aa.com"}));
}

TEST(ExportToMain, ReachesTheViewInOneInsertion)
{
    DomainListModel list;
    TldSuffixList suffixes;
    ScriptedPrompter prompter;
    fill(list, suffixes, 10);
    list.selectRows({2});
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QStringList names;
    for (int i = 0; i < 1000; ++i)
        names << QStringLiteral("Name%1.NET").arg(i);
    names << "filler3.com" << "name7.net";
    EXPECT_EQ(exporttomain(list, suffixes, names, prompter), 1002);
    EXPECT_EQ(list.size(), 1010);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(list.selectedMask()[2], 1);
    EXPECT_TRUE(prompter.log().isEmpty());
}

TEST(ExportToMain, AsksOnceAtOneHundredThousandRows)
{
    struct Case {
        const char *what;
        int before;
        QStringList names;
        QList<bool> answers;
        int handedOver;
        int rowsAfter;
    };
    const Case cases[] = {
        {"99,999 rows, Yes", 99999, {"a.new", "b.new", "c.new"}, {true}, 3, 100002},
        {"99,999 rows, No keeps the name that reached the limit", 99999, {"a.new", "b.new"}, {false}, 1, 100000},
        {"already full, a refused duplicate still asks", 100000, {"filler1.com", "b.new"}, {false}, 1, 100000},
        {"stays below", 99997, {"a.new", "b.new"}, {}, 2, 99999},
    };
    for (const Case &c : cases) {
        DomainListModel list;
        TldSuffixList suffixes;
        ViewCheckingPrompter prompter(list);
        fill(list, suffixes, c.before);
        for (bool a : c.answers)
            prompter.queueAnswer(a);
        EXPECT_EQ(exporttomain(list, suffixes, c.names, prompter), c.handedOver) << c.what;
        EXPECT_EQ(list.size(), c.rowsAfter) << c.what;
        EXPECT_EQ(list.rowCount(), c.rowsAfter) << c.what;
        EXPECT_EQ(prompter.count(ScriptedPrompter::Kind::Question), c.answers.size()) << c.what;
        EXPECT_TRUE(prompter.allAnswersUsed()) << c.what;
        EXPECT_FALSE(prompter.askedWhileHidden) << c.what;
        for (const ScriptedPrompter::Entry &e : prompter.log()) {
            EXPECT_EQ(e.title, kProgramTitle);
            EXPECT_EQ(e.icon, PromptIcon::Exclamation);
            EXPECT_EQ(e.text, "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on "
                              "your computer.\r\n\r\nWe suggest that you check no more than 100,000 domains at a "
                              "time unless you have a lot of RAM.\r\n\r\nAre you sure that you would like to "
                              "continue?");
        }
    }
}

TEST(ExportToMain, StreamingExportStopsAfterANo)
{
    DomainListModel list;
    TldSuffixList suffixes;
    ScriptedPrompter prompter;
    fill(list, suffixes, 99999);
    prompter.queueAnswer(false);
    ExportToMain exporter(list, suffixes, prompter);
    EXPECT_FALSE(exporter.add("a.new"));
    EXPECT_FALSE(exporter.add("b.new"));
    exporter.finish();
    EXPECT_TRUE(exporter.declined());
    EXPECT_EQ(exporter.handedOver(), 1);
    EXPECT_TRUE(list.containsKey("a.new"));
    EXPECT_FALSE(list.containsKey("b.new"));
}

TEST(OfferToAdd, QuestionsOfTheSourceWindows)
{
    ScriptedPrompter prompter;
    prompter.queueAnswer(true);
    prompter.queueAnswer(false);
    EXPECT_TRUE(offerGeneratedDomains(prompter));
    EXPECT_FALSE(offerValidDomains(prompter, 3));
    ASSERT_EQ(prompter.log().size(), 2);
    EXPECT_EQ(prompter.log()[0].text,
              "Would you like to add the generated domains to the list of domains to be checked?");
    EXPECT_EQ(prompter.log()[1].text, "Would you like to add the 3 valid domains to the list of domains to be checked?");
    for (const ScriptedPrompter::Entry &e : prompter.log()) {
        EXPECT_EQ(e.kind, ScriptedPrompter::Kind::Question);
        EXPECT_EQ(e.icon, PromptIcon::Information);
        EXPECT_EQ(e.title, kProgramTitle);
    }
}
