#include "websearchwindow.h"

#include "base/textfile.h"
#include "config/publicsuffixes.h"
#include "engine/appcontext.h"
#include "sources/adddomain.h"
#include "widgets/controls.h"
#include "widgets/helpballoonwidget.h"
#include "widgets/widgetunits.h"

#include <algorithm>

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

using namespace harvesttexts;

namespace {

// Where the help balloon opens (twips): above the status line, clear of the lists' buttons.
constexpr int kBalloonTop = 3000;
constexpr int kBalloonLeft = 3600;

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QListView *makeList(const QString &name, const QString &accessibleName, QAbstractItemModel *model,
                    QWidget *parent)
{
    auto *view = new QListView(parent);
    view->setObjectName(name);
    view->setAccessibleName(accessibleName);
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformItemSizes(true);
    return view;
}

QComboBox *makeChoiceBox(const QString &name, const QList<int> &choices, const QString &accessibleName,
                         QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    for (int choice : choices)
        box->addItem(QString::number(choice));
    box->setAccessibleName(accessibleName);
    return box;
}

} // namespace

WebSearchWindow::WebSearchWindow(AppContext &context, std::function<void()> startCheckRun, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_startCheckRun(std::move(startCheckRun))
{
    setObjectName(QStringLiteral("webSearchWindow"));
    setWindowTitle(kTitle);
    if (parent)
        setWindowIcon(parent->windowIcon());

    // Built in the order the Tab key goes through them.
    auto *layout = new QVBoxLayout(this);
    auto *lists = new QHBoxLayout;
    layout->addLayout(lists, 1);
    lists->addLayout(createKeywordColumn(), 1);
    lists->addLayout(createFoundColumn(), 1);
    addOptionRows(layout);
    m_start = commandButton("startButton", "Start", &WebSearchWindow::startSearch);
    m_stop = commandButton("stopButton", "Stop", &WebSearchWindow::stopSearch);
    m_close = commandButton("closeButton", "Close", &WebSearchWindow::closeWindow);
    QLabel *tellMore = nullptr;
    layout->addLayout(createStatusRow(&tellMore));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    resize(twipsToPixels(10500), twipsToPixels(7500));

    // Created last so it lies over the other controls.
    auto *balloon = new HelpBalloonWidget(this);
    balloon->attachTrigger(tellMore, kHelp, kBalloonTop, kBalloonLeft);

    bindOptions();

    connect(&m_harvester, &WebSearchHarvester::keywordStarted, this, [this](int number, int total) {
        m_keywordStatus->setText(kKeywordProgress.arg(number).arg(total));
    });
    connect(&m_harvester, &WebSearchHarvester::bytesReceivedChanged, this,
            [this](qint64 bytes) { m_receivedStatus->setText(receivedText(bytes)); });
    connect(&m_harvester, &WebSearchHarvester::finished, this, &WebSearchWindow::onFinished);
    // The count follows the list, also when the user deletes from it.
    KeyedListModel &found = m_harvester.found();
    connect(&found, &QAbstractItemModel::rowsInserted, this, &WebSearchWindow::showFoundCount);
    connect(&found, &QAbstractItemModel::rowsRemoved, this, &WebSearchWindow::showFoundCount);
    connect(&found, &QAbstractItemModel::modelReset, this, &WebSearchWindow::showFoundCount);
}

QPushButton *WebSearchWindow::commandButton(const char *name, const char *caption,
                                            void (WebSearchWindow::*command)(), const char *accessibleName)
{
    QPushButton *button = makeButton(QLatin1String(name), QLatin1String(caption), this);
    if (accessibleName)
        button->setAccessibleName(QLatin1String(accessibleName));
    connect(button, &QPushButton::clicked, this, command);
    return button;
}

QLayout *WebSearchWindow::createKeywordColumn()
{
    auto *label = makeLabel(QStringLiteral("keywordsLabel"), kKeywords, this);
    m_keywordEdit = new QLineEdit(this);
    m_keywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    m_keywordEdit->setAccessibleName(QStringLiteral("Keyword to add"));
    connect(m_keywordEdit, &QLineEdit::returnPressed, this, &WebSearchWindow::addKeyword);
    m_keywordList = makeList(QStringLiteral("keywordList"), kKeywords, &m_keywords, this);
    label->setBuddy(m_keywordList);

    auto *entry = new QHBoxLayout;
    entry->addWidget(m_keywordEdit, 1);
    entry->addWidget(commandButton("addKeywordButton", "Add", &WebSearchWindow::addKeyword));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(
        commandButton("loadKeywordsButton", "Load from file..", &WebSearchWindow::loadKeywords));
    buttons->addWidget(
        commandButton("deleteKeywordsButton", "Delete", &WebSearchWindow::deleteKeywords, "Delete keywords"));
    buttons->addWidget(
        commandButton("clearKeywordsButton", "Clear", &WebSearchWindow::clearKeywords, "Clear keywords"));
    buttons->addStretch();
    auto *column = new QVBoxLayout;
    column->addWidget(label);
    column->addLayout(entry);
    column->addWidget(m_keywordList, 1);
    column->addLayout(buttons);
    return column;
}

QLayout *WebSearchWindow::createFoundColumn()
{
    auto *label = makeLabel(QStringLiteral("foundLabel"), kDomainsFound, this);
    m_foundList = makeList(QStringLiteral("foundList"), kDomainsFound, &m_harvester.found(), this);
    label->setBuddy(m_foundList);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(
        commandButton("deleteFoundButton", "Delete", &WebSearchWindow::deleteFound, "Delete found domains"));
    buttons->addWidget(
        commandButton("clearFoundButton", "Clear", &WebSearchWindow::clearFound, "Clear found domains"));
    buttons->addWidget(commandButton("saveFoundButton", "Save to file..", &WebSearchWindow::saveFound));
    buttons->addWidget(commandButton("exportFoundButton", "Export to main", &WebSearchWindow::exportFound));
    buttons->addStretch();
    auto *column = new QVBoxLayout;
    column->addWidget(label);
    column->addWidget(m_foundList, 1);
    column->addLayout(buttons);
    return column;
}

void WebSearchWindow::addOptionRows(QBoxLayout *layout)
{
    m_topOnly = new QCheckBox(kTopBefore, this);
    m_topOnly->setObjectName(QStringLiteral("topOnlyCheck"));
    m_topResults = makeChoiceBox(QStringLiteral("topResultsCombo"), topResultChoices(),
                                 QStringLiteral("Number of top search engine results"), this);
    auto *topRow = new QHBoxLayout;
    topRow->addWidget(m_topOnly);
    topRow->addWidget(m_topResults);
    topRow->addWidget(makeLabel(QStringLiteral("topAfterLabel"), kTopAfter, this));
    topRow->addStretch();

    auto *delayBefore = makeLabel(QStringLiteral("delayLabel"), kDelayBefore, this);
    m_delay = makeChoiceBox(QStringLiteral("delayCombo"), queryDelayChoices(),
                            QStringLiteral("Delay between search engine queries in seconds"), this);
    delayBefore->setBuddy(m_delay);
    auto *delayRow = new QHBoxLayout;
    delayRow->addWidget(delayBefore);
    delayRow->addWidget(m_delay);
    delayRow->addWidget(makeLabel(QStringLiteral("delayAfterLabel"), kDelayAfter, this));
    delayRow->addStretch();

    m_removeSubdomains = new QCheckBox(kRemoveSubdomains, this);
    m_removeSubdomains->setObjectName(QStringLiteral("removeSubdomainsCheck"));
    m_export = new QCheckBox(kExportAndCheck, this);
    m_export->setObjectName(QStringLiteral("exportCheck"));
    layout->addLayout(topRow);
    layout->addLayout(delayRow);
    layout->addWidget(m_removeSubdomains);
    layout->addWidget(m_export);
}

QLayout *WebSearchWindow::createStatusRow(QLabel **tellMore)
{
    m_keywordStatus = makeLabel(QStringLiteral("keywordStatus"), kKeywordProgress.arg(0).arg(0), this);
    m_foundStatus = makeLabel(QStringLiteral("foundStatus"), kFoundCount.arg(0), this);
    m_receivedStatus = makeLabel(QStringLiteral("receivedStatus"), receivedText(0), this);
    *tellMore = makeLabel(QStringLiteral("tellMeMore"), QStringLiteral("Tell me more"), this);
    (*tellMore)->setCursor(Qt::WhatsThisCursor);
    QFont underlined = (*tellMore)->font();
    underlined.setUnderline(true);
    (*tellMore)->setFont(underlined);
    (*tellMore)->setForegroundRole(QPalette::Link);

    auto *status = new QHBoxLayout;
    status->addWidget(m_keywordStatus);
    status->addSpacing(12);
    status->addWidget(m_foundStatus);
    status->addSpacing(12);
    status->addWidget(m_receivedStatus);
    status->addStretch();
    status->addWidget(*tellMore);
    return status;
}

WebSearchWindow::~WebSearchWindow() = default;

void WebSearchWindow::bindOptions()
{
    ProgramOptions &o = m_context.options;
    m_topOnly->setChecked(o.topResultsOnly != 0);
    m_removeSubdomains->setChecked(o.removeSubdomains != 0);
    m_export->setChecked(o.exportAndStart != 0);
    m_topResults->setCurrentIndex(std::clamp(o.topResultsIndex, 0, int(topResultChoices().size()) - 1));
    m_delay->setCurrentIndex(std::clamp(o.queryDelayIndex, 0, int(queryDelayChoices().size()) - 1));

    connect(m_topOnly, &QCheckBox::toggled, this, [this](bool on) { m_context.options.topResultsOnly = on; });
    connect(m_removeSubdomains, &QCheckBox::toggled, this,
            [this](bool on) { m_context.options.removeSubdomains = on; });
    connect(m_export, &QCheckBox::toggled, this, [this](bool on) { m_context.options.exportAndStart = on; });
    connect(m_topResults, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_context.options.topResultsIndex = index; });
    connect(m_delay, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_context.options.queryDelayIndex = index; });
}

