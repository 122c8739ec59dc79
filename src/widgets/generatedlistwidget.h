#pragma once

#include <QGroupBox>

class AppContext;
class NameListModel;
class QTreeView;

// The "Generated domains (N)" frame both generators share: the list of
// generated names with its buttons "Save to file..", "Delete", "Clear" and
// "Export to main". Object names for tests:
// generatedFrame, generatedList, saveGeneratedButton, deleteGeneratedButton,
// clearGeneratedButton, exportButton.
class GeneratedListWidget : public QGroupBox
{
    Q_OBJECT
public:
    GeneratedListWidget(AppContext &context, QWidget *parent);

    NameListModel &names() const { return *m_names; }
    // The Delete key in the list removes the current row, as the button does
    // (off unless switched on).
    void setDeleteKeyEnabled(bool on) { m_deleteKey = on; }
    QTreeView *view() const { return m_view; }

    // The caption follows the row count; callers that fill the list call this.
    void showCount();

    // The commands of the buttons. Delete removes the current row (one per
    // command); Export to main hands every name over and empties the list,
    // also the names the many-rows question kept back.
    void deleteSelected();
    void clear();
    void save();
    void exportToMain();
    // The offer on closing, once answered Yes: every name goes to the main
    // list, without the many-rows question.
    void addAllToMain();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppContext &m_context;
    NameListModel *m_names;
    QTreeView *m_view;
    bool m_deleteKey = false;
};
