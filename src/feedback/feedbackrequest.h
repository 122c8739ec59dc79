#pragma once

#include "base/prompter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ExtraSettings;

// Texts of the exit feedback form, shared by the form, its exchange and tests.
namespace feedbacktexts {
inline const QString kTitle = QStringLiteral("Your opinion matters!");
inline const QString kMakerName = QStringLiteral("the Quorvane team");
inline const QString kHeading =
    QStringLiteral("Thank you for trying ") + kProductName + QStringLiteral(" from ") + kMakerName;
inline const QString kLikeQuestion = QStringLiteral("Did you like this program?");
inline const QString kProgramIs = QStringLiteral("The program is");
inline const QString kImprove = QStringLiteral("How can we improve the program?");
inline const QString kAppeal = QStringLiteral(
    "We would really appreciate if you took just a moment to tell us what YOU think we need to do in order "
    "to improve this program even more. Any feedback left is very valuable and really appreciated.");
inline const QString kAnonymous = QStringLiteral("This feedback form is 100% anonymous");
inline const QString kNoRating = QStringLiteral("(None selected)");
inline const QStringList kRatings{kNoRating,
                                  QStringLiteral("Terrible"),
                                  QStringLiteral("Fair"),
                                  QStringLiteral("Good"),
                                  QStringLiteral("Very good"),
                                  QStringLiteral("Excellent")};
inline const QString kSendSystemInfo = QStringLiteral("Send system information");
inline const QString kSystemInfoToolTip =
    QStringLiteral("Sends us anonymous information about your system settings such as operating system and "
                   "installation path of the program.");
inline const QString kSendButton = QStringLiteral("Send opinion");
inline const QString kExitButton = QStringLiteral("Don't participate, EXIT");
inline const QString kSending = QStringLiteral("Sending");

inline const QString kNoOpinion = QStringLiteral("You haven't changed anything, don't you have an opinion?");
inline const QString kThanks =
    QStringLiteral("Thank you for your time! ") + kProductName + QStringLiteral(" will now exit..");
inline const QString kMailAddress = QStringLiteral("support@quorvane.example");
inline const QString kNotReceived =
    QStringLiteral("An error ocurred and your message wasn't received, please send it to us manually at ") +
    kMailAddress;
inline const QString kConnectError = QStringLiteral("Error connecting to remote host.");
inline const QString kSocketError = QStringLiteral("Socket error: ");
inline const QString kTimeout = QStringLiteral("Timeout..");
// What the feedback server's reply holds (compared in lower case) when it took the message.
inline const QString kReceivedMark = QStringLiteral("your message has been received");

inline const QString kWebsite = QStringLiteral("https://quorvane.example/");
inline const QString kPlaceholderEmail = QStringLiteral("anonymous@quorvane.example");
// The quorvane.ini key naming the feedback server; without it no form is shown.
inline const QString kServerKey = QStringLiteral("feedback/server");
} // namespace feedbacktexts

struct FeedbackServer {
    QString host;
    int port = 80;
};

// "host", "host:port" or "[IPv6 address]:port"; nullopt for anything else.
std::optional<FeedbackServer> parseFeedbackServer(const QString &text);

// The feedback server configured in quorvane.ini. `server` is empty when none
// is set (the form is then never shown) and when the value cannot be used;
// `problem` then says what is wrong with it.
struct FeedbackServerSetting {
    std::optional<FeedbackServer> server;
    QString problem;
};
FeedbackServerSetting feedbackServerSetting(const ExtraSettings &extra);

// What the system information block is made of. Tests give their own.
struct FeedbackSystem {
    QString programFolder;
    QString versionText;
    std::function<QString(const QString &name)> environment; // empty text when unset
    // Who the user is: these are masked wherever they appear in a value.
    QString homeFolder;
    QString userName;
    QString computerName;
};
// The running program and its environment.
FeedbackSystem currentFeedbackSystem();

// The environment variables reported, in order.
inline const QString kSystemVariables = QStringLiteral(
    "ALLUSERSPROFILE,APPDATA,CommonProgramFiles,COMPUTERNAME,HOMEDRIVE,HOMEPATH,LOCALAPPDATA,OS,"
    "PROCESSOR_ARCHITECTURE,PROCESSOR_IDENTIFIER,ProgramData,ProgramFiles,SystemDrive,SystemRoot,TEMP,TMP,"
    "USERNAME,windir");

// "Installation path: ...", "Version: ...", then NAME=value for each variable,
// every line ended by CR LF. The form promises anonymity, so nothing that names
// the user or the machine goes out: the home folder becomes "~", and a path
// component (or whole value) equal to the user's or the computer's name becomes
// "%USERNAME%" or "%COMPUTERNAME%".
QString feedbackSystemInformation(const FeedbackSystem &system);

// The product name, the rating, the message and the system information, in
// blocks separated by blank lines. Line breaks inside `message` become CR LF.
QString feedbackMessage(const QString &rating, const QString &message, const QString &systemInformation);

// Every character becomes "%" and its 8-bit code in two upper-case hex digits,
// except CR and LF, which are copied as they are.
QByteArray encodeFeedbackMessage(const QString &message);

// The whole HTTP/1.0 form post carrying an encoded message.
QByteArray feedbackRequest(const FeedbackServer &server, const QByteArray &encodedMessage);