void WebSearchWindow::setExportWhenDone(bool on)
{
    m_export->setChecked(on);
}

QList<int> WebSearchWindow::selectedRows(const QListView *view)
{
    QList<int> rows;
    for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
        rows.append(index.row());
    return rows;
}

// ---- Keywords ----------------------------------------------------------------------

void WebSearchWindow::addKeyword()
{
    const QString keyword = m_keywordEdit->text().toLower();
    if (!keyword.isEmpty())
        m_keywords.add(keyword);
    m_keywordEdit->clear();
}

void WebSearchWindow::loadKeywords()
{
    const QString path = m_context.prompter.chooseOpenFile(QStringLiteral("Load from file.."), kFileFilter);
    if (path.isEmpty())
        return;
    LineReader reader(path);
    if (!reader.open()) {
        m_context.prompter.warn(kProgramTitle,
                                QStringLiteral("Could not read %1: %2").arg(path, reader.errorString()));
        return;
    }
    QStringList lines;
    QString line;
    while (reader.readLine(line)) {
        const QString keyword = trimSpaces(line).toString().toLower();
        if (!keyword.isEmpty())
            lines.append(keyword);
    }
    // What was read before a read error is kept; the user hears of the rest.
    m_keywords.addAll(lines);
    if (reader.failed())
        m_context.prompter.warn(
            kProgramTitle, QStringLiteral("Could not read all of %1: %2").arg(path, reader.errorString()));
}

