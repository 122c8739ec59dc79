#pragma once

#include "config/rdapbootstrap.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class CSocketPlus;
class HttpFetcher;
class QVariant;
class TldSuffixList;
struct WhoisConfig;

// Texts of the manual lookup, shared by the window, the command-line program and
// their tests.
namespace lookuptexts {
inline const QString kTitle = QStringLiteral("Manual Whois Lookup");
inline const QString kHelp = QStringLiteral(
    "This function will allow you to see the raw output from a WHOIS server. Simply enter the domain and the "
    "WHOIS server for that domain. If you allready have the corresponding WHOIS server for the domain "
    "extension "
    "configured, then just type in the server and press enter.");
inline const QString kNeedDomainAndServer =
    QStringLiteral("You must enter a domain and a whois server to use.");
inline const QString kInvalidDomain = QStringLiteral("Invalid domain specified.");
inline const QString kNoServers = QStringLiteral("There are no whois servers for the domain supplied.");
inline const QString kIdle = QStringLiteral("Idle.");
inline const QString kWorking = QStringLiteral("Working..");
inline const QString kDone = QStringLiteral("Done.");
inline const QString kDoneTimeout = QStringLiteral("Done, timeout.");
inline const QString kDoneError = QStringLiteral("Done, error.");
// Shown in the response box when the server could not be reached or asked.
inline const QString kLookupFailedText = QStringLiteral("No reply from %1: %2");
inline const QString kNoRdapService =
    QStringLiteral("The RDAP bootstrap has no service for the domain supplied.");
} // namespace lookuptexts

// The name as the user meant it: lower case, without the leading "=" some
// servers use to ask for an exact match, a name in another script in its
// ASCII form ("bücher.de" is asked for as "xn--bcher-kva.de").
QString normaliseLookupDomain(const QString &typed);

// The text sent to the server for what the user typed. Without `overrideCheck`
// the name must pass the syntax check (nullopt otherwise) and a host name under
// a registered domain is cut down to that domain (www.example.com ->
// example.com). With it, the normalised text goes out unchecked.
std::optional<QString> formLookupQuery(const QString &typed, bool overrideCheck,
                                       const TldSuffixList &suffixes);

// The configured servers of the typed name's TLD, first server first; empty when
// the name does not pass the syntax check or its TLD has no entry. With a
// bootstrap and a mode other than off, the bootstrap's RDAP service for the
// name joins them the way a check run would ask it: last ("fallback", and the
// only one for a TLD without a row) or first ("first").
QStringList lookupServersFor(const QString &typed, const WhoisConfig &config,
                             const RdapBootstrap *bootstrap = nullptr, RdapMode mode = RdapMode::Off);

// Reply bytes as the response box shows them: one byte per character, every
// line ended by CR LF (bare LF ends made CR LF, existing CR LF kept).
QString lookupDisplayText(const QByteArray &reply);

// One WHOIS exchange at a time on index 0 of its own socket object: connect to
// the server, send the query and CR LF, collect the reply until the server
// closes. A server that is an RDAP base URL is asked over HTTP instead, and the
// reply is its JSON, pretty-printed; any HTTP answer (a 404 says the name is
// not registered) ends the exchange as Done, a failure to get one as Error.
// Every connect and every piece of data restarts the time-out, but only during
// the first ten time-outs of the exchange: a server that trickles a byte now
// and then cannot keep it open for longer than eleven.
//
// A server that closes without a word leaves the exchange to its time-out. A
// connection error (refused, no such host, unreachable) ends it at once as
// Error, with errorText() saying why; socketError() comes just before.
class WhoisLookup : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Done, Timeout, Error };
    static constexpr int kDefaultTimeoutMs = 20000;

    explicit WhoisLookup(QObject *parent = nullptr);
    ~WhoisLookup() override;

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    // `server` is "host" or "host:port" (43 when none is written), or an RDAP
    // base URL. Ends any exchange still under way first.
    void start(const QString &server, const QString &query);
    // Ends the exchange silently.
    void cancel();
    bool isRunning() const { return m_running; }

    // The bytes received so far in this exchange (all of them once Done).
    const QByteArray &reply() const { return m_reply; }
    // RDAP: the answer's status line ("HTTP 404 Not Found"); empty for WHOIS.
    const QString &httpStatusLine() const { return m_statusLine; }
    int httpStatus() const { return m_httpStatus; }
    // Why the exchange ended in Error (a connection error, an RDAP failure).
    const QString &errorText() const { return m_errorText; }

signals:
    void finished(WhoisLookup::Outcome outcome);
    void socketError(int number, const QString &description);

private:
    void onConnect(const QVariant &index);
    void onData(const QVariant &index);
    void onClose(const QVariant &index);
    void onTimeout();
    void onRdapDone();
    void finish(Outcome outcome);
    void restartTimeout();

    CSocketPlus *m_socket;
    HttpFetcher *m_http;
    QTimer m_timer;
    QElapsedTimer m_started;
    QByteArray m_query;
    QByteArray m_reply;
    QString m_statusLine;
    QString m_errorText;
    int m_httpStatus = 0;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_running = false;
};
