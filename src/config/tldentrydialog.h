#pragma once

#include <QDialog>

class Prompter;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TldServerTable;

// "Add entry" / "Edit entry": one row of the TLD server table. Works on the
// table directly; it closes (accepted) once the row is in, and stays open with a
// warning when the table refuses it.
// Object names: tldEdit, serversEdit, freeResponseEdit, commitButton, cancelButton.
class TldEntryDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Add, Edit };

    // Edit mode starts with the fields of `row` (0-based).
    TldEntryDialog(TldServerTable &table, Prompter &prompter, Mode mode, int row = -1,
                   QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    // The row added or edited (after an accepted close).
    int row() const { return m_row; }

    // "Add" / "Update".
    void commit();

private:
    TldServerTable &m_table;
    Prompter &m_prompter;
    Mode m_mode;
    int m_row;

    QLineEdit *m_tld;
    QLineEdit *m_servers;
    QPlainTextEdit *m_freeResponse;
    QPushButton *m_commit;
};
