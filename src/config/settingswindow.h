#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <functional>

class ExtraSettings;
class Prompter;
struct ProgramOptions;
class HelpBalloonWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QVBoxLayout;
struct WhoisConfig;

// "Config": the TLD server table, the global free and error responses, and the
// program's own settings. Every command acts on the program's configuration at
// once; settings.ini is written when the program exits.
//
// Object names: settingsTabs; tldList, tldAddButton, tldEditButton,
// tldDeleteButton, tldClearButton, tldRestoreButton, countLabel; for each
// response list (prefix "free" or "error") <p>List, <p>Input, <p>AddButton,
// <p>DeleteButton, <p>ClearButton, <p>RestoreButton; the "Tell me more" labels
// tldHelpLabel, freeHelpLabel, errorHelpLabel, settingsHelpLabel;
// hideWizardCheck; closeButton.
class SettingsWindow : public QDialog
{
    Q_OBJECT
public:
    enum class ResponseList { Free, Error };

    // The window edits these in place: every change acts at once.
    SettingsWindow(WhoisConfig &config, ProgramOptions &options, ExtraSettings &extra, Prompter &prompter,
                   QWidget *parent = nullptr);
    ~SettingsWindow() override;

    // The TLD tab's commands. Edit and Delete act on the selected row and do
    // nothing without one.
    void addTldEntry();
    void editTldEntry();
    void deleteTldEntry();
    void clearTldEntries();
    void restoreTldEntries();

    // The response lists' commands.
    void addResponse(ResponseList list);
    void deleteResponse(ResponseList list);
    void clearResponses(ResponseList list);
    void restoreResponses(ResponseList list);

    // "There are N TLD whois entries in the list."
    QString countText() const;

    void done(int result) override;

private:
    struct ResponseControls {
        QStringList WhoisConfig::*lines;
        void (WhoisConfig::*restore)();
        QTreeWidget *view = nullptr;
        QLineEdit *input = nullptr;
    };

    // The "Settings" tab is a column of rows, each bound to one value: the
    // control shows the value when the window opens and writes every change
    // back at once. One call of these per setting, in buildSettingsRows().
    QCheckBox *addCheckRow(const QString &name, const QString &caption, std::function<bool()> get,
                           std::function<void(bool)> set, const QString &toolTip = {});
    QComboBox *addChoiceRow(const QString &name, const QString &caption, const QStringList &choices,
                            std::function<int()> get, std::function<void(int)> set,
                            const QString &toolTip = {});
    void buildSettingsRows();

    QWidget *createTldTab();
    QWidget *createResponseTab();
    QWidget *createResponseBox(ResponseList list, const QString &prefix, const QString &title,
                               const QString &help, int balloonTop);
    QWidget *createSettingsTab();
    QLabel *createHelpLabel(const QString &name, const QString &text, int top, int left);

    void refreshTldList(int select);
    void refreshResponses(ResponseList list);
    void refreshCount();
    int selectedTldRow() const;
    ResponseControls &controls(ResponseList list);

    WhoisConfig &m_config;
    ProgramOptions &m_options;
    ExtraSettings &m_extra;
    Prompter &m_prompter;
    QTreeWidget *m_tldList = nullptr;
    QLabel *m_count = nullptr;
    ResponseControls m_free;
    ResponseControls m_error;
    QVBoxLayout *m_settingsRows = nullptr;
    HelpBalloonWidget *m_balloon = nullptr;
    QTimer m_countTimer;
};
