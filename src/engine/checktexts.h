#pragma once

#include <QString>

// The texts a check run writes into temp.txt and shows to the user. Tests use
// the same constants, so a changed wording shows up in one place.
namespace checkText {

// Information texts of result lines.
inline const QString kInvalidDomainFormat = QStringLiteral("Invalid domain format");
inline const QString kNoTldInfo = QStringLiteral("Unable to check, no TLD info found");
inline const QString kErroneousResponse = QStringLiteral("Erroneous whois response");
inline QString throttledBy(const QString &server)
{
    return QStringLiteral("Throttled by ") + server;
}
inline QString dailyAllowanceUsedUp(const QString &server, const QString &until)
{
    return QStringLiteral("Daily allowance of %1 used up until %2").arg(server, until);
}
inline const QString kTimeout = QStringLiteral("Timeout");
inline const QString kErrorPrefix = QStringLiteral("Error: ");
inline const QString kStatusPrefix = QStringLiteral("Status: ");
inline const QString kConnectionError = QStringLiteral("Connection error");
inline const QString kDataRetrievingError = QStringLiteral("Data retrieving error");
inline const QString kErrorClosingSocket = QStringLiteral("Error closing socket");
inline const QString kMainConnectionError = QStringLiteral("Main connection error...");
inline const QString kConnectionRetryError = QStringLiteral("Connection retry error..");
inline const QString kUnknownDate = QStringLiteral("Unknown");

// Messages and questions of the start, stop and end of a run.
inline const QString kEmptyList =
    QStringLiteral("Please add some domains using the 'Add' button before you start.");
inline const QString kNoTldInformation = QStringLiteral("There is no TLD information available.");
inline const QString kNothingSelected = QStringLiteral(
    "Your settings indicate that you only want to examine the selected domains in the list.\r\n"
    "You need to select at least one domain if you would like to do this.");
inline QString confirmStart(int count)
{
    return QStringLiteral("The program will now begin to examine ") + QString::number(count) +
           QStringLiteral(" domains.\r\n\r\nAre you ready to start?");
}
inline const QString kTooManyConnections =
    QStringLiteral("We generally don't recommend anyone to use more than\r\n"
                   "100 connections, since this puts a very large strain\r\n"
                   "on the WHOIS servers and might get your IP temporary\r\n"
                   "blocked for flooding.\r\n\r\n"
                   "Would you like us to change the number of active\r\n"
                   "connections to 100?");
inline const QString kProgramDone = QStringLiteral("The program is done!");
// Shown when a work file cannot be created: starting anyway would empty the
// list with nowhere to put the results.
inline const QString kWorkFileError = QStringLiteral("The check could not be started: unable to create ");
// remember.txt could not be written completely: the rows a selected-only run
// leaves alone would have no other copy.
inline const QString kWorkFileWriteError = QStringLiteral("The check could not be started: unable to write ");
// At start-up, when the data folder holds the journal of a run the program could not finish.
inline QString interruptedRun(qint64 finished, qint64 total)
{
    return QStringLiteral("The last check was interrupted after %1 of %2 domains. Continue it?")
        .arg(finished)
        .arg(total);
}
// The journal (or the results) of an interrupted run cannot be read; nothing is removed.
inline QString interruptedRunUnreadable(const QString &path, const QString &reason)
{
    return QStringLiteral("The interrupted check cannot be continued: %1 cannot be read (%2). "
                          "The file is left as it is; the next check replaces it.")
        .arg(path, reason);
}
// A result line temp.txt did not take (a full disk, a file-size limit) stopped the run.
inline QString resultsNotSaved(const QString &path, const QString &reason)
{
    return QStringLiteral("The check has been stopped: its results could not be written to ") + path +
           QStringLiteral(" (") + reason +
           QStringLiteral(").\r\nThe domains whose results could not be saved are listed as unchecked; "
                          "make room for the file and check them again.");
}

} // namespace checkText
