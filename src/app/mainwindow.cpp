#include "mainwindow.h"

#include "app/aboutwindow.h"
#include "app/rowcolourdelegate.h"
#include "app/versionhistorywindow.h"
#include "app/widgeticons.h"
#include "base/datafolder.h"
#include "config/deftlds.h"
#include "config/settingswindow.h"
#include "engine/appcontext.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "engine/rowcompare.h"
#include "engine/runjournal.h"
#include "export/plainexport.h"
#include "export/resultexportwindow.h"
#include "feedback/feedbackform.h"
#include "listops/headersort.h"
#include "listops/listcommands.h"
#include "listops/listfilters.h"
#include "listops/listtexts.h"
#include "listops/stringfilterwindow.h"
#include "listops/tldfilterwindow.h"
#include "lookup/manuallookupwindow.h"
#include "sources/domainsourceswindow.h"
#include "sources/keywordgeneratorwindow.h"
#include "sources/manualaddwindow.h"
#include "sources/misspellinggeneratorwindow.h"
#include "sources/websearchwindow.h"
#include "widgets/controls.h"
#include "widgets/widgetunits.h"
#include "wizard/quickstartwizardwindow.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Outer size limits and the distances the list, the working panel and the
// progress frame keep from the window's right and bottom edges (twips).
constexpr int kMinWidth = 11000;
constexpr int kMinHeight = 7020;
constexpr int kListLeft = 120;
constexpr int kListTop = 2160;
constexpr int kListWidthMargin = 360;
constexpr int kListHeightMargin = 3360;
constexpr int kProgressLeft = 120;
constexpr int kProgressWidthMargin = 2470;
constexpr int kProgressTopMargin = 1100;
constexpr int kProgressHeight = 300;
constexpr int kStartWidth = 12600;
constexpr int kStartHeight = 8400;
constexpr int kStatusPanelWidth = 1800;

constexpr int kColumnWidths[] = {7056, 1587, 1764, 1764, 1764, 2540, 3528};

// Where quorvane.ini keeps the window's own state between sessions.
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kColumnsKey = QStringLiteral("window/columns");
const QString kSortColumnKey = QStringLiteral("window/sortColumn");
const QString kSortOrderKey = QStringLiteral("window/sortOrder");
const QString kAscending = QStringLiteral("ascending");
const QString kDescending = QStringLiteral("descending");

// Buttons and items that would interfere with a check run while it works.
const char *const kLockedDuringRun[] = {
    "toolAdd",     "toolStart",  "toolWhois", "toolExport", "toolConfig", "Starts1", "Adddomains",
    "manualwhois", "saveresult", "mwl",       "Settings",   "vhistory",   "qsw",
};

QStringList numbers(std::initializer_list<int> values)
{
    QStringList out;
    for (int v : values)
        out << QString::number(v);
    return out;
}

QComboBox *makeChoiceBox(const QString &name, const QStringList &choices, int startIndex,
                         const QString &accessibleName, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(choices);
    box->setCurrentIndex(startIndex);
    box->setAccessibleName(accessibleName);
    box->setFixedWidth(twipsToPixels(1095));
    return box;
}

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// Shows `text` as typed, selecting the matching choice when there is one.
void showText(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0)
        box->setCurrentIndex(index);
    box->setEditText(text);
}

void centreOn(QWidget *widget, int left, const QWidget *reference)
{
    const QSize hint = widget->sizeHint();
    widget->setGeometry(left, reference->y() + (reference->height() - hint.height()) / 2, hint.width(),
                        hint.height());
}

} // namespace

MainWindow::MainWindow(AppContext &context, UrlOpener opener, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(programIcon(ProgramIcon::Program));

    createMenus();
    createToolBar();
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(client);
    createOptionsArea(client);
    createListArea(client);
    createStatusBar();
    createListCommands();

    setMinimumSize(twipsToPixelsCeil(kMinWidth), twipsToPixelsCeil(kMinHeight));
    resize(twipsToPixels(kStartWidth), twipsToPixels(kStartHeight));
    setRunLook(false);

    m_engine = std::make_unique<CheckEngine>(m_context, *this);
    connect(this, &MainWindow::startRequested, m_engine.get(), &CheckEngine::allstarter);
    connect(this, &MainWindow::stopRequested, m_engine.get(), &CheckEngine::allstopper);
    connect(this, &MainWindow::progressFrameResizing, m_engine.get(), &CheckEngine::refreshProgressUnit);
}

MainWindow::~MainWindow() = default;

QAction *MainWindow::addCommand(QMenu *menu, const QString &name, const QString &caption, int key,
                                const QIcon &icon)
{
    auto *action = menu->addAction(icon, caption);
    action->setObjectName(name);
    if (key)
        action->setShortcut(QKeySequence(key));
    m_actions.insert(name, action);
    return action;
}

QAction *MainWindow::addToolButton(const QString &name, const QString &caption, const QIcon &icon)
{
    auto *action = m_toolBar->addAction(icon, caption);
    action->setObjectName(name);
    m_toolBar->addSeparator();
    m_actions.insert(name, action);
    return action;
}

