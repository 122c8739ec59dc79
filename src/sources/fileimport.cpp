#include "fileimport.h"

#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "engine/workfile.h"
#include "sources/adddomain.h"

QString loadedName(QStringView line)
{
    // Only spaces are trimmed: a tab or other blank left in the name makes it
    // fail the syntax check, as it would in the list.
    qsizetype b = 0;
    qsizetype e = line.size();
    while (b < e && line[b] == u' ')
        ++b;
    while (e > b && line[e - 1] == u' ')
        --e;
    return line.sliced(b, e - b).toString().toLower();
}

int loadNamesFromFile(LineReader &reader, DomainListModel &list, const TldSuffixList &suffixes, qint64 *lines)
{
    const int before = list.size();
    qint64 count = 0;
    QString line;
    list.beginBulk();
    while (reader.readLine(line)) {
        ++count;
        QString name = loadedName(line);
        if (name.isEmpty() || !isValidDomain(name))
            continue;
        adddomain(list, suffixes, name);
    }
    list.endBulk();
    if (lines)
        *lines = count;
    return list.size() - before;
}
