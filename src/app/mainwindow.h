#pragma once

#include "app/widgetprompter.h"
#include "engine/runhost.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class AppContext;
class CheckEngine;
class KeywordGeneratorWindow;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QTreeView;
class ResultExportWindow;
class StringFilterWindow;
class TldFilterWindow;

inline const QString kSupportUrl = QStringLiteral("https://quorvane.example/support");
inline const QString kStopBeforeExitText = QStringLiteral("You must stop the program before you exit.");
inline const QString kCheckSelectedToolTip = QStringLiteral(
    "If you select this option then only the domains in the list that you have selected will be checked, "
    "the previously retrieved status will remain for all the other unselected domains");

// The program's window: menus, toolbar, the option boxes that steer a run, the
// main list, the working panel and progress frame shown during a run, and the
// status bar. It opens every other window modally.
class MainWindow : public QMainWindow, public RunHost
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, UrlOpener opener = openUrlInShell, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Loads the configuration over the built-in defaults, shows the window and
    // gives it its caption.
    void startUp();

    // The window's width at a first start on a screen `screenWidth` pixels
    // wide: every column in view where the screen has room for it, the
    // design's start width otherwise.
    int firstStartWidth(int screenWidth) const;

    // A menu item by its name (Starts1, Stops1, qsw, Exit, Settings, Adddomains,
    // manualwhois, saveresult, Contents, vhistory, About) or a toolbar button
    // (toolAdd, toolStart, toolStop, toolWhois, toolExport, toolConfig, toolHelp).
    QAction *action(const QString &name) const;

    QTreeView *listView() const { return m_list; }
    // The list's context menu (`popup`) and the windows it and the export
    // command keep between openings (null until first needed).
    QMenu *listMenu() const { return m_popup; }
    TldFilterWindow *tldFilterWindow() const { return m_tldFilter.get(); }
    StringFilterWindow *stringFilterWindow() const { return m_stringFilter; }
    ResultExportWindow *resultExportWindow() const { return m_exportWindow; }
    // The check run this window starts and stops.
    CheckEngine &engine() const { return *m_engine; }

    // The "Add domains" window and, after it, the source the user picked in it.
    // Windows opened while another modal window (the quick start wizard) is
    // up belong to that window.
    void openDomainSources();
    // The keyword generator lives from start-up to exit, hidden between uses;
    // after its close box threw it away, a new one in its first state.
    KeywordGeneratorWindow &keywordGenerator();

    // RunHost
    void runModeOn() override;
    void runModeOff() override;
    void clearPanelNames() override;
    void printPanelName(const QString &name) override;
    int progressFrameWidth() const override;
    void showProgress(const QString &percentText, int barWidth) override;
    void showCounters(const QString &domains, const QString &free, const QString &taken,
                      const QString &unchecked) override;
    void showWaiting(const QString &text) override;
    void optionsChanged() override;
    void processEvents() override;

signals:
    // The Start and Stop commands (menu items and toolbar buttons alike). The
    // check engine connects here.
    void startRequested();
    void stopRequested();
    // The window is about to lay out its progress frame at a new size; a
    // running check measures its bar by the frame as it was until now.
    void progressFrameResizing();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Asks whether the run the journal of the data folder describes goes on.
    void takeUpInterruptedRun();
    void createMenus();
    void createToolBar();
    void createOptionsArea(QWidget *client);
    void createListArea(QWidget *client);
    void createStatusBar();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &caption, int key = 0,
                        const QIcon &icon = {});
    QAction *addToolButton(const QString &name, const QString &caption, const QIcon &icon);
    void setRunLook(bool running);

    // Size, position, column widths and sort column, kept in quorvane.ini.
    void restoreWindowState();
    void saveWindowState();
    void showSortIndicator(bool shown);

    void layOutOptions(int top);
    void layOutForSize();
    // Where the window's client area (below the menu bar, the toolbar included)
    // begins in the central widget's coordinates; positions are measured from there.
    int clientTop() const;

    void fillKeywordGeneratorTlds();
    void openManualLookup();
    void openResultExport();
    void openSettings();
    void openQuickStartWizard();
    void openSupportPage();
    void openVersionHistory();
    void openAbout();
    void showExitFeedback();
    void closeOtherWindows();

    // The list's context menu, header sorting and the commands they reach.
    void createListCommands();
    void showListMenu(const QPoint &globalPos);
    int currentRow() const;
    void openwebsite();
    void mwl();
    void checkalldom();
    void checkseldom();
    void sortByHeader(int section);
    void loadTldFilter();
    void openTldFilter();
    void openStringFilter();
    void afterListChange();

    AppContext &m_context;
    UrlOpener m_opener;
    QHash<QString, QAction *> m_actions;
    QToolBar *m_toolBar = nullptr;

    QComboBox *connections2 = nullptr;
    QComboBox *timeoutsecs2 = nullptr;
    QCheckBox *retry2 = nullptr;
    QComboBox *retrytimes2 = nullptr;
    QComboBox *expiredays2 = nullptr;
    QCheckBox *checksel2 = nullptr;
    QLabel *m_connectionsLabel = nullptr;
    QLabel *m_timesLabel = nullptr;
    QLabel *m_timeoutLabel = nullptr;
    QLabel *m_secondsLabel = nullptr;
    QLabel *m_expireLabel = nullptr;
    QLabel *m_expireDaysLabel = nullptr;
    QLabel *m_selectHint = nullptr;
    QLabel *m_menuHint = nullptr;

    QTreeView *m_list = nullptr;
    QFrame *m_workingPanel = nullptr;
    QPlainTextEdit *m_panelNames = nullptr;
    QFrame *m_progressFrame = nullptr;
    QFrame *m_progressBar = nullptr;
    QLabel *m_percentLabel = nullptr;
    QList<QLabel *> m_panels;
    bool m_pushingOptions = false;
    std::unique_ptr<CheckEngine> m_engine;

    QMenu *m_popup = nullptr;
    ResultExportWindow *m_exportWindow = nullptr;
    StringFilterWindow *m_stringFilter = nullptr;
    // Opened without an owner window, so not a child of this one.
    std::unique_ptr<TldFilterWindow> m_tldFilter;
    QPointer<KeywordGeneratorWindow> m_keywordGenerator;
};
