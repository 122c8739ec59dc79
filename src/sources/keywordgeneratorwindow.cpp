#include "keywordgeneratorwindow.h"

#include "base/idn.h"
#include "engine/appcontext.h"
#include "sources/adddomain.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"
#include "widgets/controls.h"
#include "widgets/helpballoonwidget.h"
#include "widgets/widgetunits.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QString generatedCaption(int rows)
{
    return QStringLiteral("Generated domains (") + QString::number(rows) + u')';
}

} // namespace

KeywordGeneratorWindow::KeywordGeneratorWindow(AppContext &context, KeywordSeparator separator,
                                               QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("keywordGeneratorWindow"));
    setWindowTitle(kKeywordGeneratorCaption);
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("keywordTabs"));
    const char *const boxNames[] = {"beginningBox", "middleBox", "endBox"};
    const QString tabCaptions[] = {QStringLiteral("  Beginning  "), QStringLiteral("  Middle  "),
                                   QStringLiteral("  End  ")};
    const QString boxDescriptions[] = {QStringLiteral("Beginning words, one per line"),
                                       QStringLiteral("Middle words, one per line"),
                                       QStringLiteral("End words, one per line")};
    QLabel *tellMore = nullptr;
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
            tellMore = new QLabel(QStringLiteral("Tell me more"), page);
            tellMore->setObjectName(QStringLiteral("tellMeMore"));
            tellMore->setCursor(Qt::WhatsThisCursor);
            QFont underlined = tellMore->font();
            underlined.setUnderline(true);
            tellMore->setFont(underlined);
            tellMore->setForegroundRole(QPalette::Link);
            pageLayout->addWidget(tellMore, 0, Qt::AlignLeft);
        }
        tabs->addTab(page, tabCaptions[i]);
    }

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

    auto *tldFrame = new QGroupBox(QStringLiteral("Top Level Domains (TLD's)"), this);
    tldFrame->setObjectName(QStringLiteral("tldFrame"));
    m_tlds = new NameListModel(QStringLiteral("TLD"), true, this);
    m_tldView =
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
    tldLayout->addWidget(m_tldView, 1);
    tldLayout->addLayout(tldButtons);

    m_generatedFrame = new QGroupBox(generatedCaption(0), this);
    m_generatedFrame->setObjectName(QStringLiteral("generatedFrame"));
    m_generated = new NameListModel(QStringLiteral("Domain"), false, this);
    m_generatedView = makeRowListView(QStringLiteral("generatedList"), QStringLiteral("Generated domains"),
                                      m_generated, m_generatedFrame);
    m_generatedView->installEventFilter(this);
    auto *save = makeButton(QStringLiteral("saveButton"), QStringLiteral("Save to file.."), m_generatedFrame);
    auto *remove = makeButton(QStringLiteral("deleteButton"), QStringLiteral("Delete"), m_generatedFrame);
    auto *clear = makeButton(QStringLiteral("clearButton"), QStringLiteral("Clear"), m_generatedFrame);
    auto *exportButton =
        makeButton(QStringLiteral("exportButton"), QStringLiteral("Export to main"), m_generatedFrame);
    connect(save, &QPushButton::clicked, this, &KeywordGeneratorWindow::saveGenerated);
    connect(remove, &QPushButton::clicked, this, &KeywordGeneratorWindow::deleteSelected);
    connect(clear, &QPushButton::clicked, this, &KeywordGeneratorWindow::clearGenerated);
    connect(exportButton, &QPushButton::clicked, this, &KeywordGeneratorWindow::exportGenerated);
    auto *generatedButtons = new QGridLayout;
    generatedButtons->addWidget(save, 0, 0);
    generatedButtons->addWidget(remove, 0, 1);
    generatedButtons->addWidget(clear, 1, 0);
    generatedButtons->addWidget(exportButton, 1, 1);
    auto *generatedLayout = new QVBoxLayout(m_generatedFrame);
    generatedLayout->addWidget(m_generatedView, 1);
    generatedLayout->addLayout(generatedButtons);

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
    lists->addWidget(m_generatedFrame, 2);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);

    m_balloon = new HelpBalloonWidget(this);
    m_balloon->attachTrigger(tellMore, kKeywordHelpText, 1080, 920);

    resize(twipsToPixels(11400), twipsToPixels(6600));
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

void KeywordGeneratorWindow::showCount()
{
    m_generatedFrame->setTitle(generatedCaption(m_generated->size()));
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
    movePendingNames(pending, *m_generated);
    showCount();
    if (m_generated->isEmpty())
        prompter.warn(kProgramTitle, kNoKeywordDomainsText);
    else
        prompter.inform(kProgramTitle, kKeywordDomainsDoneText.arg(m_generated->size()));
}

void KeywordGeneratorWindow::deleteSelected()
{
    if (m_generated->isEmpty())
        return;
    const QModelIndexList selected = m_generatedView->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        m_generated->removeAt(selected.first().row());
    showCount();
}

void KeywordGeneratorWindow::clearGenerated()
{
    if (clearNameList(*m_generated, m_context.prompter))
        showCount();
}

void KeywordGeneratorWindow::saveGenerated()
{
    saveNameListAs(*m_generated, m_context.prompter);
}

void KeywordGeneratorWindow::exportGenerated()
{
    if (m_generated->isEmpty())
        return;
    exporttomain(m_context.list, m_context.run.suffixes, m_generated->names(), m_context.prompter);
    // Names the user chose not to hand over at the many-rows question go too.
    m_generated->clear();
    showCount();
}

void KeywordGeneratorWindow::closeWindow()
{
    if (!m_generated->isEmpty()) {
        if (offerGeneratedDomains(m_context.prompter)) {
            DomainListModel &list = m_context.list;
            list.beginAppend();
            for (int row = 0; row < m_generated->size(); ++row) {
                QString name = m_generated->at(row).toLower();
                adddomain(list, m_context.run.suffixes, name);
            }
            list.endAppend();
            m_generated->clear();
            showCount();
        }
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

bool KeywordGeneratorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_generatedView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        deleteSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
