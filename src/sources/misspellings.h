#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

class NameListModel;
class TldSuffixList;

// For each key of a QWERTY keyboard's letters and digits, the characters a
// finger aiming at it is likely to hit instead, the key itself first.
class KeyboardNeighbourTable
{
public:
    // The row of `key`, empty when the key has none (anything but a-z and 0-9).
    static QStringView row(QChar key);
    static int rowCount();
    static int replacementCount();
};

inline constexpr int kGeneratedQuestionLimit = 100000;

inline const QString kManyMisspellingsQuestion =
    QStringLiteral("You have now generated over 100,000 domains!\r\nThis uses a LOT of ram on your "
                   "computer.\r\n\r\nAre you sure that you would like to continue?");
inline const QString kLoadDomainsFirstText =
    QStringLiteral("You must first load some domains to be able to generate misspelled ones.");

// The typing mistakes of `name` (lower-cased first) in order: for each
// character of the name without its TLD that has a row in the table, the name
// with that character replaced by each entry of its row, then the name without
// it. Each is handed to `sink` with the TLD put back. An internationalised
// name ("xn--bcher-kva.de") is varied in its Unicode letters and each mistake
// handed on in its ASCII form. The results are not syntax-checked; repeats are
// the receiver's business.
void makemisspellings(QStringView name, const TldSuffixList &suffixes,
                      const std::function<void(QStringView)> &sink);

// The same into a keyed list: each result once.
void makemisspellings(QStringView name, const TldSuffixList &suffixes, NameListModel &generated);

// "Generate": the mistakes of every loaded name, in order, into `generated`.
// Once the list holds kGeneratedQuestionLimit rows or more after a name,
// `askToContinue` (when given) is called, once; false stops there. Returns
// false when it was stopped.
bool generateMisspellings(const QStringList &loaded, const TldSuffixList &suffixes, NameListModel &generated,
                          const std::function<bool()> &askToContinue = {});