void MainWindow::createMenus()
{
    // The ampersands only give the menus their Alt keys; the captions read File, Tools, Help.
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("toolsMenu"));
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));

    QAction *start = addCommand(file, QStringLiteral("Starts1"), QStringLiteral("Start"), Qt::Key_F2,
                                programIcon(ProgramIcon::Start));
    QAction *stop = addCommand(file, QStringLiteral("Stops1"), QStringLiteral("Stop"), Qt::Key_F3,
                               programIcon(ProgramIcon::Stop));
    file->addSeparator();
    QAction *wizard = addCommand(file, QStringLiteral("qsw"), QStringLiteral("Quick Start Wizard"));
    file->addSeparator();
    QAction *exit = addCommand(file, QStringLiteral("Exit"), QStringLiteral("Exit"));

    QAction *settings = addCommand(tools, QStringLiteral("Settings"), QStringLiteral("Config"), Qt::Key_F4,
                                   programIcon(ProgramIcon::Config));
    tools->addSeparator();
    QAction *add = addCommand(tools, QStringLiteral("Adddomains"), QStringLiteral("Add domains"), Qt::Key_F5,
                              programIcon(ProgramIcon::Add));
    QAction *lookup = addCommand(tools, QStringLiteral("manualwhois"), QStringLiteral("Manual WHOIS lookup"),
                                 Qt::Key_F6, programIcon(ProgramIcon::Lookup));
    QAction *save = addCommand(tools, QStringLiteral("saveresult"), QStringLiteral("Save result"), Qt::Key_F7,
                               programIcon(ProgramIcon::Save));

    QAction *contents = addCommand(help, QStringLiteral("Contents"), QStringLiteral("Contents"), Qt::Key_F8,
                                   programIcon(ProgramIcon::Help));
    QAction *history = addCommand(help, QStringLiteral("vhistory"), QStringLiteral("Version history"));
    help->addSeparator();
    QAction *about = addCommand(help, QStringLiteral("About"), QStringLiteral("About"));

    // Start and Stop go out as signals: the check engine that answers them is
    // connected from outside the window.
    connect(start, &QAction::triggered, this, &MainWindow::startRequested);
    connect(stop, &QAction::triggered, this, &MainWindow::stopRequested);
    connect(wizard, &QAction::triggered, this, &MainWindow::openQuickStartWizard);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(settings, &QAction::triggered, this, &MainWindow::openSettings);
    connect(add, &QAction::triggered, this, &MainWindow::openDomainSources);
    connect(lookup, &QAction::triggered, this, &MainWindow::openManualLookup);
    connect(save, &QAction::triggered, this, &MainWindow::openResultExport);
    connect(contents, &QAction::triggered, this, &MainWindow::openSupportPage);
    connect(history, &QAction::triggered, this, &MainWindow::openVersionHistory);
    connect(about, &QAction::triggered, this, &MainWindow::openAbout);
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Commands"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    QAction *add =
        addToolButton(QStringLiteral("toolAdd"), QStringLiteral("Add"), programIcon(ProgramIcon::Add));
    QAction *start =
        addToolButton(QStringLiteral("toolStart"), QStringLiteral("Start"), programIcon(ProgramIcon::Start));
    QAction *stop =
        addToolButton(QStringLiteral("toolStop"), QStringLiteral("Stop"), programIcon(ProgramIcon::Stop));
    QAction *whois =
        addToolButton(QStringLiteral("toolWhois"), QStringLiteral("WHOIS"), programIcon(ProgramIcon::Lookup));
    QAction *exportButton =
        addToolButton(QStringLiteral("toolExport"), QStringLiteral("Export"), programIcon(ProgramIcon::Save));
    QAction *config = addToolButton(QStringLiteral("toolConfig"), QStringLiteral("Config"),
                                    programIcon(ProgramIcon::Config));
    QAction *help =
        addToolButton(QStringLiteral("toolHelp"), QStringLiteral("Help"), programIcon(ProgramIcon::Help));

    connect(add, &QAction::triggered, this, &MainWindow::openDomainSources);
    connect(start, &QAction::triggered, this, &MainWindow::startRequested);
    connect(stop, &QAction::triggered, this, &MainWindow::stopRequested);
    connect(whois, &QAction::triggered, this, &MainWindow::openManualLookup);
    connect(exportButton, &QAction::triggered, this, &MainWindow::openResultExport);
    connect(config, &QAction::triggered, this, &MainWindow::openSettings);
    connect(help, &QAction::triggered, this, &MainWindow::openSupportPage);
}

