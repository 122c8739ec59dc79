#include "config/recognitionsetting.h"
#include "enginefixture.h"
#include "support/testmain.h"

#include <QFile>

using namespace Qt::StringLiterals;
using Reply = LoopbackWhoisServer::Reply;

namespace {

using Harness = EngineHarness;

struct CorpusReply {
    QString name;
    QString truth; // free, taken, reserved
    QDate expiry;
    QByteArray bytes;
};

QList<CorpusReply> loadCorpus()
{
    const QString dir = QStringLiteral(QV_TEST_DATA_DIR "/whois-replies");
    QList<CorpusReply> corpus;
    QFile index(dir + u"/index.tsv"_s);
    if (!index.open(QIODevice::ReadOnly))
        return corpus;
    index.readLine();
    while (!index.atEnd()) {
        const QList<QByteArray> f = index.readLine().trimmed().split('\t');
        if (f.size() < 4)
            continue;
        QFile reply(dir + u"/replies/"_s + QString::fromLatin1(f[0]));
        if (!reply.open(QIODevice::ReadOnly))
            continue;
        corpus.append({QString::fromLatin1(f[1]), QString::fromLatin1(f[2]),
                       QDate::fromString(QString::fromLatin1(f[3]), Qt::ISODate), reply.readAll()});
    }
    return corpus;
}

// A date cell ("dd-mm-yy" or "dd-mm-yyyy") as a day.
QDate cellDate(const QString &text)
{
    if (text.size() != 8 && text.size() != 10)
        return {};
    const int year = text.mid(6).toInt();
    return {year < 1000 ? 2000 + year : year, text.mid(3, 2).toInt(), text.left(2).toInt()};
}

} // namespace

class TestRecognitionRun : public QObject
{
    Q_OBJECT
private slots:
    // Every reply of the corpus served on loopback, with the built-in table and
    // response lists and every TLD pointed at the server; once with the
    // recognition on and once off.
    void corpusOfRealReplies()
    {
        const QList<CorpusReply> corpus = loadCorpus();
        QVERIFY(corpus.size() > 200);
        LoopbackWhoisServer server;
        QHash<QString, QByteArray> replies;
        for (const CorpusReply &c : corpus)
            replies.insert(c.name, c.bytes);
        server.setHandler([&replies](const QString &query) -> std::optional<Reply> {
            return Reply::text(replies.value(query));
        });

        struct Outcome {
            int freeFound = 0, falseFrees = 0, datesRead = 0;
            QHash<QString, DomainRow> rows;
        } outcomes[2];
        int free = 0, dated = 0;
        for (const bool on : {false, true}) {
            Harness h;
            h.ctx.loadConfiguration();
            setRecognitionSetting(h.ctx.extra, on);
            h.ctx.options.connections = u"50"_s;
            // Each name is asked for as a whole: its TLD is everything after its first label.
            for (int i = 0; i < h.ctx.config.table.count(); ++i) {
                const TldEntry e = h.ctx.config.table.row(i);
                h.ctx.config.table.setRow(i, e.key, server.address(), e.freeResponse);
            }
            QStringList names;
            for (const CorpusReply &c : corpus) {
                const QString tld = c.name.section(u'.', 1);
                if (!h.ctx.config.table.contains(tld))
                    QVERIFY(h.ctx.config.table.AddTldEntry(tld, server.address(), {}));
                names << c.name;
            }
            h.add(names);
            QVERIFY(h.run());

            Outcome &o = outcomes[on];
            free = dated = 0;
            for (const CorpusReply &c : corpus) {
                const int r = h.ctx.list.rowOfKey(c.name);
                QVERIFY2(r >= 0, qPrintable(c.name));
                const DomainRow *row = &h.ctx.list.rowAt(r);
                o.rows.insert(c.name, *row);
                const bool isFree = row->cells[ColAvailability] == u"FREE"_s;
                if (c.truth == u"free"_s) {
                    ++free;
                    o.freeFound += isFree;
                } else if (isFree) {
                    ++o.falseFrees;
                    qWarning("reported free, but registered or reserved: %s", qPrintable(c.name));
                }
                if (c.truth == u"taken"_s && c.expiry.isValid()) {
                    ++dated;
                    o.datesRead += cellDate(row->cells[ColExpiration]) == c.expiry;
                }
            }
            qInfo("recognition %s: free found %d/%d, false frees %d, expiry dates read %d/%d",
                  on ? "on" : "off", o.freeFound, free, o.falseFrees, o.datesRead, dated);
        }

        // Off: what the configured strings alone give.
        QCOMPARE(outcomes[0].freeFound, 59);
        QCOMPARE(outcomes[0].datesRead, 95);
        // On: never a registered or reserved name reported free, every free one found, and every date
        // read but two (a year 2999, and t.co's).
        const Outcome &on = outcomes[1];
        QCOMPARE(on.falseFrees, 0);
        QCOMPARE(on.freeFound, free);
        QCOMPARE(on.datesRead, 107);
        // What the configured strings found stays found.
        for (auto it = outcomes[0].rows.cbegin(); it != outcomes[0].rows.cend(); ++it) {
            const DomainRow &before = it.value();
            const DomainRow &after = on.rows[it.key()];
            if (before.cells[ColAvailability] == u"FREE"_s)
                QCOMPARE(after.cells[ColAvailability], before.cells[ColAvailability]);
            if (cellDate(before.cells[ColExpiration]).isValid())
                QCOMPARE(after.cells[ColExpiration], before.cells[ColExpiration]);
        }
    }

    // A reply that reaches the receive cap may hold a record in the part not
    // received: the recognition never calls it free.
    void replyAtTheCapIsNeverFree()
    {
        QByteArray reply = "Domain Status: No Object Found\r\n";
        while (reply.size() < CheckEngine::kReplyCap)
            reply += "%\r\n";
        LoopbackWhoisServer server;
        server.onQuery(u"under.com"_s, Reply::text(reply.left(CheckEngine::kReplyCap - 1)));
        server.onQuery(u"at.com"_s, Reply::text(reply.left(CheckEngine::kReplyCap)));
        Harness h({server.address()});
        h.add({"under.com", "at.com"});
        QVERIFY(h.run());
        QCOMPARE(h.cells(ColAvailability, {"under.com", "at.com"}), "FREE|Taken"_L1);
    }
};

QV_TEST_GUILESS_MAIN(TestRecognitionRun)
#include "tst_recognitionrun.moc"
