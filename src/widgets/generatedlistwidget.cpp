#include "generatedlistwidget.h"

#include "engine/appcontext.h"
#include "sources/adddomain.h"
#include "sources/namelistfile.h"
#include "sources/namelistmodel.h"
#include "widgets/controls.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

GeneratedListWidget::GeneratedListWidget(AppContext &context, QWidget *parent)
    : QGroupBox(parent)
    , m_context(context)
    , m_names(new NameListModel(QStringLiteral("Domain"), false, this))
{
    setObjectName(QStringLiteral("generatedFrame"));
    m_view =
        makeRowListView(QStringLiteral("generatedList"), QStringLiteral("Generated domains"), m_names, this);
    m_view->installEventFilter(this);

    const struct {
        const char *name;
        const char *caption;
        void (GeneratedListWidget::*command)();
    } buttons[] = {
        {"saveGeneratedButton", "Save to file..", &GeneratedListWidget::save},
        {"deleteGeneratedButton", "Delete", &GeneratedListWidget::deleteSelected},
        {"clearGeneratedButton", "Clear", &GeneratedListWidget::clear},
        {"exportButton", "Export to main", &GeneratedListWidget::exportToMain},
    };
    auto *grid = new QGridLayout;
    int cell = 0;
    for (const auto &b : buttons) {
        QPushButton *button = makeButton(QLatin1String(b.name), QLatin1String(b.caption), this);
        connect(button, &QPushButton::clicked, this, b.command);
        grid->addWidget(button, cell / 2, cell % 2);
        ++cell;
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(grid);
    showCount();
}

void GeneratedListWidget::showCount()
{
    setTitle(QStringLiteral("Generated domains (") + QString::number(m_names->size()) + u')');
}

void GeneratedListWidget::deleteSelected()
{
    if (m_names->isEmpty())
        return;
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        m_names->removeAt(selected.first().row());
    showCount();
}

void GeneratedListWidget::clear()
{
    if (clearNameList(*m_names, m_context.prompter))
        showCount();
}

void GeneratedListWidget::save()
{
    saveNameListAs(*m_names, m_context.prompter);
}

void GeneratedListWidget::exportToMain()
{
    if (m_names->isEmpty())
        return;
    exporttomain(m_context.list, m_context.run.suffixes, m_names->names(), m_context.prompter);
    m_names->clear();
    showCount();
}

void GeneratedListWidget::addAllToMain()
{
    DomainListModel &list = m_context.list;
    list.beginAppend();
    for (int row = 0; row < m_names->size(); ++row) {
        QString name = m_names->at(row).toLower();
        adddomain(list, m_context.run.suffixes, name);
    }
    list.endAppend();
}

bool GeneratedListWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (m_deleteKey && watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        deleteSelected();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}
