// Writes a program's manual page from its own --help texts, so the page lists
// exactly the commands and options the program has: the top-level help, the
// help of every command it names, and of every sub-command a command's help
// points to ("Run 'prog cmd sub --help'"). What no help says (files, examples)
// comes from a hand-written roff fragment.
//
//   helptoman PROGRAM NAME SUMMARY DATE SOURCE EXTRA OUTPUT
//
// The help texts are laid out as both programs lay them out: "Usage: NAME ..."
// first, paragraphs between empty lines, a "Commands:" paragraph, an option
// block whose lines start with "  -", and an "Exit status:" sentence.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

struct Option {
    QString label; // "--server HOST[:PORT]|URL", "-h, --help"
    QStringList description;
};

struct ExitStatus {
    QString codes; // "0", "130 or 143"
    QString meaning;
};

struct Help {
    QString words;    // "quorvane-cli check"
    QString synopsis; // "[OPTIONS] FILE..."
    QList<QStringList> description;
    QList<std::pair<QString, QString>> commands;
    QList<Option> options;
    QList<QStringList> notes;
    QString exitText;
    QList<ExitStatus> exitStatuses;
};

[[noreturn]] void fail(const QString &text)
{
    std::fprintf(stderr, "helptoman: %s\n", text.toLocal8Bit().constData());
    std::exit(1);
}

