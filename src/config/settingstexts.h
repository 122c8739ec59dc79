#pragma once

#include <QString>

// Texts of the "Config" window and its entry editor, shared with their tests.
namespace settingstexts {

inline const QString kTitle = QStringLiteral("Config");
inline const QString kTldTab = QStringLiteral("TLD Servers");
inline const QString kResponseTab = QStringLiteral("Response Handling");
inline const QString kSettingsTab = QStringLiteral("Settings");
inline const QString kTldList = QStringLiteral("Whois servers list");
inline const QString kFreeList = QStringLiteral("Global Free Responses");
inline const QString kErrorList = QStringLiteral("Unsuccessful Lookup Responses");
inline const QString kTellMeMore = QStringLiteral("Tell me more");

inline const QString kCountBefore = QStringLiteral("There are ");
inline const QString kCountAfter = QStringLiteral(" TLD whois entries in the list.");

inline const QString kClearQuestion = QStringLiteral("Are you sure that you would like to clear the list?");
inline const QString kRestoreTldQuestion =
    QStringLiteral("Are you sure that you would like to restore the default WHOIS servers?");

inline const QString kHideWizard =
    QStringLiteral("Don't show the Quickstart Wizard when launching the program");

inline const QString kTldHelp = QStringLiteral(
    "These are the top level domains (TLD's) that the program can check for you. You can add new ones by "
    "using the 'Add' button below. 'Server(s)' is the whois server(s) associated with a TLD. Each server "
    "must "
    "be a standard WHOIS server which operate on port 43 in order for the program to be able to use it. "
    "'Free response' is the string that the program will look for in the response from the whois server, if "
    "the string is found then the domain will be considered to be available. If not, it will be marked as "
    "taken. (If this field is emtpy then the program will instead try to find one of the global free "
    "responses as defined in the list under the tab 'Response handling'.) $domain$ represents the current "
    "domain that the program is checking.\n\n"
    "Example: a whois server answers \"mydomain.com is AVAILABLE\" when the domain mydomain.com can be "
    "registered. Enter \"$domain$ is AVAILABLE\" as the free response of its TLD, and every domain of that "
    "TLD whose response holds that text will be marked as available.");
inline const QString kFreeHelp = QStringLiteral(
    "If any of the following strings are found in the response from the whois server, then the domain will "
    "be considered to be free. $domain$ represents the current domain. The 'Global Free Response' list will "
    "only be applied if there is no individual 'Free response' set for a domain.");
inline const QString kErrorHelp = QStringLiteral(
    "If any of the following strings are found in the response from the whois server, then the lookup will "
    "be considered unsuccessful. If retries is enabled the next server (if there is one) in order will be "
    "used.");
inline const QString kSettingsHelp =
    QStringLiteral("Here you will find some additional settings for the program.");

// The entry editor.
inline const QString kAddEntryTitle = QStringLiteral("Add entry");
inline const QString kEditEntryTitle = QStringLiteral("Edit entry");
inline const QString kTldHint = QStringLiteral("(Example: COM)");
inline const QString kServersHint =
    QStringLiteral("If you want to enter more than one server for a TLD then separate them with commas. "
                   "(Example: whois.verisign-grs.com, whois.crsnic.net)");
inline const QString kFreeResponseLabel = QStringLiteral("Free response (optional)");
inline const QString kFreeResponseHint = QStringLiteral(
    "If this string is found in the response from a whois server specified in the field above, then the "
    "domain in question will be considered to be available.");
inline const QString kAddFailed = QStringLiteral(
    "We couldn't add this entry.\n\nIt may allready exist, or you might have specified an invalid TLD.");
inline const QString kEditFailed = QStringLiteral(
    "We couldn't edit this entry.\n\nYou might have specified an invalid TLD, or one that allready exists.");

} // namespace settingstexts
