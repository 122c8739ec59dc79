#pragma once

#include <QDialog>

#include <functional>

class AppContext;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// "Quick Start Wizard": walks a new user through a first run. Fill the list
// (through the sources window), say how fast the Internet connection is,
// review, and start; finishing sets the main window's options for that speed
// and starts a check run. Built anew for each opening.
//
// While it is visible the program is in wizard mode (AppContext::wizardMode):
// the windows it opens leave out what would act behind its back.
//
// Widgets carry object names for tests: pages (the QStackedWidget) with
// introPage, step1Page, step2Page, finishPage; addDomainsButton, speed0 ...
// speed4 and type0 ... type4, summaryBox, backButton, nextButton, closeButton,
// dontShowCheck.
class QuickStartWizardWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Page { Intro, Step1, Step2, Finish };

    // `openSources` shows the domain sources window; `startCheckRun` starts a
    // check run on the main window with the options as the wizard left them.
    QuickStartWizardWindow(AppContext &context, std::function<void()> openSources,
                           std::function<void()> startCheckRun, QWidget *parent = nullptr);
    ~QuickStartWizardWindow() override;

    Page page() const;
    int chosenSpeed() const;
    // The summary as the finish page shows it, CR LF line ends included.
    QString summaryText() const { return m_summary; }

    // "&Next >" / "&Finish" and "< &Back".
    void next();
    void back();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *createIntroPage();
    QWidget *createStep1Page();
    QWidget *createStep2Page();
    QWidget *createFinishPage();
    void showPage(Page page);
    void highlightSpeeds();

    AppContext &m_context;
    std::function<void()> m_openSources;
    std::function<void()> m_startCheckRun;
    QString m_summary;
    bool m_setWizardMode = false;

    QStackedWidget *m_pages;
    QButtonGroup *m_speeds;
    QList<QRadioButton *> m_speedOptions;
    QList<QLabel *> m_typeLabels;
    QPlainTextEdit *m_summaryBox;
    QPushButton *m_back;
    QPushButton *m_next;
    QPushButton *m_close;
    QCheckBox *m_dontShow;
};

// The colours of the speed rows: the chosen one, and the others.
inline constexpr int kChosenSpeedRgb[3] = {51, 84, 217};
inline constexpr int kOtherSpeedRgb[3] = {127, 127, 127};
