#include "settingswindow.h"

#include "base/idn.h"
#include "base/prompter.h"
#include "config/deftlds.h"
#include "config/dnssettings.h"
#include "config/extrasettings.h"
#include "config/pacingsetting.h"
#include "config/programoptions.h"
#include "config/publicsuffixes.h"
#include "config/rdapbootstrap.h"
#include "config/recognitionsetting.h"
#include "config/settingstexts.h"
#include "config/tldentrydialog.h"
#include "config/tldservertable.h"
#include "widgets/controls.h"
#include "widgets/helpballoonwidget.h"
#include "widgets/widgetunits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace settingstexts;

namespace {

constexpr int kCountIntervalMs = 200;
constexpr int kWidth = 9600;
constexpr int kHeight = 7200;
// Where each balloon opens (twips, in the window): right-aligned under its
// "Tell me more" label, or above it for the label near the bottom edge.
constexpr int kBalloonLeft = 4440;
constexpr int kTldBalloonTop = 1500;
constexpr int kFreeBalloonTop = 3450;
constexpr int kErrorBalloonTop = 4000;
constexpr int kSettingsBalloonTop = 1100;

QTreeWidget *makeList(const QString &name, const QString &accessibleName, const QStringList &columns,
                      QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setAccessibleName(accessibleName);
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->setStretchLastSection(true);
    return list;
}

void selectRow(QTreeWidget *list, int row)
{
    if (row < 0 || row >= list->topLevelItemCount())
        return;
    QTreeWidgetItem *item = list->topLevelItem(row);
    list->setCurrentItem(item);
    list->scrollToItem(item);
}

} // namespace

SettingsWindow::SettingsWindow(WhoisConfig &config, ProgramOptions &options, ExtraSettings &extra,
                               Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_config(config)
    , m_options(options)
    , m_extra(extra)
    , m_prompter(prompter)
    , m_free{&WhoisConfig::freeResponses, &WhoisConfig::restorefreeresponses}
    , m_error{&WhoisConfig::errorResponses, &WhoisConfig::restorefailedresponses}
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(kTitle);
    if (parent)
        setWindowIcon(parent->windowIcon());

    m_balloon = new HelpBalloonWidget(this);

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("settingsTabs"));
    tabs->addTab(createTldTab(), kTldTab);
    tabs->addTab(createResponseTab(), kResponseTab);
    tabs->addTab(createSettingsTab(), kSettingsTab);

    auto *close = makeButton(QStringLiteral("closeButton"), QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);
    resize(twipsToPixels(kWidth), twipsToPixels(kHeight));

    refreshTldList(-1);
    refreshResponses(ResponseList::Free);
    refreshResponses(ResponseList::Error);
    refreshCount();
    m_countTimer.setObjectName(QStringLiteral("countTimer"));
    m_countTimer.setInterval(kCountIntervalMs);
    connect(&m_countTimer, &QTimer::timeout, this, &SettingsWindow::refreshCount);
    m_countTimer.start();
}

SettingsWindow::~SettingsWindow() = default;

// ---- Building ------------------------------------------------------------------

QLabel *SettingsWindow::createHelpLabel(const QString &name, const QString &text, int top, int left)
{
    auto *label = new QLabel(kTellMeMore);
    label->setObjectName(name);
    label->setCursor(Qt::WhatsThisCursor);
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    label->setForegroundRole(QPalette::Link);
    m_balloon->attachTrigger(label, text, top, left);
    return label;
}

