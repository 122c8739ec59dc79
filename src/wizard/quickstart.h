#pragma once

#include <QString>

#include <array>

struct ProgramOptions;

// Texts of the quick start wizard, shared by the window and its tests.
namespace wizardtexts {
inline const QString kTitle = QStringLiteral("Quick Start Wizard");
inline const QString kIntroHeading = QStringLiteral("Getting a quick start...");
inline const QString kIntroText = QStringLiteral(
    "We have created this Wizard to help you with making the appropiate settings when using this program. It "
    "consists of four simple step. Please follow them and you will get started in no time at all. Good "
    "luck!");
inline const QString kIntroNext = QStringLiteral("Click on Next to continue.");
inline const QString kStep1Heading = QStringLiteral("Add domains");
inline const QString kStep1Of2 = QStringLiteral("Step 1 of 2");
inline const QString kStep1Text = QStringLiteral(
    "Start by filling the list with the domains that you would like to check. You can load them from a list "
    "in a text file, extract them from the drop lists of domain back-order services, generate them from "
    "keywords or as misspellings of known domains, type them in one by one, or search the Internet for "
    "them. Click on the button below to choose.");
inline const QString kAddDomains = QStringLiteral("&Add domains");
inline const QString kStep2Heading = QStringLiteral("Internet connection");
inline const QString kStep2Of2 = QStringLiteral("Step 2 of 2");
inline const QString kStep2Text =
    QStringLiteral("For the best possible performance, chose your Internet connection speed from one of the "
                   "options below. If you are unsure, just click on Next.");
inline const QString kSpeedColumn = QStringLiteral("Connection speed");
inline const QString kTypeColumn = QStringLiteral("Connection type");
inline const QString kFinishHeading = QStringLiteral("View your settings");
inline const QString kFinishText = QStringLiteral(
    "All the necessary settings have now been made. Please review all of them in the box below. Click on "
    "\"Back\" if there is something that you would like to change, otherwise click on \"Finish\" and get "
    "ready to rumble!");
inline const QString kBack = QStringLiteral("< &Back");
inline const QString kNext = QStringLiteral("&Next >");
inline const QString kFinish = QStringLiteral("&Finish");
inline const QString kClose = QStringLiteral("&Close");
inline const QString kDontShow = QStringLiteral("&Don't show this again");
inline const QString kEmptyListRefusal =
    QStringLiteral("You must add at least one domain before you can go to the next step!");
} // namespace wizardtexts

// One row of the connection speed choice and what it sets in the main window.
struct ConnectionSpeed {
    QString option;  // the option's caption
    QString type;    // the label beside it
    QString summary; // its wording in the summary
    QString connections;
    QString timeoutSecs;
};

inline constexpr int kConnectionSpeedCount = 5;
// "Medium (512 Kbps)", chosen when the wizard opens.
inline constexpr int kDefaultConnectionSpeed = 2;
const std::array<ConnectionSpeed, kConnectionSpeedCount> &connectionSpeeds();

// The finish page's summary of a run over `domainCount` names at speed row `speed`.
QString quickStartSummary(int domainCount, int speed);

// What finishing the wizard sets: retries on, all names checked, blue marking
// at 30 days, connections and time-out of the speed row. The retry count stays.
void applyQuickStartSettings(ProgramOptions &options, int speed);
