#include "standbywindow.h"

#include "widgets/controls.h"

#include <QLabel>
#include <QVBoxLayout>

StandByWindow::StandByWindow(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("standByWindow"));
    setWindowTitle(kStandByCaption);
    if (owner)
        setWindowIcon(owner->window()->windowIcon());

    auto *text = new QLabel(kStandByText, this);
    text->setObjectName(QStringLiteral("standByText"));
    m_count = new QLabel(countLine(0), this);
    m_count->setObjectName(QStringLiteral("standByCount"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_count);
    setAccessibleName(kStandByCaption);
    // A tool window is not placed over its owner by itself.
    centreOver(this, owner);
}

QString StandByWindow::countLine(int rows)
{
    return QStringLiteral("There are ") + QString::number(rows) + QStringLiteral(" domains in the list");
}

void StandByWindow::setCount(int rows)
{
    m_count->setText(countLine(rows));
}

QString StandByWindow::countText() const
{
    return m_count->text();
}
