#pragma once

#include <QDialog>

class AppContext;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

// "Delete/keep domains containing specific strings": deletes, or keeps only,
// the rows whose name contains any of the strings. "Close" only hides the
// window, so the strings and the chosen option last until the program ends.
// Widgets carry object names for tests: stringList, stringEdit, addButton,
// deleteButton, clearButton, importButton, deleteOption, keepOption,
// startButton, closeButton.
class StringFilterWindow : public QDialog
{
    Q_OBJECT
public:
    explicit StringFilterWindow(AppContext &context, QWidget *parent = nullptr);

    QStringList strings() const;

    // "Add" and Enter in the text field: the field's text, trimmed and in lower
    // case, joins the list unless it is empty; the field is emptied.
    void addString();
    // "Delete": removes the current string.
    void deleteString();
    // "Clear": removes every string after the user's Yes.
    void clearStrings();
    // "Import..": appends the strings of a list file.
    void importStrings();
    // "Start": the filter over the main list, then the count left.
    void start();

private:
    void append(const QString &text);

    AppContext &m_context;
    QTreeWidget *m_list;
    QLineEdit *m_edit;
    QRadioButton *m_delete;
    QRadioButton *m_keep;
};
