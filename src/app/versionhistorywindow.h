#pragma once

#include <QDialog>
#include <QStringList>

// The lines of the change list, oldest version last.
inline const QStringList kVersionHistoryLines{
    QStringLiteral("Version 1.01"),
    QStringLiteral(" * Fixed a problem with getting invalid responses on .co.uk domains when the query limit "
                   "had been exceeded"),
    QStringLiteral("Version 1.0"),
    QStringLiteral(" * Initial release"),
};

// "Version history": the program's change list, read-only.
class VersionHistoryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit VersionHistoryWindow(QWidget *parent = nullptr);
};
