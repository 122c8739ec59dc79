#include "versionhistorywindow.h"

#include "widgets/widgetunits.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

VersionHistoryWindow::VersionHistoryWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("versionHistoryWindow"));
    setWindowTitle(QStringLiteral("Version history"));
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *history = new QPlainTextEdit(this);
    history->setObjectName(QStringLiteral("historyText"));
    history->setReadOnly(true);
    history->setAccessibleName(QStringLiteral("Version history"));
    history->setPlainText(kVersionHistoryLines.join(u'\n'));

    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("doneButton"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(done);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(history, 1);
    layout->addLayout(buttons);
    resize(twipsToPixels(7200), twipsToPixels(3600));
}
