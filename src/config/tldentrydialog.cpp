#include "tldentrydialog.h"

#include "base/prompter.h"
#include "config/settingstexts.h"
#include "config/tldservertable.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace settingstexts;

namespace {

QLabel *hintLabel(const QString &text, QWidget *parent)
{
    auto *hint = new QLabel(text, parent);
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    return hint;
}

} // namespace

TldEntryDialog::TldEntryDialog(TldServerTable &table, Prompter &prompter, Mode mode, int row, QWidget *parent)
    : QDialog(parent)
    , m_table(table)
    , m_prompter(prompter)
    , m_mode(mode)
    , m_row(row)
    , m_tld(new QLineEdit(this))
    , m_servers(new QLineEdit(this))
    , m_freeResponse(new QPlainTextEdit(this))
    , m_commit(new QPushButton(mode == Mode::Add ? QStringLiteral("Add") : QStringLiteral("Update"), this))
{
    const bool editing = mode == Mode::Edit;
    setObjectName(QStringLiteral("tldEntryDialog"));
    setWindowTitle(editing ? kEditEntryTitle : kAddEntryTitle);
    if (parent)
        setWindowIcon(parent->windowIcon());

    m_tld->setObjectName(QStringLiteral("tldEdit"));
    m_tld->setAccessibleName(QStringLiteral("TLD"));
    m_servers->setObjectName(QStringLiteral("serversEdit"));
    m_servers->setAccessibleName(QStringLiteral("Server(s)"));
    m_freeResponse->setObjectName(QStringLiteral("freeResponseEdit"));
    m_freeResponse->setAccessibleName(kFreeResponseLabel);
    // A free response may span lines (a reply's two lines in a row), so the box
    // keeps line breaks; Tab still moves on to the buttons.
    m_freeResponse->setTabChangesFocus(true);
    m_freeResponse->setFixedHeight(QFontMetrics(m_freeResponse->font()).lineSpacing() * 3 + 12);
    m_commit->setObjectName(QStringLiteral("commitButton"));
    m_commit->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);

    auto *tldLabel = new QLabel(QStringLiteral("TLD"), this);
    tldLabel->setBuddy(m_tld);
    auto *serversLabel = new QLabel(QStringLiteral("Server(s)"), this);
    serversLabel->setBuddy(m_servers);
    auto *freeLabel = new QLabel(kFreeResponseLabel, this);
    freeLabel->setBuddy(m_freeResponse);

    auto *fields = new QGridLayout;
    fields->addWidget(tldLabel, 0, 0);
    fields->addWidget(m_tld, 0, 1);
    fields->addWidget(hintLabel(kTldHint, this), 1, 1);
    fields->addWidget(serversLabel, 2, 0);
    fields->addWidget(m_servers, 2, 1);
    fields->addWidget(hintLabel(kServersHint, this), 3, 1);
    fields->addWidget(freeLabel, 4, 0, Qt::AlignTop);
    fields->addWidget(m_freeResponse, 4, 1);
    fields->addWidget(hintLabel(kFreeResponseHint, this), 5, 1);
    fields->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_commit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    resize(480, sizeHint().height());

    if (editing && row >= 0 && row < table.count()) {
        const TldEntry &entry = table.row(row);
        m_tld->setText(entry.tld);
        m_servers->setText(entry.servers);
        m_freeResponse->setPlainText(entry.freeResponse);
    }

    connect(m_commit, &QPushButton::clicked, this, &TldEntryDialog::commit);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TldEntryDialog::commit()
{
    const QString tld = m_tld->text();
    const QString servers = m_servers->text();
    const QString freeResponse = m_freeResponse->toPlainText();
    if (m_mode == Mode::Add) {
        if (!m_table.AddTldEntry(tld, servers, freeResponse)) {
            m_prompter.warn(kProgramTitle, kAddFailed);
            return;
        }
        m_row = m_table.count() - 1;
    } else if (!m_table.EditTldEntry(m_row, tld, servers, freeResponse)) {
        m_prompter.warn(kProgramTitle, kEditFailed);
        return;
    }
    accept();
}
