#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

class CliOption;

class AppContext;
class LineReader;

// Exit statuses shared by every command of quorvane-cli.
namespace cliexit {
inline constexpr int kOk = 0;
// The work could not be done: a run could not start, no reply came, the
// report could not be written.
inline constexpr int kFailed = 1;
// A usage error, or an input file that cannot be read.
inline constexpr int kUsage = 2;
// A work file (temp.txt, remember.txt) could not be written during a run: the
// run stopped there; the report still lists every name.
inline constexpr int kWorkFileFailed = 3;
// Stopped by a signal: 128 + its number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int signalStatus(int signalNumber)
{
    return 128 + signalNumber;
}
} // namespace cliexit

// One command of quorvane-cli. A command declares its options once; the parser
// and the --help text are both built from that declaration, so the two cannot
// drift apart.
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    // The word that selects the command ("check") and its line in the program's
    // own usage text.
    virtual QString name() const = 0;
    virtual QString summary() const = 0;

    // Parses `args` (the words after the command's name), answers --help, and
    // otherwise reads the request and runs it. Returns the process exit status.
    // A command made of sub-commands ("generate keywords") hands the words on
    // instead.
    virtual int run(const QStringList &args);

    // The line run() would print for a usage error in `args`, without running
    // anything; empty when the words make a request (or ask for --help).
    virtual QString usageErrorIn(const QStringList &args);

    // The command's --help text.
    QString helpText() const;

    // Prints "quorvane-cli NAME: text (try --help)" on standard error and
    // returns the usage exit status.
    int usageError(const QString &text) const;
    QString usageLine(const QString &text) const;
    // Prints "quorvane-cli NAME: text" on standard error.
    void printError(const QString &text) const;

protected:
    // What follows the command's name on the usage line ("[OPTIONS] FILE...").
    virtual QString synopsis() const = 0;
    // A paragraph (or more) after the usage line.
    virtual QString description() const = 0;
    // Every option but --help, which each command gets.
    virtual QList<QCommandLineOption> options() const = 0;
    // Text after the option list: notes, the report format, the exit statuses.
    virtual QString epilogue() const { return {}; }
    // Whether the synopsis takes positional words at all.
    virtual bool takesArguments() const { return true; }

    // Reads the parsed words into the command's request, checking every value
    // that can be checked before anything is read or sent. Returns the usage
    // error text, empty when the request is complete.
    virtual QString readRequest(const QCommandLineParser &parser) = 0;
    // Runs the request read last.
    virtual int execute() = 0;

    // The built-in configuration, then settings.ini of the context's data folder
    // over it; a settings.ini that is there but cannot be read is named on
    // standard error (the built-in table of real servers is then in force).
    void loadConfiguration(AppContext &context) const;

    // The folder of the --data-dir `option` as an absolute path, or the
    // program's data folder when the option is not given. Empty, with `error`
    // set, when the option names no folder.
    static QString dataFolderOption(const QCommandLineParser &parser, const CliOption &option,
                                    QString &error);

    // Checks that each of the options, when given, holds a number. Returns the
    // usage error text, empty when all are fine.
    static QString requireNumbers(const QCommandLineParser &parser,
                                  std::initializer_list<const CliOption *> options);

private:
    enum class Words { Request, Help, Wrong };
    // Parses `args` into `parser`; with Wrong, `error` holds the usage error.
    Words parseWords(const QStringList &args, QCommandLineParser &parser, QString &error) const;
};

// A list file named on the command line, or standard input for "-", read line
// by line with any line end. A line of UTF-8 is read as such (names and
// keywords in other scripts); any other line 8-bit, as the windows read files.
class CliInputFile
{
public:
    CliInputFile();
    ~CliInputFile();
    CliInputFile(const CliInputFile &) = delete;
    CliInputFile &operator=(const CliInputFile &) = delete;

    // False with the reason in `error` when the file cannot be read (a folder
    // is refused here, before a read would fail with a less helpful reason).
    bool open(const QString &file, QString &error);
    LineReader &reader() { return *m_reader; }

private:
    QFile m_stdin;
    std::unique_ptr<LineReader> m_reader;
};