void MainWindow::createOptionsArea(QWidget *client)
{
    m_connectionsLabel =
        makeLabel(QStringLiteral("connectionsLabel"), QStringLiteral("Connection threads"), client);
    connections2 = makeChoiceBox(QStringLiteral("connections2"),
                                 numbers({1,  2,  3,  4,  5,  6,  7,  8,  9,   10,  15,  20,  25, 30,
                                          35, 40, 45, 50, 60, 70, 80, 90, 100, 200, 300, 400, 500}),
                                 11, QStringLiteral("Connection threads"), client);
    m_connectionsLabel->setBuddy(connections2);

    retry2 = new QCheckBox(QStringLiteral("Retry failed attempts"), client);
    retry2->setObjectName(QStringLiteral("retry2"));
    retry2->setChecked(true);
    retrytimes2 =
        makeChoiceBox(QStringLiteral("retrytimes2"), numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20}), 1,
                      QStringLiteral("Retry failed attempts, times"), client);
    m_timesLabel = makeLabel(QStringLiteral("timesLabel"), QStringLiteral("times"), client);

    m_timeoutLabel = makeLabel(QStringLiteral("timeoutLabel"), QStringLiteral("Connection timeout"), client);
    timeoutsecs2 = makeChoiceBox(QStringLiteral("timeoutsecs2"),
                                 numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 25, 30, 35, 40, 45, 50, 60}),
                                 9, QStringLiteral("Connection timeout in seconds"), client);
    m_timeoutLabel->setBuddy(timeoutsecs2);
    m_secondsLabel = makeLabel(QStringLiteral("secondsLabel"), QStringLiteral("seconds"), client);

    m_expireLabel =
        makeLabel(QStringLiteral("expireLabel"), QStringLiteral("Mark domains that will expire in"), client);
    expiredays2 = makeChoiceBox(
        QStringLiteral("expiredays2"), numbers({1,  2,  3,  4,  5,  6,  7,  8,  9,  10,  11,  12,  13, 14,
                                                20, 25, 30, 40, 50, 60, 70, 80, 90, 100, 200, 300, 365}),
        16, QStringLiteral("Mark domains that will expire in this many days or less in blue"), client);
    m_expireLabel->setBuddy(expiredays2);
    m_expireDaysLabel =
        makeLabel(QStringLiteral("expireDaysLabel"), QStringLiteral("days or less in blue"), client);

    checksel2 = new QCheckBox(QStringLiteral("Check selected domains only"), client);
    checksel2->setObjectName(QStringLiteral("checksel2"));
    checksel2->setToolTip(kCheckSelectedToolTip);

    m_selectHint = makeLabel(QStringLiteral("selectHint"),
                             QStringLiteral("(Hold CTRL or SHIFT to select multiple domains)"), client);
    m_menuHint = makeLabel(
        QStringLiteral("menuHint"),
        QStringLiteral("For more options, right-click on the list when you have added at least one domain"),
        client);

    // The boxes are the options: every change goes straight into them, so the
    // check run and the settings file always see what the user sees.
    auto bindText = [this](QComboBox *box, QString ProgramOptions::*field) {
        connect(box, &QComboBox::editTextChanged, this, [this, field](const QString &text) {
            if (!m_pushingOptions)
                m_context.options.*field = text;
        });
    };
    bindText(connections2, &ProgramOptions::connections);
    bindText(retrytimes2, &ProgramOptions::retryTimes);
    bindText(timeoutsecs2, &ProgramOptions::timeoutSecs);
    bindText(expiredays2, &ProgramOptions::expireDays);
    auto bindFlag = [this](QCheckBox *box, bool ProgramOptions::*field) {
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!m_pushingOptions)
                m_context.options.*field = on;
        });
    };
    bindFlag(retry2, &ProgramOptions::retry);
    bindFlag(checksel2, &ProgramOptions::checkSelected);
}