QWidget *SettingsWindow::createTldTab()
{
    auto *tab = new QWidget;
    auto *box = new QGroupBox(kTldList, tab);
    m_tldList =
        makeList(QStringLiteral("tldList"), kTldList,
                 {QStringLiteral("TLD"), QStringLiteral("Server(s)"), QStringLiteral("Free response")}, box);
    m_tldList->setColumnWidth(0, twipsToPixels(1200));
    m_tldList->setColumnWidth(1, twipsToPixels(4200));
    connect(m_tldList, &QTreeWidget::itemDoubleClicked, this, &SettingsWindow::editTldEntry);

    auto *add = makeButton(QStringLiteral("tldAddButton"), QStringLiteral("Add"), box);
    auto *edit = makeButton(QStringLiteral("tldEditButton"), QStringLiteral("Edit"), box);
    auto *remove = makeButton(QStringLiteral("tldDeleteButton"), QStringLiteral("Delete"), box);
    auto *clear = makeButton(QStringLiteral("tldClearButton"), QStringLiteral("Clear"), box);
    auto *restore = makeButton(QStringLiteral("tldRestoreButton"), QStringLiteral("Restore default"), box);
    connect(add, &QPushButton::clicked, this, &SettingsWindow::addTldEntry);
    connect(edit, &QPushButton::clicked, this, &SettingsWindow::editTldEntry);
    connect(remove, &QPushButton::clicked, this, &SettingsWindow::deleteTldEntry);
    connect(clear, &QPushButton::clicked, this, &SettingsWindow::clearTldEntries);
    connect(restore, &QPushButton::clicked, this, &SettingsWindow::restoreTldEntries);

    m_count = new QLabel(box);
    m_count->setObjectName(QStringLiteral("countLabel"));

    auto *help = createHelpLabel(QStringLiteral("tldHelpLabel"), kTldHelp, kTldBalloonTop, kBalloonLeft);
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(help);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, edit, remove, clear, restore})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->addLayout(top);
    boxLayout->addWidget(m_tldList, 1);
    boxLayout->addLayout(buttons);
    boxLayout->addWidget(m_count);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(box);
    return tab;
}

QWidget *SettingsWindow::createResponseBox(ResponseList list, const QString &prefix, const QString &title,
                                           const QString &help, int balloonTop)
{
    ResponseControls &c = controls(list);
    auto *box = new QGroupBox(title);
    c.view = makeList(prefix + QStringLiteral("List"), title, {QStringLiteral("Response")}, box);
    c.input = new QLineEdit(box);
    c.input->setObjectName(prefix + QStringLiteral("Input"));
    c.input->setAccessibleName(QStringLiteral("New response for ") + title);
    auto *add = makeButton(prefix + QStringLiteral("AddButton"), QStringLiteral("Add"), box);
    auto *remove = makeButton(prefix + QStringLiteral("DeleteButton"), QStringLiteral("Delete"), box);
    auto *clear = makeButton(prefix + QStringLiteral("ClearButton"), QStringLiteral("Clear"), box);
    auto *restore =
        makeButton(prefix + QStringLiteral("RestoreButton"), QStringLiteral("Restore default"), box);
    connect(add, &QPushButton::clicked, this, [this, list] { addResponse(list); });
    connect(c.input, &QLineEdit::returnPressed, this, [this, list] { addResponse(list); });
    connect(remove, &QPushButton::clicked, this, [this, list] { deleteResponse(list); });
    connect(clear, &QPushButton::clicked, this, [this, list] { clearResponses(list); });
    connect(restore, &QPushButton::clicked, this, [this, list] { restoreResponses(list); });

    auto *entry = new QHBoxLayout;
    entry->addWidget(c.input, 1);
    entry->addWidget(add);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {remove, clear, restore})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(createHelpLabel(prefix + QStringLiteral("HelpLabel"), help, balloonTop, kBalloonLeft));
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(c.view, 1);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    return box;
}

QWidget *SettingsWindow::createResponseTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(
        createResponseBox(ResponseList::Free, QStringLiteral("free"), kFreeList, kFreeHelp, kFreeBalloonTop));
    layout->addWidget(createResponseBox(ResponseList::Error, QStringLiteral("error"), kErrorList, kErrorHelp,
                                        kErrorBalloonTop));
    return tab;
}