void WebSearchWindow::deleteKeywords()
{
    m_keywords.removeRowsAt(selectedRows(m_keywordList));
}

void WebSearchWindow::clearKeywords()
{
    clearList(m_keywords);
}

void WebSearchWindow::clearList(KeyedListModel &model)
{
    if (model.isEmpty())
        return;
    if (m_context.prompter.askYesNo(kProgramTitle, kClearQuestion, PromptIcon::Information, false))
        model.clear();
}

// ---- Domains found -----------------------------------------------------------------

void WebSearchWindow::deleteFound()
{
    m_harvester.found().removeRowsAt(selectedRows(m_foundList));
}

void WebSearchWindow::clearFound()
{
    clearList(m_harvester.found());
}

void WebSearchWindow::saveFound()
{
    const QString path = m_context.prompter.chooseSaveFile(QStringLiteral("Save to file.."), kFileFilter);
    if (path.isEmpty())
        return;
    QByteArray bytes;
    for (const QString &name : m_harvester.found().items())
        bytes += encode8bit(name) + kLineEnd;
    // Written whole or not at all: a failed save leaves an earlier file as it was.
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!saved)
        m_context.prompter.warn(kProgramTitle,
                                QStringLiteral("Could not save %1: %2").arg(path, file.errorString()));
}

