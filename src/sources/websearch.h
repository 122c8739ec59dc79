#pragma once

#include "engine/domainsyntax.h"
#include "sources/keyedlistmodel.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class CSocketPlus;
class ExtraSettings;
class QVariant;

// Texts of the web search harvester, shared by the window, the command-line
// program and their tests.
namespace harvesttexts {
inline const QString kTitle = QStringLiteral("Internet Domain Searcher");
inline const QString kHelp = QStringLiteral(
    "This function will search Google for domain names. The only thing that you need to do is to add "
    "keywords in order for the program to be able to find domains. The keywords will be used as a query on "
    "Google, and the domains will be extracted from the results.");
inline const QString kKeywords = QStringLiteral("Keywords");
inline const QString kDomainsFound = QStringLiteral("Domains found");
inline const QString kTopBefore = QStringLiteral("Only accept domains from the top");
inline const QString kTopAfter = QStringLiteral("search engine results");
inline const QString kDelayBefore = QStringLiteral("Delay between search engine queries");
inline const QString kDelayAfter = QStringLiteral("seconds");
inline const QString kRemoveSubdomains = QStringLiteral("Remove subdomains from domain names");
inline const QString kExportAndCheck =
    QStringLiteral("Export the domains to the main list and start checking them when done");
inline const QString kStopped = QStringLiteral("The program has been stopped.");
inline const QString kStopBeforeClose =
    QStringLiteral("You need to stop the program before you can close this window.");
inline const QString kNoKeywords = QStringLiteral("There are no keywords to use.");
inline const QString kWizardRefusal = QStringLiteral(
    "You can't export the domains to the main list and start checking them when done as long as you are in "
    "the Wizard mode.\r\n\r\nClose the Quick Start Wizard to enable this function.");
inline const QString kSearchDone = QStringLiteral("The search is done!");
inline const QString kClearQuestion = QStringLiteral("Are you sure that you would like to clear the list?");
inline const QString kFileFilter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
// .arg(number, total)
inline const QString kKeywordProgress = QStringLiteral("keyword %1/%2");
// .arg(count)
inline const QString kFoundCount = QStringLiteral("%1 domains found");
// .arg(kilobytes)
inline const QString kReceived = QStringLiteral("%1 kB received");
} // namespace harvesttexts

// The choices of the two choice boxes, in box order; options O4 and O5 keep a
// position in these lists.
const QList<int> &topResultChoices();  // 10 ... 1000
const QList<int> &queryDelayChoices(); // seconds, 1 ... 60

// A keyword as it goes into the query string: " " as "%20", "+" as "%2B" and
// ":" as "%3A". Characters that would end or split the query ("%", "&", "#"),
// control characters and everything outside ASCII (as UTF-8 bytes) are
// percent-encoded too, so the engine searches for what the user typed and no
// keyword can reach into the request line.
QString encodeKeyword(const QString &keyword);

// Results per page: 10 when only fewer than 100 top results are wanted, else 100.
int searchPageSize(bool topOnly, int topLimit);

// The HTTP/1.0 request for one result page. `host` is the engine's host as the
// request names it (with ":port" when the port is not 80).
QByteArray searchRequest(const QString &host, const QString &encodedKeyword, int start, int pageSize);

// The host names a result page links to, in page order, lower-cased, each passing
// the syntax check; repeats are kept (the found list drops them). Links that
// contain `engineDomain` (in any letter case) are the engine's own and skipped.
// With `cutSubdomains`, a host loses its subdomains before the syntax check, so
// "shop.cheap-flights2.net" is kept as "cheap-flights2.net".
QStringList scanPageLinks(QByteArrayView page, const QString &engineDomain,
                          const TldSuffixList *cutSubdomains = nullptr);

// `name` without its subdomains: its registrable part (TldSuffixList::registrablePart).
QString withoutSubdomains(const QString &name, const TldSuffixList &suffixes);

// Whether a result page offers a further page.
bool pageHasNextLink(QByteArrayView page);

// "12 kB received" for a byte count (thousands, halves rounded to even).
QString receivedText(qint64 bytes);

// Where the harvester sends its queries. The host, its port and the engine's own
// domain name are read from quorvane.ini ("harvest/host" as host or host:port,
// "harvest/domain"), so a user can point the harvester at another engine.
struct SearchEngine {
    QString host = QStringLiteral("www.google.com");
    int port = 80;
    QString ownDomain = QStringLiteral("google");

    // The host as the request line and the Host header name it.
    QString requestHost() const;
};

inline const QString kHarvestHostKey = QStringLiteral("harvest/host");
inline const QString kHarvestDomainKey = QStringLiteral("harvest/domain");

// "host" or "host:port" (an IPv6 address in brackets); nullopt for anything that
// could not be a host name, or a port outside 1-65535.
std::optional<SearchEngine> parseSearchHost(const QString &text);

