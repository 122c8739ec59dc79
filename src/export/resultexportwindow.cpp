#include "resultexportwindow.h"

#include "base/prompter.h"
#include "engine/appcontext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ResultExportWindow::ResultExportWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_type(new QComboBox(this))
    , m_saveAs(new QPushButton(QStringLiteral("Save as.."), this))
    , m_close(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(QStringLiteral("resultExportWindow"));
    setWindowTitle(kResultExportCaption);

    auto *group = new QGroupBox(kIncludeColumnsCaption, this);
    group->setObjectName(QStringLiteral("columnsGroup"));
    auto *grid = new QGridLayout(group);
    const QStringList &captions = report::columnCaptions();
    for (int i = 0; i < report::kColumnCount; ++i) {
        auto *box = new QCheckBox(captions.at(i), group);
        box->setObjectName(QStringLiteral("columnCheck%1").arg(i));
        box->setChecked(true);
        grid->addWidget(box, i % 4, i / 4);
        m_columns[static_cast<size_t>(i)] = box;
    }
    // The domain name is what every report is about.
    m_columns[0]->setEnabled(false);

    auto *typeLabel = new QLabel(kFileTypeCaption, this);
    typeLabel->setBuddy(m_type);
    m_type->setObjectName(QStringLiteral("fileTypeCombo"));
    m_type->setAccessibleName(kFileTypeCaption);
    m_type->addItems(report::fileTypes());
    m_type->setCurrentIndex(0);

    m_saveAs->setObjectName(QStringLiteral("saveAsButton"));
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_saveAs, &QPushButton::clicked, this, &ResultExportWindow::saveAs);
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);

    auto *typeRow = new QHBoxLayout;
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(m_type, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_saveAs);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(typeRow);
    layout->addLayout(buttons);
}

report::Columns ResultExportWindow::columns() const
{
    report::Columns included{};
    for (size_t i = 0; i < included.size(); ++i)
        included[i] = m_columns[i]->isChecked();
    return included;
}

report::Format ResultExportWindow::format() const
{
    return static_cast<report::Format>(std::clamp(m_type->currentIndex(), 0, report::kFormatCount - 1));
}

void ResultExportWindow::saveAs()
{
    if (m_context.list.size() == 0)
        return;
    const report::Format chosen = format();
    const QString path =
        m_context.prompter.chooseSaveFile(kResultExportCaption, report::dialogFilter(chosen));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto error = report::saveReport(path, chosen, m_context.list, columns(), report::dateText(m_now()));
    QApplication::restoreOverrideCursor();
    if (error)
        m_context.prompter.fail(kProgramTitle, report::saveErrorMessage(*error));
}
