#include "rowcompare.h"

#include "engine/domainrow.h"

bool isNumericColumn(int column)
{
    return column == ColLength || column == ColExpiresIn;
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double v = text.sliced(start, i - start).toDouble(&ok);
    return ok ? v : 0.0;
}

int compareCells(int column, const QString &a, const QString &b)
{
    if (isNumericColumn(column)) {
        const bool aSlash = a.contains(u'/');
        const bool bSlash = b.contains(u'/');
        if (aSlash || bSlash)
            return aSlash == bSlash ? 0 : (aSlash ? -1 : 1);
        const double va = leadingNumber(a);
        const double vb = leadingNumber(b);
        return va < vb ? -1 : (vb < va ? 1 : 0);
    }
    return a.compare(b, Qt::CaseInsensitive);
}
