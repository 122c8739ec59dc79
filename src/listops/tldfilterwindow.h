#pragma once

#include <QDialog>

class AppContext;
class QListWidget;
class QPushButton;
class QRadioButton;

// "Delete/Keep domains with specific TLD's": deletes, or keeps only, the rows
// whose TLD is ticked. Its TLD rows are filled once, at start-up; "Close" only
// hides the window, so ticks and the chosen option last until the program ends.
// Widgets carry object names for tests: tldList, deleteOption, keepOption,
// selectAllButton, unselectAllButton, startButton, closeButton.
class TldFilterWindow : public QDialog
{
    Q_OBJECT
public:
    explicit TldFilterWindow(AppContext &context, QWidget *parent = nullptr);

    // Adds a row per TLD (lower case, unticked), skipping any already there.
    void addTlds(const QStringList &tlds);
    QStringList tlds() const;
    void setTicked(const QString &tld, bool ticked);
    QStringList tickedTlds() const;

    // "Start": the filter over the main list, then the count left.
    void start();

private:
    void tickAll(bool ticked);

    AppContext &m_context;
    QListWidget *m_list;
    QRadioButton *m_delete;
    QRadioButton *m_keep;
};
