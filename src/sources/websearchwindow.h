#pragma once

#include "sources/keyedlistmodel.h"
#include "sources/websearch.h"

#include <QDialog>

#include <functional>

class AppContext;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListView;
class QPushButton;

// "Internet Domain Searcher": runs each keyword as a query on a web search
// engine and collects the host names its result pages link to. Built anew each
// time it is opened; `startCheckRun` starts a check run on the main window (for
// "export and start checking when done").
//
// Widgets carry object names for tests: keywordEdit, addKeywordButton,
// keywordList, loadKeywordsButton, deleteKeywordsButton, clearKeywordsButton,
// foundList, deleteFoundButton, clearFoundButton, saveFoundButton,
// exportFoundButton, topOnlyCheck, topResultsCombo, delayCombo,
// removeSubdomainsCheck, exportCheck, startButton, stopButton, closeButton,
// keywordStatus, foundStatus, receivedStatus, tellMeMore.
class WebSearchWindow : public QDialog
{
    Q_OBJECT
public:
    explicit WebSearchWindow(AppContext &context, std::function<void()> startCheckRun = {},
                             QWidget *parent = nullptr);
    ~WebSearchWindow() override;

    // Ticks or clears "Export the domains to the main list and start checking
    // them when done" (the sources window does so before it opens this one).
    void setExportWhenDone(bool on);

    WebSearchHarvester &harvester() { return m_harvester; }
    KeyedListModel &keywords() { return m_keywords; }

    // The window's commands.
    void addKeyword();
    void loadKeywords();
    void deleteKeywords();
    void clearKeywords();
    void deleteFound();
    void clearFound();
    void saveFound();
    void exportFound();
    void startSearch();
    void stopSearch();
    // "Close": refused while a search runs; offers the found names to the main list.
    void closeWindow();

    // Esc and the title bar's close box take the way of "Close".
    void reject() override;

private:
    QPushButton *commandButton(const char *name, const char *caption, void (WebSearchWindow::*command)(),
                               const char *accessibleName = nullptr);
    QLayout *createKeywordColumn();
    QLayout *createFoundColumn();
    void addOptionRows(QBoxLayout *layout);
    QLayout *createStatusRow(QLabel **tellMore);
    void onFinished();
    void showFoundCount();
    void bindOptions();
    void clearList(KeyedListModel &model);
    static QList<int> selectedRows(const QListView *view);

    AppContext &m_context;
    std::function<void()> m_startCheckRun;
    WebSearchHarvester m_harvester;
    KeyedListModel m_keywords;
    bool m_exportWhenDone = false;

    QLineEdit *m_keywordEdit;
    QListView *m_keywordList;
    QListView *m_foundList;
    QCheckBox *m_topOnly;
    QComboBox *m_topResults;
    QComboBox *m_delay;
    QCheckBox *m_removeSubdomains;
    QCheckBox *m_export;
    QPushButton *m_start;
    QPushButton *m_stop;
    QPushButton *m_close;
    QLabel *m_keywordStatus;
    QLabel *m_foundStatus;
    QLabel *m_receivedStatus;
};
