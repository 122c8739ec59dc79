#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class CSocketPlus;
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
// the name does not pass the syntax check or its TLD has no entry.
QStringList lookupServersFor(const QString &typed, const WhoisConfig &config);

// Reply bytes as the response box shows them: one byte per character, every
// line ended by CR LF (bare LF ends made CR LF, existing CR LF kept).
QString lookupDisplayText(const QByteArray &reply);

// One WHOIS exchange at a time on index 0 of its own socket object: connect to
// the server, send the query and CR LF, collect the reply until the server
// closes. Every connect and every piece of data restarts the time-out, but
// only during the first ten time-outs of the exchange: a server that trickles
// a byte now and then cannot keep it open for longer than eleven.
//
// A server that closes without a word, and a connection error, leave the
// exchange to its time-out: the window waits for it. socketError() tells callers
// that prefer not to wait (the command-line program) what went wrong.
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

    // `server` is "host" or "host:port" (43 when none is written). Ends any
    // exchange still under way first.
    void start(const QString &server, const QString &query);
    // Ends the exchange silently.
    void cancel();
    bool isRunning() const { return m_running; }

    // The bytes received so far in this exchange (all of them once Done).
    const QByteArray &reply() const { return m_reply; }

signals:
    void finished(WhoisLookup::Outcome outcome);
    void socketError(int number, const QString &description);

private:
    void onConnect(const QVariant &index);
    void onData(const QVariant &index);
    void onClose(const QVariant &index);
    void onTimeout();
    void finish(Outcome outcome);
    void restartTimeout();

    CSocketPlus *m_socket;
    QTimer m_timer;
    QElapsedTimer m_started;
    QByteArray m_query;
    QByteArray m_reply;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_running = false;
};
