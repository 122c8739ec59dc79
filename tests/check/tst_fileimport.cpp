#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "engine/workfile.h"
#include "sources/fileimport.h"
#include "support/tempdatafolder.h"

#include <gtest/gtest.h>

TEST(FileImport, EveryLineEndCapitalsDuplicatesAndBadNames)
{
    // Only spaces are trimmed; a tab stays and fails the syntax check.
    EXPECT_EQ(loadedName(u"  EXAMPLE.COM  "), QLatin1String("example.com"));
    EXPECT_EQ(loadedName(u"\texample.com"), QLatin1String("\texample.com"));
    TempDataFolder folder;
    folder.write(QStringLiteral("names.txt"),
                 "  AB.COM \r\ncd.com\ref.org\n\n\tgh.com\nab.com\nbad_name.com\nij.co.uk");
    DomainListModel list;
    TldSuffixList suffixes;
    suffixes.mylist({});
    LineReader reader(folder.file(QStringLiteral("names.txt")));
    ASSERT_TRUE(reader.open());
    qint64 lines = 0;
    EXPECT_EQ(loadNamesFromFile(reader, list, suffixes, &lines), 4);
    EXPECT_EQ(lines, 8);
    QStringList names;
    for (int r = 0; r < list.size(); ++r)
        names << list.rowAt(r).cells[ColDomain];
    EXPECT_EQ(names, (QStringList{"ab.com", "cd.com", "ef.org", "ij.co.uk"}));
    EXPECT_EQ(list.rowAt(3).cells[ColTld], QLatin1String("co.uk"));
}
