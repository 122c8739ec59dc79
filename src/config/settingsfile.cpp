#include "settingsfile.h"

#include "base/datafolder.h"
#include "base/iowrite.h"
#include "base/prompter.h"
#include "base/textfile.h"
#include "base/textnumber.h"
#include "programoptions.h"
#include "tldservertable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <optional>

namespace {

const QString kTldMarker = QStringLiteral("[TLD servers]");
const QString kFreeMarker = QStringLiteral("[FREE response]");
const QString kErrorMarker = QStringLiteral("[ERROR response]");
const QString kEndMarker = QStringLiteral("[END]");

enum class Section { None, Tld, Free, Error };

bool isMarker(const QString &line)
{
    return line == kTldMarker || line == kFreeMarker || line == kErrorMarker || line == kEndMarker;
}

// Option lines are read leniently: the number at the start of the line,
// leading blanks skipped, 0 when there is none.
double numericValue(const QString &line)
{
    return leadingNumber(line);
}

QString numberText(double v)
{
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}

// A check box takes 0 or 1; anything else is refused and ends loading.
std::optional<bool> checkState(const QString &line)
{
    const double v = numericValue(line);
    if (v == 0)
        return false;
    if (v == 1)
        return true;
    return std::nullopt;
}

// A 0-based position in a choice box of `count` entries.
std::optional<int> choicePosition(const QString &line, int count)
{
    const double v = std::trunc(numericValue(line));
    if (v < 0 || v >= count)
        return std::nullopt;
    return static_cast<int>(v);
}

// Reads the thirteen option lines after "[END]", applying each as soon as it
// is read; a missing or unusable line ends loading there.
void readOptions(LineReader &reader, ProgramOptions &options)
{
    QString line;
    auto next = [&]() { return reader.readLine(line); };

    std::optional<bool> box;
    if (!next() || !(box = checkState(line)))
        return;
    options.topResultsOnly = *box;
    if (!next() || !(box = checkState(line)))
        return;
    options.removeSubdomains = *box;
    if (!next() || !(box = checkState(line)))
        return;
    options.exportAndStart = *box;

    std::optional<int> pos;
    if (!next() || !(pos = choicePosition(line, ProgramOptions::kTopResultsChoices)))
        return;
    options.topResultsIndex = *pos;
    if (!next() || !(pos = choicePosition(line, ProgramOptions::kQueryDelayChoices)))
        return;
    options.queryDelayIndex = *pos;

    // The separator line is compared as text, not read as a number.
    if (!next())
        return;
    options.keywordSeparator = line == u"1" ? 0 : (line == u"2" ? 1 : 2);

    for (QString *text :
         {&options.connections, &options.retryTimes, &options.timeoutSecs, &options.expireDays}) {
        if (!next())
            return;
        *text = numberText(numericValue(line));
    }

    for (bool *flag : {&options.retry, &options.checkSelected, &options.hideWizard}) {
        if (!next() || !(box = checkState(line)))
            return;
        *flag = *box;
    }
}

// Line breaks inside a stored text: a line feed is kept (lines end at CR), a
// carriage return would split the line and becomes a line feed.
QString keepInLine(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

// A field of a table row must not carry the field separator either.
QString keepInField(const QString &text)
{
    QString out = keepInLine(text);
    out.replace(QChar(kFieldSeparator), u' ');
    return out;
}

// A response line that reads like a marker would end its list on the next
// start; the loader lowers every response anyway, so the lowered form is safe.
QString responseLine(const QString &text)
{
    const QString out = keepInLine(text);
    return isMarker(out) ? out.toLower() : out;
}

// Option texts are single lines.
QString optionLine(const QString &text)
{
    QString out = text;
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

QByteArray settingsBytes(const WhoisConfig &config, const ProgramOptions &options)
{
    QByteArray out;
    out.reserve(16 * 1024);
    auto line = [&out](const QString &text) {
        out += encode8bit(text);
        out += kLineEnd;
    };
    line(kTldMarker);
    for (const TldEntry &e : config.table.rows())
        line(keepInField(e.tld) + QChar(kFieldSeparator) + keepInField(e.servers) + QChar(kFieldSeparator) +
             keepInField(e.freeResponse));
    line(kFreeMarker);
    for (const QString &r : config.freeResponses)
        line(responseLine(r));
    line(kErrorMarker);
    for (const QString &r : config.errorResponses)
        line(responseLine(r));
    line(kEndMarker);

    line(QString::number(options.topResultsOnly));
    line(QString::number(options.removeSubdomains));
    line(QString::number(options.exportAndStart));
    line(QString::number(options.topResultsIndex));
    line(QString::number(options.queryDelayIndex));
    // Exactly one separator choice is selected; an unknown value reads as "both".
    line(options.keywordSeparator == 0
             ? QStringLiteral("1")
             : (options.keywordSeparator == 1 ? QStringLiteral("2") : QStringLiteral("3")));
    line(optionLine(options.connections));
    line(optionLine(options.retryTimes));
    line(optionLine(options.timeoutSecs));
    line(optionLine(options.expireDays));
    line(options.retry ? QStringLiteral("1") : QStringLiteral("0"));
    line(options.checkSelected ? QStringLiteral("1") : QStringLiteral("0"));
    line(options.hideWizard ? QStringLiteral("1") : QStringLiteral("0"));
    return out;
}

} // namespace

void LoadSettings(const QString &dataFolder, WhoisConfig &config, ProgramOptions &options)
{
    const QString path = dataFile(dataFolder, QString::fromLatin1(kSettingsFileName));
    LineReader reader(path, LineReader::Ends::CrOnly);
    if (!reader.open())
        return;
    // An empty file holds no configuration at all (a save that never got to
    // write anything); it must not wipe out the built-in one.
    if (QFileInfo(path).size() == 0)
        return;

    config.table.clear();
    config.freeResponses.clear();
    config.errorResponses.clear();

    Section section = Section::None;
    QString line;
    for (;;) {
        if (!reader.readLine(line))
            return; // the lists never reached "[END]": no options
        if (line == kEndMarker)
            break;
        if (line == kTldMarker) {
            section = Section::Tld;
            continue;
        }
        if (line == kFreeMarker) {
            section = Section::Free;
            continue;
        }
        if (line == kErrorMarker) {
            section = Section::Error;
            continue;
        }
        switch (section) {
        case Section::None:
            return; // not a settings file of ours
        case Section::Tld: {
            const QList<QStringView> fields = splitFields(line);
            if (fields.size() < 3)
                return;
            config.table.AddTldEntry(fields[0].toString(), fields[1].toString(), fields[2].toString());
            break;
        }
        case Section::Free:
            // An empty response would be found in every reply.
            if (!line.isEmpty())
                config.freeResponses << line.toLower();
            break;
        case Section::Error:
            if (!line.isEmpty())
                config.errorResponses << line.toLower();
            break;
        }
    }
    readOptions(reader, options);
}

QString settingsReadError(const QString &dataFolder)
{
    const QString path = dataFile(dataFolder, QString::fromLatin1(kSettingsFileName));
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return QStringLiteral("it is a folder");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    char byte = 0;
    if (file.read(&byte, 1) < 0)
        return file.errorString();
    return {};
}

bool SaveSettings(const QString &dataFolder, const WhoisConfig &config, const ProgramOptions &options,
                  Prompter &prompter)
{
    const QByteArray bytes = settingsBytes(config, options);
    // The new content goes to a temporary file that replaces settings.ini only
    // once it is complete: a full disk or a crash leaves the old file intact.
    QSaveFile file(dataFile(dataFolder, QString::fromLatin1(kSettingsFileName)));
    // Unbuffered, so a short write (a full disk) is seen here: a buffered flush
    // can lose the tail of the file without reporting it.
    std::optional<IoError> error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        error = ioError(file);
    else if (!(error = writeAll(file, bytes)) && !file.commit())
        error = ioError(file);
    if (!error)
        return true;
    file.cancelWriting();
    prompter.fail(kProgramTitle, kSettingsSaveError + QStringLiteral("\r\n\r\nNumber: ") +
                                     QString::number(error->number) + QStringLiteral("\r\nDescription: ") +
                                     error->description);
    return false;
}