QWidget *SettingsWindow::createSettingsTab()
{
    auto *tab = new QWidget;
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(createHelpLabel(QStringLiteral("settingsHelpLabel"), kSettingsHelp, kSettingsBalloonTop,
                                   kBalloonLeft));
    m_settingsRows = new QVBoxLayout;
    auto *layout = new QVBoxLayout(tab);
    layout->addLayout(top);
    layout->addLayout(m_settingsRows);
    layout->addStretch();
    buildSettingsRows();
    return tab;
}

void SettingsWindow::buildSettingsRows()
{
    addCheckRow(
        QStringLiteral("hideWizardCheck"), kHideWizard, [this] { return m_options.hideWizard; },
        [this](bool on) { m_options.hideWizard = on; });
    addCheckRow(
        QStringLiteral("recognitionCheck"), kRecognitionCaption,
        [this] { return recognitionSetting(m_extra); },
        [this](bool on) { setRecognitionSetting(m_extra, on); }, kRecognitionToolTip);
    addCheckRow(
        QStringLiteral("publicSuffixesCheck"), kPublicSuffixesCaption,
        [this] { return publicSuffixesSetting(m_extra); },
        [this](bool on) { setPublicSuffixesSetting(m_extra, on); }, kPublicSuffixesToolTip);
    addChoiceRow(
        QStringLiteral("rdapModeCombo"), kRdapModeCaption, kRdapModeChoices,
        [this] { return static_cast<int>(rdapModeSetting(m_extra).mode); },
        [this](int index) { setRdapMode(m_extra, static_cast<RdapMode>(index)); },
        QStringLiteral(
            "RDAP servers answer over HTTPS where port-43 WHOIS has been switched off. The program "
            "ships the registry of which RDAP server serves which TLD (rdap-dns.json in the data "
            "folder replaces it); this chooses when a check asks those servers."));
    addChoiceRow(
        QStringLiteral("dnsModeCombo"), kDnsModeCaption, kDnsModeChoices,
        [this] { return static_cast<int>(dnsSettings(m_extra).mode); },
        [this](int index) { setDnsMode(m_extra, static_cast<DnsMode>(index)); }, kDnsModeToolTip);
    addChoiceRow(
        QStringLiteral("pacingModeCombo"), kPacingModeCaption, kPacingModeChoices,
        [this] { return pacingSetting(m_extra).adaptive ? 0 : 1; },
        [this](int index) { setPacingMode(m_extra, index == 0); }, kPacingModeToolTip);
}

QCheckBox *SettingsWindow::addCheckRow(const QString &name, const QString &caption, std::function<bool()> get,
                                       std::function<void(bool)> set, const QString &toolTip)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(name);
    box->setToolTip(toolTip);
    box->setChecked(get());
    connect(box, &QCheckBox::toggled, this, [set = std::move(set)](bool on) { set(on); });
    m_settingsRows->addWidget(box);
    return box;
}

QComboBox *SettingsWindow::addChoiceRow(const QString &name, const QString &caption,
                                        const QStringList &choices, std::function<int()> get,
                                        std::function<void(int)> set, const QString &toolTip)
{
    auto *label = new QLabel(caption);
    auto *box = new QComboBox;
    box->setObjectName(name);
    box->setAccessibleName(caption);
    box->setToolTip(toolTip);
    box->addItems(choices);
    box->setCurrentIndex(get());
    label->setBuddy(box);
    connect(box, &QComboBox::currentIndexChanged, this, [set = std::move(set)](int index) {
        if (index >= 0)
            set(index);
    });
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(box);
    row->addStretch();
    m_settingsRows->addLayout(row);
    return box;
}

// ---- Showing ---------------------------------------------------------------------

void SettingsWindow::refreshTldList(int select)
{
    m_tldList->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_config.table.count());
    for (const TldEntry &entry : m_config.table.rows()) {
        auto *item = new QTreeWidgetItem(QStringList{entry.tld, entry.servers, entry.freeResponse});
        // "XN--P1AI" is the TLD the user knows as "рф".
        if (const QString shown = unicodeName(entry.key); shown != entry.key)
            item->setToolTip(0, shown);
        items << item;
    }
    m_tldList->addTopLevelItems(items);
    selectRow(m_tldList, select);
}

