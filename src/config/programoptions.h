#pragma once

#include <QString>

// The thirteen options kept in settings.ini. The main window's option boxes
// show O7-O10 as text exactly as typed; the check run corrects them.
struct ProgramOptions {
    // Number of entries of the harvester's two choice boxes (O4, O5).
    static constexpr int kTopResultsChoices = 19; // 10 ... 1000
    static constexpr int kQueryDelayChoices = 28; // 1 ... 60 seconds

    // Web search harvester
    int topResultsOnly = 0;   // O1
    int removeSubdomains = 0; // O2
    int exportAndStart = 0;   // O3
    int topResultsIndex = 9;  // O4: 0-based position in the choice box (9 = "100")
    int queryDelayIndex = 2;  // O5: 0-based position (2 = "3" seconds)
    // Keyword generator separator: 0 none, 1 dashes, 2 both (written as "1", "2", "3")
    int keywordSeparator = 2; // O6
    // Main window
    QString connections = QStringLiteral("20"); // O7
    QString retryTimes = QStringLiteral("2");   // O8
    QString timeoutSecs = QStringLiteral("10"); // O9
    QString expireDays = QStringLiteral("30");  // O10
    bool retry = true;                          // O11
    bool checkSelected = false;                 // O12
    // Settings window
    bool hideWizard = false; // O13
};
