#pragma once

#include <QString>
#include <QStringList>

class DomainListModel;
class Prompter;
class TldSuffixList;

// The one way names enter the main list. `name` is lower-cased in place; a name
// already in the list is refused silently. The row gets Length and TLD from
// `suffixes`, "N/A" in the result columns, and is painted grey.
void adddomain(DomainListModel &list, const TldSuffixList &suffixes, QString &name);

// Hands `names` over one by one with adddomain; once the list holds 100,000
// rows or more, asks once whether to go on. Returns the number of names handed
// over (the one that triggered a No stays in the list).
int exporttomain(DomainListModel &list, const TldSuffixList &suffixes, const QStringList &names,
                 Prompter &prompter);

// The shared offer of the source windows when they close with names on offer.
bool offerGeneratedDomains(Prompter &prompter); // keyword generator wording
bool offerValidDomains(Prompter &prompter, int count);

inline const QString kTooManyRowsQuestion = QStringLiteral(
    "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on your computer.\r\n\r\n"
    "We suggest that you check no more than 100,000 domains at a time unless you have a lot of RAM.\r\n\r\n"
    "Are you sure that you would like to continue?");