void SettingsWindow::refreshResponses(ResponseList list)
{
    ResponseControls &c = controls(list);
    const int current = c.view->currentIndex().row();
    c.view->clear();
    QList<QTreeWidgetItem *> items;
    for (const QString &line : std::as_const(m_config.*c.lines))
        items << new QTreeWidgetItem(QStringList{line});
    c.view->addTopLevelItems(items);
    selectRow(c.view, std::min(current, c.view->topLevelItemCount() - 1));
}

QString SettingsWindow::countText() const
{
    return kCountBefore + QString::number(m_config.table.count()) + kCountAfter;
}

void SettingsWindow::refreshCount()
{
    m_count->setText(countText());
}

int SettingsWindow::selectedTldRow() const
{
    const QList<QTreeWidgetItem *> selected = m_tldList->selectedItems();
    return selected.isEmpty() ? -1 : m_tldList->indexOfTopLevelItem(selected.first());
}

SettingsWindow::ResponseControls &SettingsWindow::controls(ResponseList list)
{
    return list == ResponseList::Free ? m_free : m_error;
}

// ---- TLD commands ------------------------------------------------------------------

void SettingsWindow::addTldEntry()
{
    TldEntryDialog editor(m_config.table, m_prompter, TldEntryDialog::Mode::Add, -1, this);
    if (editor.exec() == QDialog::Accepted)
        refreshTldList(editor.row());
}

void SettingsWindow::editTldEntry()
{
    const int row = selectedTldRow();
    if (row < 0)
        return;
    TldEntryDialog editor(m_config.table, m_prompter, TldEntryDialog::Mode::Edit, row, this);
    if (editor.exec() == QDialog::Accepted)
        refreshTldList(row);
}

void SettingsWindow::deleteTldEntry()
{
    const int row = selectedTldRow();
    if (row < 0)
        return;
    m_config.table.removeRow(row);
    refreshTldList(std::min(row, m_config.table.count() - 1));
}

void SettingsWindow::clearTldEntries()
{
    if (!m_prompter.askYesNo(kProgramTitle, kClearQuestion, PromptIcon::Exclamation))
        return;
    m_config.table.clear();
    refreshTldList(-1);
}

void SettingsWindow::restoreTldEntries()
{
    TldServerTable &table = m_config.table;
    if (table.count() > 0 &&
        !m_prompter.askYesNo(kProgramTitle, kRestoreTldQuestion, PromptIcon::Exclamation, false))
        return;
    table.clear();
    deftlds(table);
    refreshTldList(-1);
}

// ---- Response commands ---------------------------------------------------------------

void SettingsWindow::addResponse(ResponseList list)
{
    ResponseControls &c = controls(list);
    const QString text = c.input->text();
    if (text.isEmpty())
        return;
    // Kept as typed: the check lowers responses for itself.
    (m_config.*c.lines).append(text);
    c.input->clear();
    refreshResponses(list);
    selectRow(c.view, c.view->topLevelItemCount() - 1);
}

void SettingsWindow::deleteResponse(ResponseList list)
{
    ResponseControls &c = controls(list);
    const QList<QTreeWidgetItem *> selected = c.view->selectedItems();
    if (selected.isEmpty())
        return;
    (m_config.*c.lines).removeAt(c.view->indexOfTopLevelItem(selected.first()));
    refreshResponses(list);
}

void SettingsWindow::clearResponses(ResponseList list)
{
    if (!m_prompter.askYesNo(kProgramTitle, kClearQuestion, PromptIcon::Exclamation))
        return;
    (m_config.*controls(list).lines).clear();
    refreshResponses(list);
}

void SettingsWindow::restoreResponses(ResponseList list)
{
    (m_config.*controls(list).restore)();
    refreshResponses(list);
}

void SettingsWindow::done(int result)
{
    m_countTimer.stop();
    QDialog::done(result);
}