void MainWindow::createListArea(QWidget *client)
{
    m_list = new QTreeView(client);
    m_list->setObjectName(QStringLiteral("domainList"));
    m_list->setAccessibleName(QStringLiteral("Domains"));
    m_list->setModel(&m_context.list);
    m_list->setSelectionModel(m_context.list.selectionModel());
    m_list->setItemDelegate(new RowColourDelegate(m_list));
    m_list->setUniformRowHeights(true);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSortingEnabled(false);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column)
        m_list->setColumnWidth(column, twipsToPixels(kColumnWidths[column]));

    m_workingPanel = new QFrame(client);
    m_workingPanel->setObjectName(QStringLiteral("workingPanel"));
    m_workingPanel->setFrameShape(QFrame::StyledPanel);
    m_workingPanel->setAutoFillBackground(true);
    auto *title = new QLabel(QStringLiteral("The program is currently working..."), m_workingPanel);
    title->setObjectName(QStringLiteral("workingTitle"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    auto *why = new QLabel(
        QStringLiteral(
            "This program has been designed to allow you to check anywhere from just a few to hundreds "
            "of thousands of domains in a session. That is why the realtime display of the result has "
            "been disabled, to save your computer resources and to make the software more effective."),
        m_workingPanel);
    why->setObjectName(QStringLiteral("workingExplanation"));
    why->setWordWrap(true);
    auto *wait = new QLabel(
        QStringLiteral(
            "The last few percent can sometimes take a little longer since the program then waits for "
            "all the connections to close. But don't worry, it will soon be done."),
        m_workingPanel);
    wait->setObjectName(QStringLiteral("workingWaitNote"));
    wait->setWordWrap(true);
    auto *namesBox = new QGroupBox(QStringLiteral("Current domains being processed"), m_workingPanel);
    namesBox->setObjectName(QStringLiteral("currentDomainsBox"));
    m_panelNames = new QPlainTextEdit(namesBox);
    m_panelNames->setObjectName(QStringLiteral("currentDomains"));
    m_panelNames->setAccessibleName(QStringLiteral("Current domains being processed"));
    m_panelNames->setReadOnly(true);
    m_panelNames->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_panelNames->setFocusPolicy(Qt::NoFocus);
    auto *namesLayout = new QVBoxLayout(namesBox);
    namesLayout->addWidget(m_panelNames);
    auto *panelLayout = new QVBoxLayout(m_workingPanel);
    panelLayout->addWidget(title);
    panelLayout->addWidget(why);
    panelLayout->addWidget(wait);
    panelLayout->addWidget(namesBox, 1);

    m_progressFrame = new QFrame(client);
    m_progressFrame->setObjectName(QStringLiteral("progressFrame"));
    m_progressFrame->setFrameShape(QFrame::Panel);
    m_progressFrame->setFrameShadow(QFrame::Sunken);
    m_progressFrame->setAccessibleName(QStringLiteral("Progress"));
    m_progressBar = new QFrame(m_progressFrame);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAutoFillBackground(true);
    m_progressBar->setBackgroundRole(QPalette::Highlight);
    m_progressBar->setGeometry(0, 0, 0, twipsToPixels(kProgressHeight));
    m_percentLabel = new QLabel(QStringLiteral("0%"), m_progressFrame);
    m_percentLabel->setObjectName(QStringLiteral("percentLabel"));
    m_percentLabel->setAlignment(Qt::AlignCenter);
}

void MainWindow::createStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(true);
    const QStringList starts{QStringLiteral("0 domains"), QStringLiteral("0 free"), QStringLiteral("0 taken"),
                             QStringLiteral("0 unchecked/errors"), QString()};
    for (int i = 0; i < starts.size(); ++i) {
        auto *panel = new QLabel(starts[i], statusBar());
        panel->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        const bool last = i == starts.size() - 1;
        if (!last)
            panel->setMinimumWidth(twipsToPixels(kStatusPanelWidth));
        statusBar()->addWidget(panel, last ? 1 : 0);
        m_panels << panel;
    }
}

QAction *MainWindow::action(const QString &name) const
{
    if (QAction *found = m_actions.value(name))
        return found;
    // Items added by others (the list's context menu) are found by their name.
    return findChild<QAction *>(name);
}

void MainWindow::startUp()
{
    loadTldFilter();
    m_context.loadConfiguration();
    fillKeywordGeneratorTlds();
    // Names added before the first run get the same Length and TLD columns as
    // after it (co.uk rather than uk).
    m_context.run.suffixes.mylist(m_context.config.table.tlds());
    optionsChanged();
    restoreWindowState();
    show();
    setWindowTitle(kProductName + QStringLiteral(" v") + kVersionText);
    // The wizard comes after the question about an interrupted run, and not at
    // all when that run goes on.
    takeUpInterruptedRun();
    if (!m_context.options.hideWizard && !m_engine->running())
        openQuickStartWizard();
}

void MainWindow::takeUpInterruptedRun()
{
    QString error;
    const std::optional<RunJournal> journal = RunJournal::read(m_context.dataFolder, &error);
    if (!journal) {
        if (!error.isEmpty())
            m_context.prompter.fail(kProgramTitle, checkText::interruptedRunUnreadable(
                                                       RunJournal::path(m_context.dataFolder), error));
        return;
    }
    RunProgress progress;
    if (const auto failure = readRunProgress(m_context.dataFolder, *journal, progress)) {
        m_context.prompter.fail(
            kProgramTitle, checkText::interruptedRunUnreadable(
                               dataFile(m_context.dataFolder, QString::fromLatin1(kTempFileName)), *failure));
        return;
    }
    const qint64 finished = progress.total - progress.unfinished.size();
    if (m_context.prompter.askYesNo(kProgramTitle, checkText::interruptedRun(finished, progress.total)))
        m_engine->resume(*journal, progress);
    else
        m_engine->restoreInterrupted(*journal, progress);
    optionsChanged();
}

// ---- Running look ------------------------------------------------------------

void MainWindow::setRunLook(bool running)
{
    for (const char *name : kLockedDuringRun) {
        if (QAction *a = action(QLatin1String(name)))
            a->setEnabled(!running);
    }
    m_progressFrame->setVisible(running);
    m_workingPanel->setVisible(running);
    m_list->setVisible(!running);
}

void MainWindow::runModeOn()
{
    setRunLook(true);
    // The run rebuilds the list in its own order, and what the last import
    // did is old news.
    showSortIndicator(false);
    m_panels[4]->clear();
}

