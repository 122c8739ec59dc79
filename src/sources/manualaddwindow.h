#pragma once

#include <QDialog>
#include <QStringList>

class AppContext;
class HelpBalloonWidget;
class QPlainTextEdit;

inline const QString kManualAddHelpText = QStringLiteral(
    "Here you can manually add domains for the program to check. Domains with an invalid format will not be "
    "added. Each domain should be on a line of it's own.");

// "Add domains manually": names typed one per line, checked and offered to the
// main list when the user is done. Built anew each time it is opened.
class ManualAddWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ManualAddWindow(AppContext &context, QWidget *parent = nullptr);

    // The lines of `text` (ended by CR LF, CR or LF) that pass the syntax check
    // once lower-cased and stripped of surrounding blanks; in order, repeats kept.
    static QStringList validLines(const QString &text);

    // "Done": offers the valid lines to the main list, then closes in every case.
    void finish();

private:
    AppContext &m_context;
    QPlainTextEdit *m_box;
    HelpBalloonWidget *m_balloon;
};
