#include "misspellinggeneratorwindow.h"

#include "base/textfile.h"
#include "config/publicsuffixes.h"
#include "engine/appcontext.h"
#include "engine/domainsyntax.h"
#include "sources/adddomain.h"
#include "sources/misspellings.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"
#include "widgets/controls.h"
#include "widgets/widgetunits.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

} // namespace

MisspellingGeneratorWindow::MisspellingGeneratorWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("misspellingGeneratorWindow"));
    setWindowTitle(kMisspellingGeneratorCaption);
    if (parent)
        setWindowIcon(parent->windowIcon());
    // The TLD split below must know the TLDs of the current server table.
    m_context.run.suffixes.mylist(m_context.config.table.tlds());
    m_context.run.suffixes.setPublicSuffixes(publicSuffixesFor(m_context.extra));

    const QString loadedCaption = QStringLiteral("Loaded domains (");
    const QString generatedCaption = QStringLiteral("Generated domains (");

    auto *loadedFrame = new QGroupBox(loadedCaption + QStringLiteral("0)"), this);
    loadedFrame->setObjectName(QStringLiteral("loadedFrame"));
    auto *domainLabel = new QLabel(QStringLiteral("Domain"), loadedFrame);
    domainLabel->setObjectName(QStringLiteral("domainLabel"));
    m_domainBox = new QLineEdit(loadedFrame);
    m_domainBox->setObjectName(QStringLiteral("domainBox"));
    m_domainBox->setAccessibleName(QStringLiteral("Domain"));
    domainLabel->setBuddy(m_domainBox);
    auto *add = makeButton(QStringLiteral("addButton"), QStringLiteral("Add"), loadedFrame);
    connect(add, &QPushButton::clicked, this, &MisspellingGeneratorWindow::addTyped);
    connect(m_domainBox, &QLineEdit::returnPressed, this, &MisspellingGeneratorWindow::addTyped);
    m_loaded = new NameListModel(QStringLiteral("Domain"), false, this);
    auto *loadedView = makeRowListView(QStringLiteral("loadedList"), QStringLiteral("Loaded domains"),
                                       m_loaded, loadedFrame);
    auto *load = makeButton(QStringLiteral("loadButton"), QStringLiteral("Load domains.."), loadedFrame);
    auto *clearLoaded = makeButton(QStringLiteral("clearLoadedButton"), QStringLiteral("Clear"), loadedFrame);
    auto *deleteLoaded =
        makeButton(QStringLiteral("deleteLoadedButton"), QStringLiteral("Delete"), loadedFrame);
    auto *saveLoaded =
        makeButton(QStringLiteral("saveLoadedButton"), QStringLiteral("Save to file.."), loadedFrame);
    m_loadedPart = {m_loaded, loadedView, loadedFrame, loadedCaption};
    connect(load, &QPushButton::clicked, this, &MisspellingGeneratorWindow::loadDomains);
    connect(clearLoaded, &QPushButton::clicked, this, [this] { clearList(m_loadedPart); });
    connect(deleteLoaded, &QPushButton::clicked, this, [this] { deleteSelected(m_loadedPart); });
    connect(saveLoaded, &QPushButton::clicked, this,
            [this] { saveNameListAs(*m_loaded, m_context.prompter); });
    auto *entry = new QHBoxLayout;
    entry->addWidget(domainLabel);
    entry->addWidget(m_domainBox, 1);
    entry->addWidget(add);
    auto *loadedButtons = new QGridLayout;
    loadedButtons->addWidget(load, 0, 0);
    loadedButtons->addWidget(clearLoaded, 0, 1);
    loadedButtons->addWidget(deleteLoaded, 1, 0);
    loadedButtons->addWidget(saveLoaded, 1, 1);
    auto *loadedLayout = new QVBoxLayout(loadedFrame);
    loadedLayout->addLayout(entry);
    loadedLayout->addWidget(loadedView, 1);
    loadedLayout->addLayout(loadedButtons);

    auto *generateButton = makeButton(QStringLiteral("generateButton"), QStringLiteral("Generate"), this);
    connect(generateButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::generate);

    auto *generatedFrame = new QGroupBox(generatedCaption + QStringLiteral("0)"), this);
    generatedFrame->setObjectName(QStringLiteral("generatedFrame"));
    m_generated = new NameListModel(QStringLiteral("Domain"), false, this);
    auto *generatedView = makeRowListView(QStringLiteral("generatedList"),
                                          QStringLiteral("Generated domains"), m_generated, generatedFrame);
    auto *saveGenerated =
        makeButton(QStringLiteral("saveGeneratedButton"), QStringLiteral("Save to file.."), generatedFrame);
    auto *deleteGenerated =
        makeButton(QStringLiteral("deleteGeneratedButton"), QStringLiteral("Delete"), generatedFrame);
    auto *clearGenerated =
        makeButton(QStringLiteral("clearGeneratedButton"), QStringLiteral("Clear"), generatedFrame);
    auto *exportButton =
        makeButton(QStringLiteral("exportButton"), QStringLiteral("Export to main"), generatedFrame);
    m_generatedPart = {m_generated, generatedView, generatedFrame, generatedCaption};
    connect(saveGenerated, &QPushButton::clicked, this,
            [this] { saveNameListAs(*m_generated, m_context.prompter); });
    connect(deleteGenerated, &QPushButton::clicked, this, [this] { deleteSelected(m_generatedPart); });
    connect(clearGenerated, &QPushButton::clicked, this, [this] { clearList(m_generatedPart); });
    connect(exportButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::exportGenerated);
    auto *generatedButtons = new QGridLayout;
    generatedButtons->addWidget(saveGenerated, 0, 0);
    generatedButtons->addWidget(deleteGenerated, 0, 1);
    generatedButtons->addWidget(clearGenerated, 1, 0);
    generatedButtons->addWidget(exportButton, 1, 1);
    auto *generatedLayout = new QVBoxLayout(generatedFrame);
    generatedLayout->addWidget(generatedView, 1);
    generatedLayout->addLayout(generatedButtons);

    auto *closeButton = makeButton(QStringLiteral("closeButton"), QStringLiteral("Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::closeWindow);

    auto *middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(generateButton);
    middle->addStretch();
    auto *lists = new QHBoxLayout;
    lists->addWidget(loadedFrame, 1);
    lists->addLayout(middle);
    lists->addWidget(generatedFrame, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);

    resize(twipsToPixels(10200), twipsToPixels(6000));
}

void MisspellingGeneratorWindow::showCount(const ListPart &part)
{
    part.frame->setTitle(part.caption + QString::number(part.model->size()) + u')');
}

void MisspellingGeneratorWindow::deleteSelected(const ListPart &part)
{
    if (part.model->isEmpty())
        return;
    const QModelIndexList selected = part.view->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        part.model->removeAt(selected.first().row());
    showCount(part);
}

void MisspellingGeneratorWindow::clearList(const ListPart &part)
{
    if (clearNameList(*part.model, m_context.prompter))
        showCount(part);
}

void MisspellingGeneratorWindow::loadDomains()
{
    loadNameListFrom(*m_loaded, m_context.prompter);
    showCount(m_loadedPart);
}

void MisspellingGeneratorWindow::addTyped()
{
    // Not lower-cased: a name typed with capitals fails the check and stays
    // in the box for the user to correct.
    const QString name = trimSpaces(m_domainBox->text()).toString();
    if (name.isEmpty() || !isValidDomain(name) || !m_loaded->add(name))
        return;
    m_domainBox->clear();
    m_domainBox->setFocus();
    showCount(m_loadedPart);
}

void MisspellingGeneratorWindow::generate()
{
    Prompter &prompter = m_context.prompter;
    if (m_loaded->isEmpty()) {
        prompter.warn(kProgramTitle, kLoadDomainsFirstText);
        return;
    }
    generateMisspellings(m_loaded->names(), m_context.run.suffixes, *m_generated, [&prompter] {
        return prompter.askYesNo(kProgramTitle, kManyMisspellingsQuestion, PromptIcon::Exclamation);
    });
    showCount(m_generatedPart);
}

void MisspellingGeneratorWindow::exportGenerated()
{
    if (m_generated->isEmpty())
        return;
    exporttomain(m_context.list, m_context.run.suffixes, m_generated->names(), m_context.prompter);
    // Names the user chose not to hand over at the many-rows question go too.
    m_generated->clear();
    showCount(m_generatedPart);
}

void MisspellingGeneratorWindow::closeWindow()
{
    const int count = m_generated->size();
    if (count > 0 && offerValidDomains(m_context.prompter, count)) {
        DomainListModel &list = m_context.list;
        list.beginAppend();
        for (int row = 0; row < count; ++row) {
            QString name = m_generated->at(row);
            adddomain(list, m_context.run.suffixes, name);
        }
        list.endAppend();
    }
    accept();
}
