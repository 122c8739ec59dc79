#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

// One option of a command, declared once: options() hands it to the parser and
// the --help text, and the request is read through the same object, so a name
// is never spelt twice.
class CliOption : public QCommandLineOption
{
public:
    using QCommandLineOption::QCommandLineOption;

    // The option as typed, for messages: "--connections".
    QString flag() const { return QStringLiteral("--") + names().constLast(); }
    bool isSet(const QCommandLineParser &parser) const { return parser.isSet(*this); }
    QString value(const QCommandLineParser &parser) const { return parser.value(*this); }
};

namespace cliopt {
// --data-dir DIR, which most commands take; `holds` says what the folder holds
// for the command.
inline CliOption dataDir(const QString &holds)
{
    return CliOption(QStringLiteral("data-dir"), holds, QStringLiteral("DIR"));
}
} // namespace cliopt
