#include "stringfilterwindow.h"

#include "engine/appcontext.h"
#include "listfilters.h"
#include "listtexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

StringFilterWindow::StringFilterWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_list(new QTreeWidget(this))
    , m_edit(new QLineEdit(this))
    , m_delete(new QRadioButton(listtext::kStringDeleteOption, this))
    , m_keep(new QRadioButton(listtext::kStringKeepOption, this))
{
    setObjectName(QStringLiteral("stringFilterWindow"));
    setWindowTitle(listtext::kStringFilterCaption);

    m_list->setObjectName(QStringLiteral("stringList"));
    m_list->setAccessibleName(QStringLiteral("Strings"));
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({QStringLiteral("String")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionsClickable(false);

    auto *editLabel = new QLabel(QStringLiteral("String"), this);
    editLabel->setBuddy(m_edit);
    m_edit->setObjectName(QStringLiteral("stringEdit"));
    m_edit->setAccessibleName(QStringLiteral("String"));
    m_delete->setObjectName(QStringLiteral("deleteOption"));
    m_keep->setObjectName(QStringLiteral("keepOption"));
    m_delete->setChecked(true);

    auto *add = new QPushButton(QStringLiteral("Add"), this);
    add->setObjectName(QStringLiteral("addButton"));
    auto *remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("deleteButton"));
    auto *clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("clearButton"));
    auto *import = new QPushButton(QStringLiteral("Import.."), this);
    import->setObjectName(QStringLiteral("importButton"));
    auto *startButton = new QPushButton(QStringLiteral("Start"), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    auto *closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    // Enter belongs to the text field: no button may take it as the default.
    for (QPushButton *b : {add, remove, clear, import, startButton, closeButton})
        b->setAutoDefault(false);

    connect(m_edit, &QLineEdit::returnPressed, this, &StringFilterWindow::addString);
    connect(add, &QPushButton::clicked, this, &StringFilterWindow::addString);
    connect(remove, &QPushButton::clicked, this, &StringFilterWindow::deleteString);
    connect(clear, &QPushButton::clicked, this, &StringFilterWindow::clearStrings);
    connect(import, &QPushButton::clicked, this, &StringFilterWindow::importStrings);
    connect(startButton, &QPushButton::clicked, this, &StringFilterWindow::start);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);

    auto *entry = new QHBoxLayout;
    entry->addWidget(editLabel);
    entry->addWidget(m_edit, 1);
    entry->addWidget(add);
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(remove);
    listButtons->addWidget(clear);
    listButtons->addWidget(import);
    listButtons->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(entry);
    layout->addLayout(listButtons);
    layout->addWidget(m_delete);
    layout->addWidget(m_keep);
    layout->addLayout(buttons);
    resize(420, 420);
}

QStringList StringFilterWindow::strings() const
{
    QStringList out;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        out << m_list->topLevelItem(i)->text(0);
    return out;
}

void StringFilterWindow::append(const QString &text)
{
    new QTreeWidgetItem(m_list, QStringList{text});
}

void StringFilterWindow::addString()
{
    const QString text = filterString(m_edit->text());
    if (!text.isEmpty())
        append(text);
    m_edit->clear();
    m_edit->setFocus();
}

void StringFilterWindow::deleteString()
{
    if (m_list->topLevelItemCount() == 0)
        return;
    delete m_list->currentItem();
}

void StringFilterWindow::clearStrings()
{
    if (m_list->topLevelItemCount() == 0)
        return;
    if (m_context.prompter.askYesNo(kProgramTitle, listtext::kClearListQuestion, PromptIcon::Information,
                                    /*defaultYes=*/false))
        m_list->clear();
}

void StringFilterWindow::importStrings()
{
    const QString path =
        m_context.prompter.chooseOpenFile(QStringLiteral("Import"), listtext::kStringImportFilter);
    if (path.isEmpty())
        return;
    // One insertion for the whole file: a list file may hold many thousands.
    QList<QTreeWidgetItem *> items;
    for (const QString &s : readFilterStrings(path))
        items << new QTreeWidgetItem(QStringList{s});
    m_list->addTopLevelItems(items);
}

void StringFilterWindow::start()
{
    const QStringList filter = strings();
    if (filter.isEmpty() || m_context.list.size() == 0)
        return;
    const FilterMode mode = m_keep->isChecked() ? FilterMode::Keep : FilterMode::Delete;
    if (filterByStrings(m_context, filter, mode) == RebuildOutcome::Rebuilt)
        m_context.prompter.inform(kProgramTitle, listtext::domainsLeft(m_context.list.size()));
}
