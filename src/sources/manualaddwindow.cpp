#include "manualaddwindow.h"

#include "base/idn.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"
#include "widgets/helpballoonwidget.h"
#include "widgets/widgetunits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// Only blanks count as padding: anything else left around a name makes it
// fail the syntax check, as it would anywhere else.
QString trimBlanks(const QString &line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin] == u' ')
        ++begin;
    while (end > begin && line[end - 1] == u' ')
        --end;
    return line.sliced(begin, end - begin);
}

} // namespace

ManualAddWindow::ManualAddWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("manualAddWindow"));
    setWindowTitle(QStringLiteral("Add domains manually"));
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *caption = new QLabel(
        QStringLiteral("Type each domain that you want to add on a separate line in the box below."), this);
    caption->setObjectName(QStringLiteral("instructions"));
    caption->setWordWrap(true);

    m_box = new QPlainTextEdit(this);
    m_box->setObjectName(QStringLiteral("domainsBox"));
    m_box->setAccessibleName(QStringLiteral("Domains to add, one per line"));
    m_box->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_box->setTabChangesFocus(true);
    caption->setBuddy(m_box);

    auto *tellMore = new QLabel(QStringLiteral("Tell me more"), this);
    tellMore->setObjectName(QStringLiteral("tellMeMore"));
    tellMore->setCursor(Qt::WhatsThisCursor);
    QFont underlined = tellMore->font();
    underlined.setUnderline(true);
    tellMore->setFont(underlined);
    tellMore->setForegroundRole(QPalette::Link);

    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("doneButton"));
    connect(done, &QPushButton::clicked, this, &ManualAddWindow::finish);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(tellMore);
    bottom->addStretch();
    bottom->addWidget(done);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_box, 1);
    layout->addLayout(bottom);

    m_balloon = new HelpBalloonWidget(this);
    m_balloon->attachTrigger(tellMore, kManualAddHelpText, 720, 3600);

    resize(twipsToPixels(8760), twipsToPixels(6360));
}

QStringList ManualAddWindow::validLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList valid;
    for (const QString &line : text.toLower().split(lineEnd)) {
        if (line.isEmpty())
            continue;
        const QString name = asciiName(trimBlanks(line));
        if (isValidDomain(name))
            valid << name;
    }
    return valid;
}

void ManualAddWindow::finish()
{
    const QString text = m_box->toPlainText();
    if (!text.isEmpty()) {
        const QStringList pending = validLines(text);
        if (!pending.isEmpty() && offerValidDomains(m_context.prompter, static_cast<int>(pending.size()))) {
            // A pasted list can be long: the view hears of the new rows once.
            m_context.list.beginAppend();
            for (QString name : pending)
                adddomain(m_context.list, m_context.run.suffixes, name);
            m_context.list.endAppend();
        }
    }
    accept();
}
