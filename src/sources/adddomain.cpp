#include "adddomain.h"

#include "base/idn.h"
#include "base/prompter.h"
#include "engine/cellpool.h"
#include "engine/domainlistmodel.h"
#include "engine/domainsyntax.h"

#include <vector>

namespace {

// New rows share their TLD and Length texts: a million added names then cost
// little more than the names themselves.
QString sharedTld(QStringView tld)
{
    static CellTextPool pool(4096);
    return pool.intern(tld);
}

QString sharedLength(qsizetype n)
{
    static std::vector<QString> texts = [] {
        std::vector<QString> v(256);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = QString::number(i);
        return v;
    }();
    if (n >= 0 && n < static_cast<qsizetype>(texts.size()))
        return texts[static_cast<size_t>(n)];
    return QString::number(n);
}

} // namespace

int adddomain(DomainListModel &list, const TldSuffixList &suffixes, QString &name)
{
    name = asciiName(name);
    if (list.containsKey(name))
        return -1;
    DomainRow row;
    row.cells[ColDomain] = name;
    if (name.contains(u'.')) {
        const QStringView tld = suffixes.getextView(name);
        row.cells[ColLength] = sharedLength(name.size() - tld.size() - 1);
        row.cells[ColTld] = sharedTld(tld);
    } else {
        row.cells[ColLength] = cellText::notAvailable();
        row.cells[ColTld] = cellText::notAvailable();
    }
    row.cells[ColAvailability] = cellText::notAvailable();
    row.cells[ColExpiration] = cellText::notAvailable();
    row.cells[ColExpiresIn] = cellText::notAvailable();
    row.cells[ColInformation] = cellText::empty();
    // The look of a row that has not been checked, wherever the row lands.
    row.colour = ColourGrey;
    row.bold = false;
    return list.addRow(name, std::move(row));
}

ExportToMain::ExportToMain(DomainListModel &list, const TldSuffixList &suffixes, Prompter &prompter)
    : m_list(list)
    , m_suffixes(suffixes)
    , m_prompter(prompter)
{
}

ExportToMain::~ExportToMain()
{
    finish();
}

bool ExportToMain::add(QString name)
{
    if (m_declined)
        return false;
    if (!m_open) {
        m_list.beginAppend();
        m_open = true;
    }
    adddomain(m_list, m_suffixes, name);
    ++m_handedOver;
    // Checked after every name, a refused duplicate included, so a list that
    // was already this long asks after the first name.
    if (!m_warned && m_list.size() >= kManyRowsLimit) {
        m_warned = true;
        // The view must be up to date while the question is on screen.
        finish();
        if (!m_prompter.askYesNo(kProgramTitle, kTooManyRowsQuestion, PromptIcon::Exclamation)) {
            m_declined = true;
            return false;
        }
    }
    return true;
}

void ExportToMain::reserve(int count)
{
    if (count > 0)
        m_list.reserve(m_list.size() + count);
}

void ExportToMain::finish()
{
    if (m_open) {
        m_open = false;
        m_list.endAppend();
    }
}

int exporttomain(DomainListModel &list, const TldSuffixList &suffixes, const QStringList &names,
                 Prompter &prompter)
{
    ExportToMain exporter(list, suffixes, prompter);
    exporter.reserve(static_cast<int>(names.size()));
    for (const QString &name : names) {
        if (!exporter.add(name))
            break;
    }
    exporter.finish();
    return exporter.handedOver();
}

bool offerGeneratedDomains(Prompter &prompter)
{
    return prompter.askYesNo(kProgramTitle, kOfferGeneratedQuestion, PromptIcon::Information);
}

bool offerValidDomains(Prompter &prompter, int count)
{
    return prompter.askYesNo(kProgramTitle, kOfferValidQuestion.arg(count), PromptIcon::Information);
}