void MainWindow::runModeOff()
{
    setRunLook(false);
}

void MainWindow::clearPanelNames()
{
    m_panelNames->clear();
}

void MainWindow::printPanelName(const QString &name)
{
    m_panelNames->appendPlainText(name);
}

int MainWindow::progressFrameWidth() const
{
    return pixelsToTwips(m_progressFrame->width());
}

void MainWindow::showProgress(const QString &percentText, int barWidth)
{
    m_percentLabel->setText(percentText);
    const int width = std::clamp(twipsToPixels(barWidth), 0, m_progressFrame->width());
    m_progressBar->setGeometry(0, 0, width, m_progressFrame->height());
}

void MainWindow::showCounters(const QString &domains, const QString &free, const QString &taken,
                              const QString &unchecked)
{
    m_panels[0]->setText(domains);
    m_panels[1]->setText(free);
    m_panels[2]->setText(taken);
    m_panels[3]->setText(unchecked);
}

void MainWindow::showWaiting(const QString &text)
{
    // The last panel is free during a run (what an import did was cleared at its start).
    if (m_panels[4]->text() != text)
        m_panels[4]->setText(text);
}

void MainWindow::optionsChanged()
{
    const ProgramOptions &o = m_context.options;
    m_pushingOptions = true;
    showText(connections2, o.connections);
    showText(retrytimes2, o.retryTimes);
    showText(timeoutsecs2, o.timeoutSecs);
    showText(expiredays2, o.expireDays);
    retry2->setChecked(o.retry);
    checksel2->setChecked(o.checkSelected);
    m_pushingOptions = false;
}

void MainWindow::processEvents()
{
    QCoreApplication::processEvents();
}

// ---- Geometry ------------------------------------------------------------------

int MainWindow::clientTop() const
{
    const int menuBottom = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
    return menuBottom - centralWidget()->y();
}

void MainWindow::layOutOptions(int top)
{
    auto y = [top](int twips) { return top + twipsToPixels(twips); };
    const int gap = 6;

    // The choice boxes of the left column share one edge, moved right only when
    // a caption in this font is wider than the room the design leaves for it.
    const int captionsRight = std::max({twipsToPixels(360) + m_connectionsLabel->sizeHint().width(),
                                        twipsToPixels(360) + retry2->sizeHint().width(),
                                        twipsToPixels(360) + m_timeoutLabel->sizeHint().width()});
    const int boxLeft = std::max(twipsToPixels(2280), captionsRight + gap);
    connections2->move(boxLeft, y(945));
    retrytimes2->move(boxLeft, y(1305));
    timeoutsecs2->move(boxLeft, y(1665));
    const int boxHeight = connections2->sizeHint().height();
    for (QComboBox *box : {connections2, retrytimes2, timeoutsecs2, expiredays2})
        box->resize(box->width(), boxHeight);
    centreOn(m_connectionsLabel, twipsToPixels(360), connections2);
    centreOn(retry2, twipsToPixels(360), retrytimes2);
    centreOn(m_timeoutLabel, twipsToPixels(360), timeoutsecs2);
    const int afterBox = std::max(twipsToPixels(3570), boxLeft + connections2->width() + gap + 7);
    centreOn(m_timesLabel, afterBox, retrytimes2);
    centreOn(m_secondsLabel, afterBox, timeoutsecs2);

    const int leftColumnRight =
        std::max(m_timesLabel->geometry().right(), m_secondsLabel->geometry().right()) + 2 * gap;
    const int right = std::max(twipsToPixels(4560), leftColumnRight);
    expiredays2->move(std::max(twipsToPixels(6960), right + m_expireLabel->sizeHint().width() + gap), y(945));
    centreOn(m_expireLabel, right, expiredays2);
    centreOn(m_expireDaysLabel, expiredays2->x() + expiredays2->width() + gap + 7, expiredays2);
    centreOn(checksel2, right, retrytimes2);
    centreOn(m_selectHint, std::max(twipsToPixels(7095), checksel2->geometry().right() + gap), retrytimes2);
    centreOn(m_menuHint, right, timeoutsecs2);
}

void MainWindow::layOutForSize()
{
    // The rules work on the window's own size; the frame the window system
    // draws around it differs between desktops and is left out.
    const int width = pixelsToTwips(this->width());
    const int height = pixelsToTwips(this->height());
    const int top = std::max(clientTop(), 2 - twipsToPixels(945));
    layOutOptions(top);

    const QRect listRect(twipsToPixels(kListLeft), top + twipsToPixels(kListTop),
                         twipsToPixels(width - kListWidthMargin), twipsToPixels(height - kListHeightMargin));
    m_list->setGeometry(listRect);
    m_workingPanel->setGeometry(listRect);
    m_progressFrame->setGeometry(twipsToPixels(kProgressLeft),
                                 top + twipsToPixels(height - kProgressTopMargin),
                                 twipsToPixels(width - kProgressWidthMargin), twipsToPixels(kProgressHeight));
    m_percentLabel->setGeometry(0, 0, m_progressFrame->width(), m_progressFrame->height());
    m_progressBar->resize(std::min(m_progressBar->width(), m_progressFrame->width()),
                          m_progressFrame->height());
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (isMinimized())
        return;
    // The minimum size keeps most window systems from going smaller; this
    // catches the ones that resize regardless.
    const QSize minimum = minimumSize();
    if (width() < minimum.width() || height() < minimum.height()) {
        resize(std::max(width(), minimum.width()), std::max(height(), minimum.height()));
        return;
    }
    // The run sizes its bar in hundredths of the frame as it was before this resize.
    emit progressFrameResizing();
    layOutForSize();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    layOutForSize();
}

