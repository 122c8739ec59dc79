#pragma once

#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"
#include "sources/namelistmodel.h"

#include <QStringList>

// The cells of one column, top to bottom, comma-joined.
inline QString column(const DomainListModel &list, int col = ColDomain)
{
    QStringList out;
    for (int r = 0; r < list.size(); ++r)
        out << list.rowAt(r).cells[col];
    return out.join(u',');
}

inline QString joinedNames(const NameListModel &list)
{
    return list.names().join(u',');
}

// `count` rows filler0.com, filler1.com... in one batch, to bring a list near 100,000 rows.
inline void fillRows(DomainListModel &list, const TldSuffixList &suffixes, int count)
{
    list.beginBulk();
    QString name;
    for (int i = 0; i < count; ++i)
        adddomain(list, suffixes, name = QStringLiteral("filler%1.com").arg(i));
    list.endBulk();
}
