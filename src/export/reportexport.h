#pragma once

#include "base/iowrite.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class DomainListModel;
class QIODevice;

// The result reports: an HTML page, "|"- or ","-separated text, or XML, over a
// chosen set of the list's seven columns, rows in display order, CR LF line
// ends, 8-bit text. Reports are streamed: memory does not grow with the list.
namespace report {

// In the order of the export window's file type list.
enum class Format { Html = 0, Text = 1, Csv = 2, Xml = 3 };
inline constexpr int kFormatCount = 4;
inline constexpr int kColumnCount = 7;

// Which of the seven columns a report holds; Domain always does.
using Columns = std::array<bool, kColumnCount>;
inline constexpr Columns kAllColumns{true, true, true, true, true, true, true};

// A format by its command-line name: txt, csv, html or xml (any letter case).
std::optional<Format> formatFromName(const QString &name);
// A command-line column list: column numbers 1-7 or column titles, separated
// by commas. Domain is always included. Nothing when an entry names no column;
// `unknown` then receives it.
std::optional<Columns> parseColumns(const QString &list, QString *unknown = nullptr);

// The column titles of the reports (the export window's check box captions).
const QStringList &columnCaptions();
// "HTML File (*.html)", "Text File (*.txt)", ...
const QStringList &fileTypes();
// The save dialog's filter for a format.
QString dialogFilter(Format format);
// An XML element name from a caption: blanks become "_", "(" and ")" go.
QString xmlElementName(const QString &caption);

// What the HTML page says after the program's name: today's date in the
// system's short date format, ", ", and the time with seconds.
QString dateText(const QDateTime &when);

inline const QString kHomepageUrl = QStringLiteral("https://quorvane.example/");

// "The following error occured while trying to save to file." and the details.
QString saveErrorMessage(const IoError &error);

// Whether a text or CSV report starts with the line of column titles. Reports
// of several runs joined into one need it once, from the first run only.
enum class TitleLine { Written, Omitted };

// Writes the report of `list` to `out`, which is open for writing. `date` is
// put into the HTML page; `title` is for the text and CSV formats. Returns the
// error that ended the writing, if any; what was written before it stays.
std::optional<IoError> writeReport(QIODevice &out, Format format, const DomainListModel &list,
                                   const Columns &columns, const QString &date,
                                   TitleLine title = TitleLine::Written);
// Creates or empties `path` and writes the report into it.
std::optional<IoError> saveReport(const QString &path, Format format, const DomainListModel &list,
                                  const Columns &columns, const QString &date);

// Cell values made safe for their format. A WHOIS server writes the
// information texts, so they may hold anything.
QByteArray htmlEscaped(QStringView text);
QByteArray xmlEscaped(QStringView text);
QByteArray csvField(QStringView text);

} // namespace report
