#include "rowcompare.h"

#include "base/textnumber.h"
#include "domainrow.h"

bool isNumericColumn(int column)
{
    return column == ColLength || column == ColExpiresIn;
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
