#pragma once

#include <QString>
#include <QStringList>

class DomainListModel;
class Prompter;
class TldSuffixList;

// The one way names enter the main list. `name` is lower-cased in place (a name
// in another script becomes its ASCII form, "xn--..."); a name already in the
// list is refused silently. The row gets Length and TLD from
// `suffixes`, "N/A" in the result columns, and is painted grey. Returns the
// row's position, or -1 when the name was refused.
int adddomain(DomainListModel &list, const TldSuffixList &suffixes, QString &name);

// Hands `names` over one by one with adddomain; once the list holds 100,000
// rows or more, asks once whether to go on. Returns the number of names handed
// over (the one that triggered a No stays in the list).
int exporttomain(DomainListModel &list, const TldSuffixList &suffixes, const QStringList &names,
                 Prompter &prompter);

// exporttomain for sources that produce names one at a time (file imports):
// the same hand-over and the same one-time question. The view learns of the
// new rows in one go when the export finishes (or before the question), never
// row by row. Do not use it while the list is inside beginBulk().
class ExportToMain
{
public:
    ExportToMain(DomainListModel &list, const TldSuffixList &suffixes, Prompter &prompter);
    ~ExportToMain();
    ExportToMain(const ExportToMain &) = delete;
    ExportToMain &operator=(const ExportToMain &) = delete;

    // Hands one name over. False once the user has declined to go on: the name
    // that triggered the question is in the list, later ones are not taken.
    bool add(QString name);
    void finish();
    // Room for `count` more rows, when the caller knows how many are coming.
    void reserve(int count);

    int handedOver() const { return m_handedOver; }
    bool declined() const { return m_declined; }

private:
    DomainListModel &m_list;
    const TldSuffixList &m_suffixes;
    Prompter &m_prompter;
    int m_handedOver = 0;
    bool m_warned = false;
    bool m_declined = false;
    bool m_open = false;
};

// The shared offer of the source windows when they close with names on offer.
bool offerGeneratedDomains(Prompter &prompter); // keyword generator wording
bool offerValidDomains(Prompter &prompter, int count);

inline constexpr int kManyRowsLimit = 100000;

inline const QString kTooManyRowsQuestion = QStringLiteral(
    "You have now added over 100,000 domains to the main list!\r\nThis uses a LOT of ram on your "
    "computer.\r\n\r\n"
    "We suggest that you check no more than 100,000 domains at a time unless you have a lot of RAM.\r\n\r\n"
    "Are you sure that you would like to continue?");
inline const QString kOfferGeneratedQuestion =
    QStringLiteral("Would you like to add the generated domains to the list of domains to be checked?");
// kOfferValidQuestion.arg(count)
inline const QString kOfferValidQuestion =
    QStringLiteral("Would you like to add the %1 valid domains to the list of domains to be checked?");
