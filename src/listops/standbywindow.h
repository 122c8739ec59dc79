#pragma once

#include <QWidget>

class QLabel;

inline const QString kStandByCaption = QStringLiteral("Progress..");
inline const QString kStandByText = QStringLiteral("The program is working.. stand by..");

// The small window long imports show while the list grows: a fixed text and a
// line with the list's row count. It is modeless; its owner refreshes the count
// and destroys it when the work is done.
class StandByWindow : public QWidget
{
    Q_OBJECT
public:
    explicit StandByWindow(QWidget *owner = nullptr);

    // "There are N domains in the list".
    void setCount(int rows);
    QString countText() const;

    static QString countLine(int rows);

private:
    QLabel *m_count;
};
