#include "fileimport.h"

#include "base/textfile.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"

QString loadedName(QStringView line)
{
    return trimSpaces(line).toString().toLower();
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