// ---- Window state between sessions ----------------------------------------------

int MainWindow::firstStartWidth(int screenWidth) const
{
    int columns = 0;
    for (const int twips : kColumnWidths)
        columns += twipsToPixels(twips);
    // The list keeps its margin to the window's edges and may show a
    // vertical scroll bar; the window system adds a frame of its own.
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int fitting =
        columns + twipsToPixels(kListWidthMargin) + frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int design = twipsToPixels(kStartWidth);
    const int windowFrameRoom = 40;
    if (fitting <= design || fitting + windowFrameRoom > screenWidth)
        return design;
    return fitting;
}

void MainWindow::restoreWindowState()
{
    ExtraSettings &ini = m_context.extra;
    QHeaderView *header = m_list->header();
    const QByteArray columns = ini.value(kColumnsKey).toByteArray();
    if (!columns.isEmpty() && header->restoreState(columns) && header->count() == DomainColumnCount) {
        // A state from another build could hide or shrink columns out of reach.
        for (int column = 0; column < DomainColumnCount; ++column) {
            header->setSectionHidden(column, false);
            if (header->sectionSize(column) < header->minimumSectionSize())
                m_list->setColumnWidth(column, twipsToPixels(kColumnWidths[column]));
        }
    } else {
        for (int column = 0; column < DomainColumnCount; ++column)
            m_list->setColumnWidth(column, twipsToPixels(kColumnWidths[column]));
    }

    bool isInt = false;
    const int sortColumn = ini.value(kSortColumnKey).toInt(&isInt);
    const QString order = ini.text(kSortOrderKey);
    if (isInt && sortColumn >= 0 && sortColumn < DomainColumnCount &&
        (order == kAscending || order == kDescending)) {
        // As after the header click that made it: a text column sorted downwards
        // keeps the list in that order as names come in; any other sort was done
        // once, and the list is sorted once again.
        const Qt::SortOrder sortOrder = order == kAscending ? Qt::AscendingOrder : Qt::DescendingOrder;
        if (!isNumericColumn(sortColumn) && sortOrder == Qt::DescendingOrder) {
            m_context.list.setSortKey(sortColumn, sortOrder);
            m_context.list.setAutoSort(true);
        } else {
            m_context.list.sort(sortColumn, sortOrder);
        }
        showSortIndicator(true);
    } else {
        showSortIndicator(false);
    }

    const QByteArray geometry = ini.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        return;
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const int width = firstStartWidth(available.width());
    if (width == this->width())
        return;
    // Wider than the design, it is centred on the screen rather than left
    // where the desktop would put a window of the design's size.
    resize(width, height());
    move(available.x() + (available.width() - width) / 2,
         available.y() + std::max(0, (available.height() - height()) / 2));
}

void MainWindow::saveWindowState()
{
    ExtraSettings &ini = m_context.extra;
    ini.setValue(kGeometryKey, saveGeometry());
    ini.setValue(kColumnsKey, m_list->header()->saveState());
    const bool sorted = m_list->header()->isSortIndicatorShown();
    ini.setValue(kSortColumnKey, sorted ? m_context.list.sortColumn() : -1);
    ini.setValue(kSortOrderKey, m_context.list.sortOrder() == Qt::AscendingOrder ? kAscending : kDescending);
}

void MainWindow::showSortIndicator(bool shown)
{
    QHeaderView *header = m_list->header();
    header->setSortIndicatorShown(shown);
    if (shown)
        header->setSortIndicator(m_context.list.sortColumn(), m_context.list.sortOrder());
}

// ---- Closing -------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_context.run.stopped) {
        m_context.prompter.warn(kProgramTitle, kStopBeforeExitText);
        event->ignore();
        return;
    }
    showExitFeedback();
    saveWindowState();
    m_context.saveConfiguration();
    event->accept();
    closeOtherWindows();
}

void MainWindow::showExitFeedback()
{
    // There is no feedback server of our own: the form appears only where the
    // user has named one in quorvane.ini.
    const FeedbackServerSetting setting = feedbackServerSetting(m_context.extra);
    if (!setting.problem.isEmpty())
        m_context.prompter.warn(kProgramTitle, setting.problem);
    if (!setting.server)
        return;
    FeedbackForm form(m_context.prompter, *setting.server, currentFeedbackSystem(), this);
    form.exec();
}

