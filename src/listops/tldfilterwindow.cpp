#include "tldfilterwindow.h"

#include "base/idn.h"
#include "engine/appcontext.h"
#include "listfilters.h"
#include "listtexts.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TldFilterWindow::TldFilterWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_list(new QListWidget(this))
    , m_delete(new QRadioButton(listtext::kTldDeleteOption, this))
    , m_keep(new QRadioButton(listtext::kTldKeepOption, this))
{
    setObjectName(QStringLiteral("tldFilterWindow"));
    setWindowTitle(listtext::kTldFilterCaption);

    m_list->setObjectName(QStringLiteral("tldList"));
    m_list->setAccessibleName(QStringLiteral("TLDs"));
    m_list->setUniformItemSizes(true);
    m_delete->setObjectName(QStringLiteral("deleteOption"));
    m_keep->setObjectName(QStringLiteral("keepOption"));
    m_delete->setChecked(true);

    auto *selectAll = new QPushButton(listtext::kSelectAll, this);
    selectAll->setObjectName(QStringLiteral("selectAllButton"));
    auto *unselectAll = new QPushButton(listtext::kUnselectAll, this);
    unselectAll->setObjectName(QStringLiteral("unselectAllButton"));
    auto *startButton = new QPushButton(QStringLiteral("Start"), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    auto *closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton *b : {selectAll, unselectAll, startButton, closeButton})
        b->setAutoDefault(false);

    connect(selectAll, &QPushButton::clicked, this, [this] { tickAll(true); });
    connect(unselectAll, &QPushButton::clicked, this, [this] { tickAll(false); });
    connect(startButton, &QPushButton::clicked, this, &TldFilterWindow::start);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);

    auto *ticks = new QHBoxLayout;
    ticks->addWidget(selectAll);
    ticks->addWidget(unselectAll);
    ticks->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_delete);
    layout->addWidget(m_keep);
    layout->addWidget(m_list, 1);
    layout->addLayout(ticks);
    layout->addLayout(buttons);
    resize(360, 420);
}

void TldFilterWindow::addTlds(const QStringList &tlds)
{
    QStringList present = this->tlds();
    for (const QString &tld : tlds) {
        const QString key = asciiName(tld);
        if (key.isEmpty() || present.contains(key))
            continue;
        present << key;
        auto *item = new QListWidgetItem(key, m_list);
        // "xn--p1ai" is the TLD the user knows as "рф".
        if (const QString shown = unicodeName(key); shown != key)
            item->setToolTip(shown);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
}

QStringList TldFilterWindow::tlds() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out << m_list->item(i)->text();
    return out;
}

void TldFilterWindow::setTicked(const QString &tld, bool ticked)
{
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->text() == tld)
            m_list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList TldFilterWindow::tickedTlds() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->checkState() == Qt::Checked)
            out << m_list->item(i)->text();
    }
    return out;
}

void TldFilterWindow::tickAll(bool ticked)
{
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void TldFilterWindow::start()
{
    if (m_list->count() == 0 || m_context.list.size() == 0)
        return;
    QSet<QString> ticked;
    for (const QString &tld : tickedTlds())
        ticked.insert(tld.toUpper());
    if (ticked.isEmpty()) {
        m_context.prompter.warn(kProgramTitle, listtext::kNoTldTicked);
        return;
    }
    const FilterMode mode = m_keep->isChecked() ? FilterMode::Keep : FilterMode::Delete;
    if (filterByTld(m_context, ticked, mode) == RebuildOutcome::Rebuilt)
        m_context.prompter.inform(kProgramTitle, listtext::domainsLeft(m_context.list.size()));
}
