// Reply classification in-process over a corpus of real WHOIS replies: how
// many replies a second the classification takes with the program's own
// recognition on, and how many with the configured strings alone; then what
// each reads from the corpus (free names found, registered names reported
// free, expiry dates read).
//
//   recognition_bench CORPUS_DIR [--list]
//
// CORPUS_DIR holds index.tsv (file, domain, truth, expiry) and replies/.
// --list also prints every reply whose result differs from the truth.
// Prints NAME VALUE UNIT lines.

#include "config/deftlds.h"
#include "config/tldservertable.h"
#include "engine/classify.h"
#include "engine/domainsyntax.h"

#include "common/benchutil.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <cstdio>
#include <vector>

namespace {

struct Sample {
    QString file;
    QByteArray name;
    QString truth; // free, taken, reserved
    QDate expiry;
    QByteArray reply; // lower-cased, as the engine keeps it
    QByteArray tldFree;
};

struct Figures {
    int free = 0;
    int freeFound = 0;
    int falseFrees = 0;
    int dated = 0;
    int datesRead = 0;
};

QDate dateOfResult(const QString &text)
{
    if (text.size() != 8 && text.size() != 10)
        return {};
    const int year = text.mid(6).toInt();
    return QDate(year < 1000 ? 2000 + year : year, text.mid(3, 2).toInt(), text.left(2).toInt());
}

Figures measure(const std::vector<Sample> &samples, const WhoisConfig &config, bool recognition, bool list)
{
    const QList<QByteArray> free = responseBytes(config.freeResponses);
    const QList<QByteArray> errors = responseBytes(config.errorResponses);
    Figures f;
    for (const Sample &s : samples) {
        QByteArray reply = s.reply;
        const ReplyVerdict v = classifyReply(reply, s.name, s.tldFree, free, errors, recognition, s.name);
        const bool isFree = v.kind == ReplyClass::Free;
        if (s.truth == QLatin1String("free")) {
            ++f.free;
            f.freeFound += isFree;
            if (list && !isFree)
                std::printf("# missed free: %s\n", qPrintable(s.file));
        } else if (isFree) {
            ++f.falseFrees;
            if (list)
                std::printf("# FALSE FREE: %s\n", qPrintable(s.file));
        }
        if (s.truth == QLatin1String("taken") && s.expiry.isValid()) {
            ++f.dated;
            const bool read = dateOfResult(v.expiration) == s.expiry;
            f.datesRead += read;
            if (list && !read)
                std::printf("# date not read: %s %s -> %s%s\n", qPrintable(s.file),
                            qPrintable(s.expiry.toString(Qt::ISODate)), qPrintable(v.expiration),
                            v.kind == ReplyClass::Erroneous ? " (erroneous)" : "");
        }
    }
    return f;
}

double repliesPerSecond(const std::vector<Sample> &samples, const WhoisConfig &config, bool recognition)
{
    const QList<QByteArray> free = responseBytes(config.freeResponses);
    const QList<QByteArray> errors = responseBytes(config.errorResponses);
    qint64 count = 0;
    const double start = bench::cpuSeconds();
    double elapsed = 0;
    while (elapsed < 1.0) {
        for (const Sample &s : samples) {
            QByteArray reply = s.reply;
            classifyReply(reply, s.name, s.tldFree, free, errors, recognition, s.name);
        }
        count += static_cast<qint64>(samples.size());
        elapsed = bench::cpuSeconds() - start;
    }
    return count / elapsed;
}

void print(const char *prefix, const Figures &f)
{
    std::printf("%s_free_found %.1f %%\n", prefix, f.free ? 100.0 * f.freeFound / f.free : 0.0);
    std::printf("%s_false_frees %d names\n", prefix, f.falseFrees);
    std::printf("%s_expiry_read %.1f %%\n", prefix, f.dated ? 100.0 * f.datesRead / f.dated : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: recognition_bench CORPUS_DIR [--list]\n");
        return 2;
    }
    const QString dir = args[1];
    const bool list = args.contains(QStringLiteral("--list"));

    WhoisConfig config;
    deftlds(config.table);
    config.freeResponses = defaultFreeResponses();
    config.errorResponses = defaultErrorResponses();
    TldSuffixList suffixes;
    suffixes.mylist(config.table.tlds());
    const std::vector<TldServerRecord> records = populatewservers(config.table);

    QFile index(dir + QStringLiteral("/index.tsv"));
    if (!index.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(index.fileName()));
        return 1;
    }
    std::vector<Sample> samples;
    index.readLine(); // the header
    while (!index.atEnd()) {
        const QList<QByteArray> fields = index.readLine().trimmed().split('\t');
        if (fields.size() < 4)
            continue;
        Sample s;
        s.file = QString::fromLatin1(fields[0]);
        s.name = fields[1];
        s.truth = QString::fromLatin1(fields[2]);
        s.expiry = QDate::fromString(QString::fromLatin1(fields[3]), Qt::ISODate);
        QFile f(dir + QStringLiteral("/replies/") + s.file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        s.reply = f.readAll();
        lowerLatin1(s.reply);
        const int record = findTldRecord(records, suffixes.getext(QString::fromLatin1(s.name)));
        if (record >= 0)
            s.tldFree = responseBytes(records[static_cast<size_t>(record)].freeResponse);
        samples.push_back(std::move(s));
    }
    if (samples.empty()) {
        std::fprintf(stderr, "no replies in %s\n", qPrintable(dir));
        return 1;
    }

    print("corpus_configured", measure(samples, config, false, false));
    print("corpus_recognition", measure(samples, config, true, list));
    std::printf("recognition_off_replies_per_s %.0f replies/s\n", repliesPerSecond(samples, config, false));
    std::printf("recognition_replies_per_s %.0f replies/s\n", repliesPerSecond(samples, config, true));
    return 0;
}