void MainWindow::closeOtherWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
}

// ---- Commands --------------------------------------------------------------------

void MainWindow::openDomainSources()
{
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = this;
    DomainSource source = DomainSource::None;
    {
        DomainSourcesWindow window(m_context, owner);
        window.exec();
        source = window.chosenSource();
    } // gone before the chosen window opens
    switch (source) {
    case DomainSource::None:
        break;
    case DomainSource::Keywords: {
        KeywordGeneratorWindow &keywords = keywordGenerator();
        keywords.addTlds(m_context.config.table.tlds());
        keywords.exec();
        break;
    }
    case DomainSource::Manual: {
        ManualAddWindow window(m_context, owner);
        window.exec();
        break;
    }
    case DomainSource::WebSearch: {
        // Its "export and start checking" box starts ticked, except while the
        // quick start wizard is open: the wizard starts the run itself.
        WebSearchWindow window(
            m_context, [this] { emit startRequested(); }, this);
        window.setExportWhenDone(!m_context.wizardMode);
        window.exec();
        break;
    }
    case DomainSource::Misspellings: {
        MisspellingGeneratorWindow window(m_context, owner);
        window.exec();
        break;
    }
    case DomainSource::LoadFile:
    case DomainSource::ExtractFile: {
        const ImportRule rule = source == DomainSource::LoadFile ? ImportRule::Load : ImportRule::Extract;
        const QString summary = importDomainsFromFile(m_context, rule, owner);
        if (!summary.isEmpty())
            m_panels[4]->setText(summary);
        afterListChange();
        break;
    }
    }
}

KeywordGeneratorWindow &MainWindow::keywordGenerator()
{
    if (!m_keywordGenerator)
        m_keywordGenerator = new KeywordGeneratorWindow(m_context, KeywordSeparator::Both, this);
    return *m_keywordGenerator;
}

void MainWindow::fillKeywordGeneratorTlds()
{
    // Created here with the separator settings.ini gave, and with every
    // built-in suffix on offer (none ticked).
    if (!m_keywordGenerator) {
        m_keywordGenerator = new KeywordGeneratorWindow(
            m_context, static_cast<KeywordSeparator>(std::clamp(m_context.options.keywordSeparator, 0, 2)),
            this);
    }
    m_keywordGenerator->addTlds(TldSuffixList::builtinSuffixes());
}

void MainWindow::openManualLookup()
{
    ManualLookupWindow window(m_context, this);
    window.exec();
}

void MainWindow::openResultExport()
{
    // Created once and hidden by its "Close", so its choices last.
    if (!m_exportWindow)
        m_exportWindow = new ResultExportWindow(m_context, this);
    m_exportWindow->exec();
}

void MainWindow::openSettings()
{
    SettingsWindow window(m_context.config, m_context.options, m_context.extra, m_context.prompter, this);
    window.exec();
    // Names added from now on take their TLD from the table as it is now (the
    // window cannot open during a run, which keeps its own copy).
    m_context.run.suffixes.mylist(m_context.config.table.tlds());
}

void MainWindow::openQuickStartWizard()
{
    QuickStartWizardWindow wizard(
        m_context, [this] { openDomainSources(); },
        [this] {
            // The wizard has set the options; the boxes show what the run will use.
            optionsChanged();
            m_engine->allstarter();
        },
        this);
    wizard.exec();
}

void MainWindow::openSupportPage()
{
    if (m_opener)
        m_opener(QUrl(kSupportUrl));
}

void MainWindow::openVersionHistory()
{
    VersionHistoryWindow window(this);
    window.exec();
}

void MainWindow::openAbout()
{
    AboutWindow window(kProductName, kVersionText, m_opener, this);
    window.exec();
}

// ---- The list's context menu, sorting and maintenance commands -------------------

