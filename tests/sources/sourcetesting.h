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

// A search engine's result page linking to `links`, with the next-page picture when `more`.
inline QByteArray resultPage(const QStringList &links, bool more = false)
{
    QByteArray page = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>";
    for (const QString &link : links)
        page += "<a href=\"" + link.toLatin1() + "\">result</a>\n";
    if (more)
        page += "<a href=\"/search?start=next\"><img src=\"/images/nav_next.gif\"></a>";
    return page + "</body></html>";
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