QString runHelp(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // In a sanitizer build Qt's memory kept until exit must not fail the page.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    p.setProcessEnvironment(env);
    p.start(program, args + QStringList{QStringLiteral("--help")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(QStringLiteral("'%1 %2 --help' failed").arg(program, args.join(u' ')));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "0 the run completed; 1 the run could not start; ..." (or with commas) into
// one entry per status. Nothing when the sentence does not have that shape.
QList<ExitStatus> splitExitStatuses(const QString &sentence)
{
    static const QRegularExpression item(QStringLiteral(R"((?:^|[;,] )(\d+(?: or \d+)?) (?=[a-z]))"));
    QList<ExitStatus> out;
    auto it = item.globalMatch(sentence);
    qsizetype previousEnd = -1;
    while (it.hasNext()) {
        const auto m = it.next();
        if (!out.isEmpty())
            out.last().meaning = sentence.mid(previousEnd, m.capturedStart() - previousEnd).trimmed();
        else if (m.capturedStart() != 0)
            return {};
        out.append({m.captured(1), {}});
        previousEnd = m.capturedEnd();
    }
    if (out.isEmpty())
        return {};
    QString last = sentence.mid(previousEnd).trimmed();
    if (last.endsWith(u'.'))
        last.chop(1);
    out.last().meaning = last;
    return out;
}

Help parseHelp(const QString &text, const QString &programName)
{
    Help help;
    QList<QStringList> paragraphs{{}};
    for (const QString &line : text.split(u'\n')) {
        if (line.trimmed().isEmpty()) {
            if (!paragraphs.last().isEmpty())
                paragraphs.append(QStringList{});
        } else {
            paragraphs.last().append(line);
        }
    }
    if (paragraphs.last().isEmpty())
        paragraphs.removeLast();
    if (paragraphs.isEmpty() || !paragraphs.first().first().startsWith(QLatin1String("Usage: ")))
        fail(QStringLiteral("a help text does not start with 'Usage: '"));

    const QString usage = paragraphs.takeFirst().join(u' ').mid(7).simplified();
    // The words before the first option or placeholder name the command.
    QStringList words = usage.split(u' ');
    QStringList commandWords;
    while (!words.isEmpty() &&
           QRegularExpression(QStringLiteral("^[a-z][a-z-]*$")).match(words.first()).hasMatch())
        commandWords.append(words.takeFirst());
    if (commandWords.isEmpty() || commandWords.first() != programName)
        fail(QStringLiteral("the usage line '%1' does not name %2").arg(usage, programName));
    help.words = commandWords.join(u' ');
    help.synopsis = words.join(u' ');

    static const QRegularExpression optionLine(QStringLiteral(R"(^  (-\S.*?)(?:\s{2,}(\S.*))?$)"));
    bool optionsSeen = false;
    for (QStringList paragraph : paragraphs) {
        if (paragraph.first() == QLatin1String("Commands:")) {
            for (const QString &line : paragraph.mid(1)) {
                const QString entry = line.trimmed();
                const qsizetype gap = entry.indexOf(u' ');
                help.commands.append({entry.left(gap), entry.mid(gap).trimmed()});
            }
            continue;
        }
        if (paragraph.first().startsWith(QLatin1String("  -"))) {
            for (const QString &line : paragraph) {
                const auto m = optionLine.match(line);
                if (m.hasMatch()) {
                    help.options.append({m.captured(1).trimmed(), {}});
                    if (!m.captured(2).isEmpty())
                        help.options.last().description.append(m.captured(2));
                } else if (!help.options.isEmpty()) {
                    help.options.last().description.append(line.trimmed());
                }
            }
            optionsSeen = true;
            continue;
        }
        // The exit statuses get a section of their own.
        for (qsizetype i = 0; i < paragraph.size(); ++i) {
            if (paragraph[i].startsWith(QLatin1String("Exit status:"))) {
                help.exitText = paragraph.mid(i).join(u' ').mid(12).simplified();
                help.exitStatuses = splitExitStatuses(help.exitText);
                paragraph = paragraph.mid(0, i);
                break;
            }
        }
        if (paragraph.isEmpty())
            continue;
        (optionsSeen ? help.notes : help.description).append(paragraph);
    }
    return help;
}

// Sub-commands a command's help sends the reader to: 'prog cmd sub --help'.
QStringList referencedSubcommands(const QString &text, const QString &words)
{
    QStringList out;
    const QRegularExpression ref(u'\'' + QRegularExpression::escape(words) +
                                 QStringLiteral(R"( ([a-z][a-z-]*) --help')"));
    auto it = ref.globalMatch(text.simplified());
    while (it.hasNext()) {
        const QString sub = it.next().captured(1);
        if (!out.contains(sub))
            out.append(sub);
    }
    return out;
}

// Roff text: backslashes escaped, a leading control character disarmed, and
// the dashes of options and command names made minus signs, so what is
// copied from the page can be typed.
QString roff(const QString &text)
{
    QString out;
    const QStringList tokens = text.split(u' ');
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        QString token = tokens[t];
        token.replace(u'\\', QStringLiteral("\\e"));
        qsizetype start = 0;
        while (start < token.size() && QStringLiteral("'\"([").contains(token[start]))
            ++start;
        const bool dashes =
            token.mid(start).startsWith(u'-') || token.contains(QLatin1String("quorvane-cli")) ||
            token.contains(QLatin1String("rdap-dns")) || token.contains(QLatin1String("bash-completion"));
        if (dashes)
            token.replace(u'-', QStringLiteral("\\-"));
        if (t > 0)
            out += u' ';
        out += token;
    }
    if (out.startsWith(u'.') || out.startsWith(u'\''))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// Placeholders (FILE, DIR, N) in italics wherever they stand.
QString withPlaceholders(const QString &roffText, const QSet<QString> &placeholders)
{
    QString out = roffText;
    for (const QString &p : placeholders) {
        const QRegularExpression word(QStringLiteral("(?<![A-Za-z\\\\])") + QRegularExpression::escape(p) +
                                      QStringLiteral("(?![A-Z])"));
        out.replace(word, QStringLiteral("\\fI") + p + QStringLiteral("\\fR"));
    }
    return out;
}

// An option's names and the name of its value: "-h, --help" and "";
// "--timeout" and "SECONDS".
std::pair<QString, QString> splitLabel(const QString &label)
{
    static const QRegularExpression form(QStringLiteral(R"(^(-{1,2}[\w-]+(?:, -{1,2}[\w-]+)*)(?: (.+))?$)"));
    const auto m = form.match(label);
    return m.hasMatch() ? std::pair{m.captured(1), m.captured(2)} : std::pair{label, QString()};
}

QSet<QString> placeholdersOf(const Help &help)
{
    QSet<QString> out;
    static const QRegularExpression caps(QStringLiteral(R"((?<![A-Za-z])[A-Z][A-Z]*(?![A-Za-z]))"));
    QStringList sources{help.synopsis};
    for (const Option &o : help.options)
        sources.append(splitLabel(o.label).second);
    for (const QString &s : sources) {
        auto it = caps.globalMatch(s);
        while (it.hasNext())
            out.insert(it.next().captured(0));
    }
    return out;
}

// Lines of a paragraph: prose is filled by roff, indented lines keep their layout.
void writeParagraph(QString &out, const QStringList &lines, const QSet<QString> &placeholders)
{
    bool verbatim = false;
    for (const QString &line : lines) {
        const bool indented = line.startsWith(QLatin1String("  "));
        if (indented != verbatim) {
            out += indented ? QStringLiteral(".RS 4\n.nf\n") : QStringLiteral(".fi\n.RE\n");
            verbatim = indented;
        }
        out += withPlaceholders(roff(indented ? line.mid(2) : line.trimmed()), placeholders) + u'\n';
    }
    if (verbatim)
        out += QStringLiteral(".fi\n.RE\n");
}

// Paragraphs, each after a paragraph break.
void writeParagraphs(QString &out, const QList<QStringList> &paragraphs, const QSet<QString> &placeholders)
{
    for (const QStringList &p : paragraphs) {
        out += QStringLiteral(".PP\n");
        writeParagraph(out, p, placeholders);
    }
}

QString optionLabel(const Option &o)
{
    const auto [names, value] = splitLabel(o.label);
    QString out = QStringLiteral("\\fB") + roff(names) + QStringLiteral("\\fR");
    if (!value.isEmpty())
        out += QStringLiteral(" \\fI") + roff(value) + QStringLiteral("\\fR");
    return out;
}

void writeOptions(QString &out, const QList<Option> &options, const QSet<QString> &placeholders)
{
    for (const Option &o : options) {
        out += QStringLiteral(".TP\n") + optionLabel(o) + u'\n';
        writeParagraph(out, o.description, placeholders);
    }
}

void writeHelpBody(QString &out, const Help &help)
{
    const QSet<QString> placeholders = placeholdersOf(help);
    writeParagraphs(out, help.description, placeholders);
    if (!help.options.isEmpty()) {
        out += QStringLiteral(".PP\nOptions:\n");
        writeOptions(out, help.options, placeholders);
    }
    writeParagraphs(out, help.notes, placeholders);
}

QString synopsisLine(const Help &help)
{
    return QStringLiteral(".B ") + roff(help.words) + u'\n' +
           withPlaceholders(roff(help.synopsis), placeholdersOf(help)) + u'\n';
}

void writeExitStatuses(QString &out, const Help &help)
{
    if (help.exitStatuses.isEmpty()) {
        out += roff(help.exitText) + u'\n';
        return;
    }
    const QSet<QString> placeholders = placeholdersOf(help);
    for (const ExitStatus &s : help.exitStatuses)
        out += QStringLiteral(".TP\n.B ") + s.codes + u'\n' +
               withPlaceholders(roff(s.meaning), placeholders) + u'\n';
}

// The sections of the hand-written fragment, by their .SH heading.
QList<std::pair<QString, QString>> readExtra(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    QList<std::pair<QString, QString>> sections;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String(".SH "))) {
            QString heading = line.mid(4).trimmed();
            heading.remove(u'"');
            sections.append({heading, {}});
        } else if (!sections.isEmpty() && !line.startsWith(QLatin1String(".\\\""))) {
            sections.last().second += line + u'\n';
        }
    }
    for (auto &s : sections) {
        while (s.second.endsWith(QLatin1String("\n\n")))
            s.second.chop(1);
    }
    return sections;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 8)
        fail(QStringLiteral("usage: helptoman PROGRAM NAME SUMMARY DATE SOURCE EXTRA OUTPUT"));
    const QString program = args[1], name = args[2], summary = args[3], date = args[4], source = args[5];
    QList<std::pair<QString, QString>> extra = readExtra(args[6]);
    const auto takeExtra = [&extra](const QString &heading) {
        for (qsizetype i = 0; i < extra.size(); ++i) {
            if (extra[i].first == heading)
                return extra.takeAt(i).second;
        }
        return QString();
    };

    const Help top = parseHelp(runHelp(program, {}), name);
    QList<Help> commands;
    for (const auto &[command, commandSummary] : top.commands) {
        const QString text = runHelp(program, {command});
        commands.append(parseHelp(text, name));
        for (const QString &sub : referencedSubcommands(text, commands.last().words))
            commands.append(parseHelp(runHelp(program, {command, sub}), name));
    }

    QString out;
    out += QStringLiteral(".\\\" Made by helptoman from the --help texts of %1; do not edit.\n").arg(name);
    out +=
        QStringLiteral(".TH %1 1 \"%2\" \"%3\" \"User Commands\"\n").arg(roff(name.toUpper()), date, source);
    // Left-aligned and unhyphenated: option names and paths must not break.
    out += QStringLiteral(".nh\n.ad l\n");
    out += QStringLiteral(".SH NAME\n") + roff(name) + QStringLiteral(" \\- ") + roff(summary) + u'\n';
    out += QStringLiteral(".SH SYNOPSIS\n") + synopsisLine(top);
    for (const Help &c : commands) {
        // A command made of sub-commands is listed through them.
        if (!std::any_of(commands.begin(), commands.end(),
                         [&c](const Help &other) { return other.words.startsWith(c.words + u' '); }))
            out += QStringLiteral(".br\n") + synopsisLine(c);
    }
    out += QStringLiteral(".SH DESCRIPTION\n") + takeExtra(QStringLiteral("DESCRIPTION"));
    const QSet<QString> topPlaceholders = placeholdersOf(top);
    writeParagraphs(out, top.description, topPlaceholders);
    if (!top.commands.isEmpty()) {
        out += QStringLiteral(".PP\nCommands:\n");
        for (const auto &[command, commandSummary] : top.commands)
            out += QStringLiteral(".TP 10\n.B ") + roff(command) + u'\n' + roff(commandSummary) + u'\n';
    }
    if (!top.options.isEmpty()) {
        out += QStringLiteral(".SH OPTIONS\n");
        writeOptions(out, top.options, topPlaceholders);
    }
    writeParagraphs(out, top.notes, topPlaceholders);
    if (!commands.isEmpty()) {
        out += QStringLiteral(".SH COMMANDS\n");
        for (const Help &c : commands) {
            out += QStringLiteral(".SS \"") + roff(c.words.mid(name.size() + 1)) + QStringLiteral("\"\n");
            out += synopsisLine(c);
            writeHelpBody(out, c);
        }
    }
    const bool anyExit =
        !top.exitText.isEmpty() ||
        std::any_of(commands.begin(), commands.end(), [](const Help &c) { return !c.exitText.isEmpty(); });
    if (anyExit) {
        out += QStringLiteral(".SH \"EXIT STATUS\"\n");
        if (!top.exitText.isEmpty())
            writeExitStatuses(out, top);
        for (const Help &c : commands) {
            if (c.exitText.isEmpty())
                continue;
            out += QStringLiteral(".SS \"") + roff(c.words.mid(name.size() + 1)) + QStringLiteral("\"\n");
            writeExitStatuses(out, c);
        }
        out += takeExtra(QStringLiteral("EXIT STATUS"));
    }
    for (const auto &[heading, body] : extra)
        out += QStringLiteral(".SH \"") + heading + QStringLiteral("\"\n") + body;

    QFile file(args[7]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out.toUtf8()) < 0 ||
        !file.flush())
        fail(QStringLiteral("cannot write %1: %2").arg(args[7], file.errorString()));
    return 0;
}