// The engine of quorvane.ini. A value that cannot be used is left out (the
// default stands) and described in `problems`.
SearchEngine searchEngineFromSettings(const ExtraSettings &settings, QStringList *problems = nullptr);

// What one search works with, taken from the window's controls at Start.
struct HarvestRequest {
    QStringList keywords; // as listed: lower case, unique
    bool topOnly = false;
    int topLimit = 100;
    bool removeSubdomains = false;
    int delayMs = 3000;
    QStringList tableTlds;                                // for the TLD split of "remove subdomains"
    std::shared_ptr<const PublicSuffixes> publicSuffixes; // the same; null for the TLD alone
};

// The search cycle: keyword after keyword, result page after result page, over
// index 0 of its own socket object. Each page is fetched on a fresh connection;
// after a page (or a failed attempt) the next query waits for the delay with a
// little random jitter, so the engine does not see a machine's even beat.
//
// A page that never comes (no connection, no data for the time-out, an empty
// reply, a socket error) is skipped and the search goes on with the next query;
// after kMaxFailedPages such pages in a row, with the next keyword.
// A page is cut at kPageCap bytes (what came is scanned) and given up after
// kPageTimeouts time-outs in all, so neither a flood nor a trickle of data can
// hold the search or its memory.
class WebSearchHarvester : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000;
    static constexpr int kFirstDelayMs = 3000;
    static constexpr qint64 kPageCap = 4 * 1024 * 1024;
    static constexpr int kPageTimeouts = 10;
    // A keyword whose pages fail this many times in a row is given up. Without
    // it an engine that never answers would keep the search asking forever:
    // without a top limit only a page without a next link ends a keyword, and
    // a refused connection never moves on to the next page at all.
    static constexpr int kMaxFailedPages = 3;

    explicit WebSearchHarvester(QObject *parent = nullptr);
    ~WebSearchHarvester() override;

    void setEngine(const SearchEngine &engine) { m_engine = engine; }
    const SearchEngine &engine() const { return m_engine; }
    // Tests shorten these; the delay is the wait before the next query (it is
    // drawn anew from the request's delay each time a query goes out).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    void setNextDelayMs(int ms) { m_nextDelayMs = ms; }
    int nextDelayMs() const { return m_nextDelayMs; }
    // Bytes one page may bring (kPageCap unless a test lowers it).
    void setPageCap(qint64 bytes);
    // Numbers in [0, 1) for the jitter.
    void setRandomSource(std::function<double()> random) { m_random = std::move(random); }

    // Starts a search; false when there is no keyword (nothing starts).
    bool start(const HarvestRequest &request);
    // Ends the search at once; late socket events and timer ticks are ignored.
    void stop();
    bool isRunning() const { return m_running; }

    // The names found, unique, in the order found. Kept between searches.
    KeyedListModel &found() { return m_found; }

    qint64 bytesReceived() const { return m_bytesReceived; }
    // The result offset of the next page of the current keyword.
    int nextStart() const { return m_start; }

signals:
    // A query for keyword `number` of `total` went out.
    void keywordStarted(int number, int total, const QString &encodedKeyword, int start);
    void bytesReceivedChanged(qint64 bytes);
    // A page was scanned; the found list holds `foundCount` names.
    void pageScanned(int foundCount);
    // A page was given up: a time-out, a socket error, an empty reply.
    void pageSkipped(const QString &reason);
    // Every keyword is done. Not sent after stop().
    void finished();

private:
    void connectToEngine();
    void onConnect(const QVariant &index);
    void onData(const QVariant &index);
    void onClose(const QVariant &index);
    void onError(const QVariant &index, qint16 number, const QString &description);
    void onDelay();
    void skipPage(const QString &reason);
    // The current keyword is done: false when none is left (the search finished).
    bool nextKeyword();
    void scheduleNextQuery();
    void finish();
    void halt();

    CSocketPlus *m_socket;
    SearchEngine m_engine;
    KeyedListModel m_found;
    TldSuffixList m_suffixes;
    QTimer delayTimer;
    QTimer timeoutTimer;
    QTimer m_pageDeadline;
    std::function<double()> m_random;

    QStringList m_keywordQueue; // encoded; the first is the current one
    int m_keywordTotal = 0;
    int m_start = 0;
    qint64 m_bytesReceived = 0;
    QByteArray m_page;
    bool m_topOnly = false;
    int m_topLimit = 100;
    bool m_removeSubdomains = false;
    int m_delayMs = 3000;
    int m_failedPages = 0; // in a row, of the current keyword
    int m_timeoutMs = kTimeoutMs;
    int m_nextDelayMs = kFirstDelayMs;
    quint32 m_attempt = 0; // counts connections, so a deferred failure finds its own
    bool m_stopped = true;
    bool m_running = false;
};
