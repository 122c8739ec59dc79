#pragma once

#include <QString>

// Texts of the list commands, the filter windows and the list's context menu.
namespace listtext {

inline const QString kClearListQuestion =
    QStringLiteral("Are you sure that you would like to clear the list?");
inline const QString kNoTldTicked = QStringLiteral("You must select at least one TLD from the list.");

// "There are now N domains left in the list."
inline QString domainsLeft(int rows)
{
    return QStringLiteral("There are now ") + QString::number(rows) +
           QStringLiteral(" domains left in the list.");
}

// A rebuild writes the rows to keep before it removes any; when that file
// cannot be written the list is left alone and the user is told why.
inline QString rowFileNotWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("The list has not been changed: the rows to keep could not be written to ") + path +
           QStringLiteral(" (") + reason +
           QStringLiteral(").\r\n\r\nCheck that the folder can be written to and "
                          "that the disk has room, then try again.");
}

// The context menu.
inline const QString kOpenWebsite = QStringLiteral("Open website");
inline const QString kShowWhoisResponse = QStringLiteral("Show Whois lookup response");
inline const QString kCheckAll = QStringLiteral("Check all domains");
inline const QString kCheckSelected = QStringLiteral("Check selected domains");
inline const QString kExportPlain = QStringLiteral("Export domains to a plaintext file");
inline const QString kOnlySelected = QStringLiteral("Only selected");
inline const QString kAllDomains = QStringLiteral("All domains");
inline const QString kSelectDomains = QStringLiteral("Select domains");
inline const QString kSelectAll = QStringLiteral("Select all");
inline const QString kUnselectAll = QStringLiteral("Unselect all");
inline const QString kSelectInverse = QStringLiteral("Select inverse");
inline const QString kDeleteDomains = QStringLiteral("Delete domains");
inline const QString kDeleteSelected = QStringLiteral("Selected");
inline const QString kDeleteTaken = QStringLiteral("Taken");
inline const QString kDeleteFree = QStringLiteral("Free");
inline const QString kDeleteUnchecked = QStringLiteral("Unchecked and Errors");
inline const QString kClearList = QStringLiteral("Clear list");
inline const QString kStringFilterCaption = QStringLiteral("Delete/keep domains containing specific strings");
inline const QString kTldFilterCaption = QStringLiteral("Delete/Keep domains with specific TLD's");

// The TLD filter window.
inline const QString kTldDeleteOption = QStringLiteral("Delete domains with the following TLD's");
inline const QString kTldKeepOption = QStringLiteral("Only keep domains with the following TLD's");

// The string filter window.
inline const QString kStringDeleteOption = QStringLiteral("Delete domains containing the follow strings");
inline const QString kStringKeepOption = QStringLiteral("Only keep domains containing the follow strings");
inline const QString kStringImportFilter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");

} // namespace listtext