void MainWindow::createListCommands()
{
    using namespace listtext;
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("popup"));
    auto item = [this](QMenu *menu, const char *name, const QString &caption, auto slot,
                       const QIcon &icon = {}) {
        QAction *a = menu->addAction(icon, caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto submenu = [this](const char *name, const QString &caption) {
        QMenu *menu = m_popup->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    auto rebuilt = [this](RebuildOutcome) { afterListChange(); };

    item(m_popup, "openwebsite", kOpenWebsite, &MainWindow::openwebsite, programIcon(ProgramIcon::Website));
    item(m_popup, "mwl", kShowWhoisResponse, &MainWindow::mwl);
    m_popup->addSeparator();
    item(m_popup, "checkalldom", kCheckAll, &MainWindow::checkalldom);
    item(m_popup, "checkseldom", kCheckSelected, &MainWindow::checkseldom);
    m_popup->addSeparator();
    QMenu *plain = submenu("expplain", kExportPlain);
    item(plain, "expplainsel", kOnlySelected, [this] { ExportPlain(m_context, true); });
    item(plain, "expplainall", kAllDomains, [this] { ExportPlain(m_context, false); });
    m_popup->addSeparator();
    QMenu *select = submenu("seldommenu", kSelectDomains);
    item(select, "selectall", kSelectAll, [this] { selectall(m_context.list); });
    item(select, "unselectall", kUnselectAll, [this] { unselectall(m_context.list); });
    item(select, "selectinverse", kSelectInverse, [this] { selectinverse(m_context.list); });
    m_popup->addSeparator();
    QMenu *remove = submenu("deldommenu", kDeleteDomains);
    item(remove, "deleteselected", kDeleteSelected, [this, rebuilt] { rebuilt(deleteselected(m_context)); });
    item(remove, "delregistered", kDeleteTaken,
         [this, rebuilt] { rebuilt(DeleteByStatus(m_context, cellText::taken(), false)); });
    item(remove, "delfree", kDeleteFree,
         [this, rebuilt] { rebuilt(DeleteByStatus(m_context, cellText::free(), false)); });
    item(remove, "delunchecked", kDeleteUnchecked,
         [this, rebuilt] { rebuilt(DeleteByStatus(m_context, cellText::notAvailable(), true)); });
    m_popup->addSeparator();
    item(m_popup, "clearlist", kClearList, [this] {
        if (clearlist(m_context))
            afterListChange();
    });
    m_popup->addSeparator();
    item(m_popup, "deletekeepstrings", kStringFilterCaption, &MainWindow::openStringFilter);
    item(m_popup, "deletekeep", kTldFilterCaption, &MainWindow::openTldFilter);

    // The menu opens when the right button comes up over the list (or from the
    // keyboard's menu key), never from the platform's own context-menu event,
    // which some systems send already when the button goes down.
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    m_list->header()->setSectionsClickable(true);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &MainWindow::sortByHeader);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (m_list && watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::RightButton)
                showListMenu(mouse->globalPosition().toPoint());
        } else if (event->type() == QEvent::ContextMenu) {
            return true;
        }
    } else if (m_list && watched == m_list && event->type() == QEvent::ContextMenu) {
        const auto *menu = static_cast<QContextMenuEvent *>(event);
        if (menu->reason() == QContextMenuEvent::Keyboard) {
            const QModelIndex current = m_list->currentIndex();
            const QRect rect = current.isValid() ? m_list->visualRect(current) : QRect();
            showListMenu(m_list->viewport()->mapToGlobal(rect.isValid() ? rect.bottomLeft() : QPoint(0, 0)));
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showListMenu(const QPoint &globalPos)
{
    if (m_context.list.size() == 0 || !m_context.run.stopped)
        return;
    m_popup->exec(globalPos);
}

int MainWindow::currentRow() const
{
    const QModelIndex current = m_context.list.selectionModel()->currentIndex();
    return current.isValid() && current.row() < m_context.list.size() ? current.row() : -1;
}

void MainWindow::openwebsite()
{
    const int row = currentRow();
    if (row < 0 || !m_opener)
        return;
    m_opener(QUrl(QStringLiteral("http://") + m_context.list.rowAt(row).cells[ColDomain]));
}

void MainWindow::mwl()
{
    const int row = currentRow();
    if (row < 0)
        return;
    ManualLookupWindow window(m_context, this);
    window.openForDomain(m_context.list.rowAt(row).cells[ColDomain]);
    window.exec();
}

void MainWindow::checkalldom()
{
    checksel2->setChecked(false);
    emit startRequested();
}

void MainWindow::checkseldom()
{
    checksel2->setChecked(true);
    emit startRequested();
}

void MainWindow::sortByHeader(int section)
{
    // The run addresses the list's rows while it works. The header has
    // turned its indicator already; it is set back to what the list says.
    if (!m_context.run.stopped) {
        showSortIndicator(m_list->header()->isSortIndicatorShown());
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sortByHeaderClick(m_context.list, section);
    showSortIndicator(true);
    QApplication::restoreOverrideCursor();
}

void MainWindow::loadTldFilter()
{
    // Filled once, from the built-in table and suffixes: the window lists what
    // the program knows from the start, whatever the settings file adds later.
    TldServerTable defaults;
    deftlds(defaults);
    if (!m_tldFilter)
        m_tldFilter = std::make_unique<TldFilterWindow>(m_context);
    m_tldFilter->addTlds(tldFilterRows(defaults.tlds()));
}

void MainWindow::openTldFilter()
{
    if (!m_tldFilter)
        loadTldFilter();
    m_tldFilter->setWindowIcon(windowIcon());
    // It has no owner to be placed over by itself.
    centreOver(m_tldFilter.get(), this);
    m_tldFilter->exec();
    afterListChange();
}

void MainWindow::openStringFilter()
{
    if (m_context.list.size() == 0)
        return;
    if (!m_stringFilter)
        m_stringFilter = new StringFilterWindow(m_context, this);
    m_stringFilter->exec();
    afterListChange();
}

void MainWindow::afterListChange()
{
    // The status bar counts the rows now, not at the next refresh.
    m_engine->updater();
}