void WebSearchWindow::exportFound()
{
    KeyedListModel &found = m_harvester.found();
    exporttomain(m_context.list, m_context.run.suffixes, found.items(), m_context.prompter);
    found.clear();
}

void WebSearchWindow::showFoundCount()
{
    m_foundStatus->setText(kFoundCount.arg(m_harvester.found().size()));
}

// ---- Run control -------------------------------------------------------------------

void WebSearchWindow::startSearch()
{
    if (m_harvester.isRunning())
        return;
    HarvestRequest request;
    request.keywords = m_keywords.items();
    request.tableTlds = m_context.config.table.tlds();
    request.publicSuffixes = publicSuffixesFor(m_context.extra);
    if (request.keywords.isEmpty()) {
        m_context.prompter.inform(kProgramTitle, kNoKeywords);
        return;
    }
    if (m_export->isChecked() && m_context.wizardMode) {
        m_export->setChecked(false);
        m_context.prompter.warn(kProgramTitle, kWizardRefusal);
    }
    QStringList problems;
    m_harvester.setEngine(searchEngineFromSettings(m_context.extra, &problems));
    for (const QString &problem : problems)
        m_context.prompter.warn(kProgramTitle, problem);

    request.topOnly = m_topOnly->isChecked();
    request.topLimit = topResultChoices().value(m_topResults->currentIndex(), 100);
    request.removeSubdomains = m_removeSubdomains->isChecked();
    request.delayMs = queryDelayChoices().value(m_delay->currentIndex(), 3) * 1000;
    m_exportWhenDone = m_export->isChecked();
    m_start->setEnabled(false);
    if (!m_harvester.start(request))
        m_start->setEnabled(true);
}

void WebSearchWindow::stopSearch()
{
    m_harvester.stop();
    m_start->setEnabled(true);
    m_context.prompter.inform(kProgramTitle, kStopped);
}

void WebSearchWindow::onFinished()
{
    m_start->setEnabled(true);
    if (!m_exportWhenDone) {
        m_context.prompter.inform(kProgramTitle, kSearchDone);
        return;
    }
    if (m_harvester.found().isEmpty())
        return;
    exportFound();
    QDialog::done(QDialog::Accepted);
    if (!m_startCheckRun)
        return;
    // The run was asked for when the search started; it asks nothing more.
    m_context.run.skipConfirmation = true;
    m_startCheckRun();
}

void WebSearchWindow::closeWindow()
{
    if (m_harvester.isRunning()) {
        m_context.prompter.warn(kProgramTitle, kStopBeforeClose);
        return;
    }
    const KeyedListModel &found = m_harvester.found();
    if (!found.isEmpty() && offerValidDomains(m_context.prompter, found.size())) {
        m_context.list.beginAppend();
        for (QString name : found.items())
            adddomain(m_context.list, m_context.run.suffixes, name);
        m_context.list.endAppend();
    }
    QDialog::done(QDialog::Accepted);
}

void WebSearchWindow::reject()
{
    closeWindow();
}
