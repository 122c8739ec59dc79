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
#include "widgets/generatedlistwidget.h"
#include "widgets/widgetunits.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

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

    auto *loadedFrame = new QGroupBox(loadedCaption + QStringLiteral("0)"), this);
    m_loadedFrame = loadedFrame;
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
    m_loadedView = makeRowListView(QStringLiteral("loadedList"), QStringLiteral("Loaded domains"), m_loaded,
                                   loadedFrame);
    auto *load = makeButton(QStringLiteral("loadButton"), QStringLiteral("Load domains.."), loadedFrame);
    auto *clearLoaded = makeButton(QStringLiteral("clearLoadedButton"), QStringLiteral("Clear"), loadedFrame);
    auto *deleteButton =
        makeButton(QStringLiteral("deleteLoadedButton"), QStringLiteral("Delete"), loadedFrame);
    auto *saveLoaded =
        makeButton(QStringLiteral("saveLoadedButton"), QStringLiteral("Save to file.."), loadedFrame);
    connect(load, &QPushButton::clicked, this, &MisspellingGeneratorWindow::loadDomains);
    connect(clearLoaded, &QPushButton::clicked, this, [this] {
        if (clearNameList(*m_loaded, m_context.prompter))
            showCount();
    });
    connect(deleteButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::deleteLoaded);
    connect(saveLoaded, &QPushButton::clicked, this,
            [this] { saveNameListAs(*m_loaded, m_context.prompter); });
    auto *entry = new QHBoxLayout;
    entry->addWidget(domainLabel);
    entry->addWidget(m_domainBox, 1);
    entry->addWidget(add);
    auto *loadedButtons = new QGridLayout;
    loadedButtons->addWidget(load, 0, 0);
    loadedButtons->addWidget(clearLoaded, 0, 1);
    loadedButtons->addWidget(deleteButton, 1, 0);
    loadedButtons->addWidget(saveLoaded, 1, 1);
    auto *loadedLayout = new QVBoxLayout(loadedFrame);
    loadedLayout->addLayout(entry);
    loadedLayout->addWidget(m_loadedView, 1);
    loadedLayout->addLayout(loadedButtons);

    auto *generateButton = makeButton(QStringLiteral("generateButton"), QStringLiteral("Generate"), this);
    connect(generateButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::generate);

    m_generated = new GeneratedListWidget(m_context, this);

    auto *closeButton = makeButton(QStringLiteral("closeButton"), QStringLiteral("Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &MisspellingGeneratorWindow::closeWindow);

    auto *middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(generateButton);
    middle->addStretch();
    auto *lists = new QHBoxLayout;
    lists->addWidget(loadedFrame, 1);
    lists->addLayout(middle);
    lists->addWidget(m_generated, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);

    resize(twipsToPixels(10200), twipsToPixels(6000));
}

void MisspellingGeneratorWindow::showCount()
{
    m_loadedFrame->setTitle(QStringLiteral("Loaded domains (") + QString::number(m_loaded->size()) + u')');
}

void MisspellingGeneratorWindow::deleteLoaded()
{
    if (m_loaded->isEmpty())
        return;
    const QModelIndexList selected = m_loadedView->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        m_loaded->removeAt(selected.first().row());
    showCount();
}

NameListModel &MisspellingGeneratorWindow::generatedList() const
{
    return m_generated->names();
}

void MisspellingGeneratorWindow::loadDomains()
{
    loadNameListFrom(*m_loaded, m_context.prompter);
    showCount();
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
    showCount();
}

void MisspellingGeneratorWindow::generate()
{
    Prompter &prompter = m_context.prompter;
    if (m_loaded->isEmpty()) {
        prompter.warn(kProgramTitle, kLoadDomainsFirstText);
        return;
    }
    generateMisspellings(m_loaded->names(), m_context.run.suffixes, m_generated->names(), [&prompter] {
        return prompter.askYesNo(kProgramTitle, kManyMisspellingsQuestion, PromptIcon::Exclamation);
    });
    m_generated->showCount();
}

void MisspellingGeneratorWindow::closeWindow()
{
    const int count = m_generated->names().size();
    if (count > 0 && offerValidDomains(m_context.prompter, count))
        m_generated->addAllToMain();
    accept();
}
