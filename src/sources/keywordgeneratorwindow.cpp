#include "keywordgeneratorwindow.h"

#include "base/idn.h"
#include "engine/appcontext.h"
#include "sources/adddomain.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"
#include "widgets/controls.h"
#include "widgets/generatedlistwidget.h"
#include "widgets/helpballoonwidget.h"
#include "widgets/widgetunits.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

KeywordGeneratorWindow::KeywordGeneratorWindow(AppContext &context, KeywordSeparator separator,
                                               QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("keywordGeneratorWindow"));
    setWindowTitle(kKeywordGeneratorCaption);
    if (parent)
        setWindowIcon(parent->windowIcon());

    QLabel *tellMore = nullptr;
    QTabWidget *tabs = createWordTabs(&tellMore);
    QWidget *tldFrame = createTldFrame();
    m_generated = new GeneratedListWidget(m_context, this);
    m_generated->setDeleteKeyEnabled(true);

    nosep1 = new QRadioButton(QStringLiteral("Use no separation between phrases"), this);
    nosep1->setObjectName(QStringLiteral("nosep1"));
    hyph1 = new QRadioButton(QStringLiteral("Separate phrases with dashes \"-\""), this);
    hyph1->setObjectName(QStringLiteral("hyph1"));
    both1 = new QRadioButton(QStringLiteral("Separate phrases with both dashes and nothing"), this);
    both1->setObjectName(QStringLiteral("both1"));
    setSeparator(separator);
    for (QRadioButton *option : {nosep1, hyph1, both1}) {
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                m_context.options.keywordSeparator = static_cast<int>(this->separator());
        });
    }
    m_context.options.keywordSeparator = static_cast<int>(this->separator());

    auto *generateButton =
        makeButton(QStringLiteral("generateButton"), QStringLiteral("Generate domains"), this);
    connect(generateButton, &QPushButton::clicked, this, &KeywordGeneratorWindow::generate);
    auto *closeButton = makeButton(QStringLiteral("closeButton"), QStringLiteral("Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &KeywordGeneratorWindow::closeWindow);

    auto *left = new QVBoxLayout;
    left->addWidget(tabs, 1);
    left->addWidget(nosep1);
    left->addWidget(hyph1);
    left->addWidget(both1);
    left->addWidget(generateButton);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 3);
    lists->addWidget(tldFrame, 1);
    lists->addWidget(m_generated, 2);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);

    // Created last so it lies over the other controls.
    m_balloon = new HelpBalloonWidget(this);
    m_balloon->attachTrigger(tellMore, kKeywordHelpText, 1080, 920);

    resize(twipsToPixels(11400), twipsToPixels(6600));
}

QTabWidget *KeywordGeneratorWindow::createWordTabs(QLabel **tellMore)
{
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("keywordTabs"));
    const char *const boxNames[] = {"beginningBox", "middleBox", "endBox"};
    const QString tabCaptions[] = {QStringLiteral("  Beginning  "), QStringLiteral("  Middle  "),
                                   QStringLiteral("  End  ")};
    const QString boxDescriptions[] = {QStringLiteral("Beginning words, one per line"),
                                       QStringLiteral("Middle words, one per line"),
                                       QStringLiteral("End words, one per line")};
    for (int i = 0; i < 3; ++i) {
        auto *page = new QWidget(tabs);
        auto *box = new QPlainTextEdit(page);
        box->setObjectName(QLatin1String(boxNames[i]));
        box->setAccessibleName(boxDescriptions[i]);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        m_boxes[i] = box;
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(box, 1);
        if (i == 0) {
            *tellMore = new QLabel(QStringLiteral("Tell me more"), page);
            (*tellMore)->setObjectName(QStringLiteral("tellMeMore"));
            (*tellMore)->setCursor(Qt::WhatsThisCursor);
            QFont underlined = (*tellMore)->font();
            underlined.setUnderline(true);
            (*tellMore)->setFont(underlined);
            (*tellMore)->setForegroundRole(QPalette::Link);
            pageLayout->addWidget(*tellMore, 0, Qt::AlignLeft);
        }
        tabs->addTab(page, tabCaptions[i]);
    }
    return tabs;
}

