#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

// Most cells of a large list repeat a few texts: TLDs, lengths, dates, day
// counts, status lines, error texts. Handing out one shared copy of each keeps
// a list of a million rows within a few hundred megabytes. The pool stops
// growing at `maxEntries`, so a column of unique texts cannot make it balloon;
// later new texts are then simply copied.
class CellTextPool
{
public:
    explicit CellTextPool(qsizetype maxEntries = qsizetype(1) << 18);

    QString intern(QStringView text);
    qsizetype size() const { return m_texts.size(); }

private:
    QSet<QString> m_texts;
    qsizetype m_maxEntries;
};
