#include "manuallookupwindow.h"

#include "base/idn.h"
#include "base/prompter.h"
#include "config/publicsuffixes.h"
#include "config/rdapbootstrap.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"
#include "widgets/helpballoonwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace lookuptexts;

namespace {
// Where the help balloon opens (twips): under the "Tell me more" label, clear
// of the domain and server boxes.
constexpr int kBalloonTop = 1500;
constexpr int kBalloonLeft = 4440;
} // namespace

ManualLookupWindow::ManualLookupWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_domain(new QLineEdit(this))
    , m_server(new QComboBox(this))
    , m_response(new QPlainTextEdit(this))
    , m_status(new QLabel(kIdle, this))
    , m_override(new QCheckBox(QStringLiteral("Override WHOIS servers config"), this))
    , m_getServers(new QPushButton(QStringLiteral("Get servers"), this))
    , m_start(new QPushButton(QStringLiteral("Start"), this))
    , m_close(new QPushButton(QStringLiteral("Close"), this))
{
    setWindowTitle(kTitle);

    m_domain->setObjectName(QStringLiteral("domainEdit"));
    m_server->setObjectName(QStringLiteral("serverCombo"));
    m_response->setObjectName(QStringLiteral("responseEdit"));
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_override->setObjectName(QStringLiteral("overrideCheck"));
    m_getServers->setObjectName(QStringLiteral("getServersButton"));
    m_start->setObjectName(QStringLiteral("startButton"));
    m_close->setObjectName(QStringLiteral("closeButton"));

    m_server->setEditable(true);
    // Enter in the server box must not add what was typed to the configured list.
    m_server->setInsertPolicy(QComboBox::NoInsert);
    m_response->setReadOnly(true);
    m_response->setAccessibleName(QStringLiteral("Whois server response"));
    m_response->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_response->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Enter belongs to the domain box; no button may take it as the dialog's default.
    for (QPushButton *b : {m_getServers, m_start, m_close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto *help = new QLabel(QStringLiteral("Tell me more"), this);
    help->setObjectName(QStringLiteral("helpLabel"));
    help->setCursor(Qt::WhatsThisCursor);
    QFont underlined = help->font();
    underlined.setUnderline(true);
    help->setFont(underlined);
    help->setForegroundRole(QPalette::Link);

    auto *domainLabel = new QLabel(QStringLiteral("Domain:"), this);
    domainLabel->setBuddy(m_domain);
    m_domain->setAccessibleName(QStringLiteral("Domain"));
    auto *serverLabel = new QLabel(QStringLiteral("Whois server:"), this);
    serverLabel->setBuddy(m_server);
    m_server->setAccessibleName(QStringLiteral("Whois server"));
    m_server->setToolTip(
        QStringLiteral("A WHOIS server (host or host:port) or an RDAP server (its base address, "
                       "https://...)"));

    auto *fields = new QGridLayout;
    fields->addWidget(domainLabel, 0, 0);
    fields->addWidget(m_domain, 0, 1);
    fields->addWidget(serverLabel, 1, 0);
    fields->addWidget(m_server, 1, 1);
    fields->addWidget(m_getServers, 1, 2);
    fields->addWidget(m_override, 2, 1);
    fields->addWidget(help, 2, 2, Qt::AlignRight);
    fields->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Status:"), this));
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_response, 1);
    layout->addLayout(buttons);
    resize(640, 480);

    // Created last so it lies over the other controls.
    auto *balloon = new HelpBalloonWidget(this);
    balloon->attachTrigger(help, kHelp, kBalloonTop, kBalloonLeft);

    connect(m_getServers, &QPushButton::clicked, this, &ManualLookupWindow::getservers);
    connect(m_start, &QPushButton::clicked, this, &ManualLookupWindow::start);
    connect(m_close, &QPushButton::clicked, this, &ManualLookupWindow::close);
    connect(m_domain, &QLineEdit::returnPressed, this, &ManualLookupWindow::onDomainReturn);
    connect(&m_lookup, &WhoisLookup::finished, this, &ManualLookupWindow::onFinished);
}

ManualLookupWindow::~ManualLookupWindow() = default;

bool ManualLookupWindow::openForDomain(const QString &domain)
{
    m_domain->setText(domain);
    getservers();
    if (m_server->currentText().isEmpty()) {
        m_context.prompter.warn(kProgramTitle, kNoServers);
        return false;
    }
    start();
    return true;
}

void ManualLookupWindow::getservers()
{
    // Servers are looked up only for a name as the check accepts it; for a
    // typed "=" query or capitals the server already in the box stays. A name
    // in another script counts in its ASCII form.
    const QString typed = m_domain->text();
    if (!isValidDomain(hasNonAscii(typed) ? asciiName(typed) : typed))
        return;
    m_server->clear();
    m_server->clearEditText();
    // The bootstrap's RDAP service joins the list where a check run would ask it.
    const RdapMode mode = rdapModeSetting(m_context.extra).mode;
    const std::shared_ptr<const RdapBootstrap> bootstrap =
        mode == RdapMode::Off ? nullptr : RdapBootstrap::load(m_context.dataFolder);
    const QStringList servers = lookupServersFor(m_domain->text(), m_context.config, bootstrap.get(), mode);
    if (servers.isEmpty())
        return;
    m_server->addItems(servers);
    m_server->setCurrentIndex(0);
    m_server->setEditText(servers.first());
}

void ManualLookupWindow::start()
{
    const QString server = m_server->currentText().trimmed();
    if (m_domain->text().isEmpty() || server.isEmpty()) {
        m_context.prompter.warn(kProgramTitle, kNeedDomainAndServer);
        return;
    }
    // The suffix list is rebuilt for every lookup: the TLD table may have been
    // edited in the settings window since the last one.
    TldSuffixList suffixes;
    suffixes.mylist(m_context.config.table.tlds());
    suffixes.setPublicSuffixes(publicSuffixesFor(m_context.extra));
    const std::optional<QString> query = formLookupQuery(m_domain->text(), m_override->isChecked(), suffixes);
    if (!query) {
        m_context.prompter.warn(kProgramTitle, kInvalidDomain);
        return;
    }
    m_responseText.clear();
    m_response->clear();
    setStatus(kWorking);
    m_lookup.start(server, *query);
}

QString ManualLookupWindow::statusText() const
{
    return m_status->text();
}

void ManualLookupWindow::done(int result)
{
    // However the window goes away (Close, Esc, the title bar), the lookup ends with it.
    m_lookup.cancel();
    QDialog::done(result);
}

void ManualLookupWindow::onDomainReturn()
{
    if (!m_override->isChecked())
        getservers();
    if (!m_server->currentText().isEmpty())
        start();
}

void ManualLookupWindow::onFinished(WhoisLookup::Outcome outcome)
{
    switch (outcome) {
    case WhoisLookup::Outcome::Done:
        m_responseText = lookupDisplayText(m_lookup.reply());
        // An RDAP answer other than 200 says what it is in its status (404: no such domain).
        if (m_lookup.httpStatus() != 0 && m_lookup.httpStatus() != 200)
            m_responseText = m_lookup.httpStatusLine() + QStringLiteral("\r\n\r\n") + m_responseText;
        m_response->setPlainText(m_responseText);
        setStatus(kDone);
        break;
    case WhoisLookup::Outcome::Timeout:
        setStatus(kDoneTimeout);
        break;
    case WhoisLookup::Outcome::Error:
        // The status keeps its short word; the box says what went wrong.
        if (!m_lookup.errorText().isEmpty()) {
            m_responseText = kLookupFailedText.arg(m_server->currentText().trimmed(), m_lookup.errorText());
            m_response->setPlainText(m_responseText);
        }
        setStatus(kDoneError);
        break;
    }
}

void ManualLookupWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}