QWidget *KeywordGeneratorWindow::createTldFrame()
{
    auto *tldFrame = new QGroupBox(QStringLiteral("Top Level Domains (TLD's)"), this);
    tldFrame->setObjectName(QStringLiteral("tldFrame"));
    m_tlds = new NameListModel(QStringLiteral("TLD"), true, this);
    QTreeView *view =
        makeRowListView(QStringLiteral("tldList"), QStringLiteral("Top Level Domains"), m_tlds, tldFrame);
    auto *selectAll = makeButton(QStringLiteral("selectAllButton"), QStringLiteral("Select all"), tldFrame);
    auto *unselectAll =
        makeButton(QStringLiteral("unselectAllButton"), QStringLiteral("Unselect all"), tldFrame);
    connect(selectAll, &QPushButton::clicked, this, [this] { m_tlds->setAllChecked(true); });
    connect(unselectAll, &QPushButton::clicked, this, [this] { m_tlds->setAllChecked(false); });
    auto *tldButtons = new QHBoxLayout;
    tldButtons->addWidget(selectAll);
    tldButtons->addWidget(unselectAll);
    auto *tldLayout = new QVBoxLayout(tldFrame);
    tldLayout->addWidget(view, 1);
    tldLayout->addLayout(tldButtons);
    return tldFrame;
}

NameListModel &KeywordGeneratorWindow::generatedList() const
{
    return m_generated->names();
}

void KeywordGeneratorWindow::addTlds(const QStringList &tlds)
{
    m_tlds->beginAdding();
    for (const QString &tld : tlds)
        m_tlds->add(asciiName(tld));
    m_tlds->endAdding();
}

KeywordSeparator KeywordGeneratorWindow::separator() const
{
    if (nosep1->isChecked())
        return KeywordSeparator::None;
    if (hyph1->isChecked())
        return KeywordSeparator::Dashes;
    return KeywordSeparator::Both;
}

void KeywordGeneratorWindow::setSeparator(KeywordSeparator separator)
{
    switch (separator) {
    case KeywordSeparator::None:
        nosep1->setChecked(true);
        break;
    case KeywordSeparator::Dashes:
        hyph1->setChecked(true);
        break;
    case KeywordSeparator::Both:
        both1->setChecked(true);
        break;
    }
}

void KeywordGeneratorWindow::generate()
{
    Prompter &prompter = m_context.prompter;
    KeywordInput input;
    input.separator = separator();
    input.tlds = m_tlds->checkedNames();
    if (input.tlds.isEmpty()) {
        prompter.fail(kProgramTitle, kSelectTldText);
        return;
    }
    const QString texts[] = {m_boxes[0]->toPlainText(), m_boxes[1]->toPlainText(), m_boxes[2]->toPlainText()};
    if (texts[0].isEmpty() && texts[1].isEmpty() && texts[2].isEmpty()) {
        prompter.fail(kProgramTitle, kEnterWordsText);
        return;
    }
    input.beginning = keywordWords(texts[0]);
    input.middle = keywordWords(texts[1]);
    input.end = keywordWords(texts[2]);

    PendingNames pending;
    generateKeywordDomains(input, pending, [&prompter] {
        return prompter.askYesNo(kProgramTitle, kManyKeywordDomainsQuestion, PromptIcon::Exclamation);
    });
    NameListModel &generated = m_generated->names();
    movePendingNames(pending, generated);
    m_generated->showCount();
    if (generated.isEmpty())
        prompter.warn(kProgramTitle, kNoKeywordDomainsText);
    else
        prompter.inform(kProgramTitle, kKeywordDomainsDoneText.arg(generated.size()));
}

void KeywordGeneratorWindow::closeWindow()
{
    if (!m_generated->names().isEmpty() && offerGeneratedDomains(m_context.prompter)) {
        m_generated->addAllToMain();
        m_generated->names().clear();
        m_generated->showCount();
    }
    hide();
}

void KeywordGeneratorWindow::closeEvent(QCloseEvent *event)
{
    // The close box throws the window and everything in it away; the next
    // opening builds it afresh.
    QDialog::closeEvent(event);
    if (event->isAccepted())
        deleteLater();
}
