#include "config/extrasettings.h"
#include "config/rdapbootstrap.h"
#include "config/tldservertable.h"
#include "engine/rdapclassify.h"
#include "support/qtprinters.h"
#include "support/tempdatafolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Kind = HttpFetcher::Result::Kind;

namespace {

HttpFetcher::Result reply(int status, const QByteArray &body)
{
    HttpFetcher::Result r;
    r.kind = Kind::Reply;
    r.status = status;
    r.body = body;
    return r;
}

HttpFetcher::Result failure(Kind kind, const QString &error)
{
    HttpFetcher::Result r;
    r.kind = kind;
    r.error = error;
    return r;
}

// A registry's answer (RFC 9083, 5.3), trimmed, or a registrar's (entities, remarks, events with actors).
QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(QV_TEST_DATA_DIR "/check/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Rdap, Classification)
{
    struct Case {
        const char *what;
        HttpFetcher::Result result;
        RdapClass kind;
        QString text; // the expiration | information of a taken name, the error text otherwise
        QString name = u"example.com"_s;
    };
    const QString notRdap = u"Erroneous RDAP response (not an RDAP domain reply)"_s;
    const QString err = u"Erroneous RDAP response ("_s;
    const QByteArray noStatus = R"({"objectClassName":"domain","ldhName":"example.com"})";
    const QByteArray badDate =
        R"({"objectClassName":"domain","ldhName":"example.com.","events":[{"eventAction":"expiration",)"
        R"("eventDate":"soon"}],"status":["ok\u0001", "  renew period "]})";
    const QByteArray longStatus = R"({"objectClassName":"domain","ldhName":"example.com","status":[")" +
                                  QByteArray(120, 'x') + R"("]})";
    const auto named = [](const QByteArray &names) {
        return reply(200, R"({"objectClassName":"domain",)" + names + "}");
    };
    const QString other = err + u"a reply for another domain)"_s;
    using C = RdapClass;
    const Case cases[] = {
        {"404 with an RDAP error", reply(404, R"({"errorCode":404,"title":"Not Found"})"), C::Free, {}},
        {"404 empty", reply(404, {}), C::Free, {}},
        {"404 web page", reply(404, "<html>no such page</html>"), C::Erroneous, notRdap},
        {"registry", reply(200, sample("rdap-registry.json")), C::Taken,
         u"03-02-31|Status: active, client transfer prohibited"_s},
        {"registrar", reply(200, sample("rdap-registrar.json")), C::Taken, u"31-12-30|Status: active"_s},
        {"no status, no events", reply(200, noStatus), C::Taken, u"N/A|N/A"_s},
        {"unreadable date, control bytes", reply(200, badDate), C::Taken,
         u"Unknown|Status: ok, renew period"_s},
        {"long status", reply(200, longStatus), C::Taken, "N/A|Status: " + QString(100, u'x') + "..."},
        {"another name", named(R"("ldhName":"other.com")"), C::Erroneous, other},
        {"no name", named(R"("status":["active"])"), C::Erroneous, notRdap},
        {"only the Unicode name, another", named(R"("unicodeName":"exämple.com")"), C::Erroneous, other},
        {"the Unicode name another", named(R"("ldhName":"example.com","unicodeName":"other.com")"),
         C::Erroneous, other},
        {"a name that is no text", named(R"("ldhName":7)"), C::Erroneous, other},
        {"only the Unicode name, ours", named(R"("unicodeName":"Example.COM.")"), C::Taken, u"N/A|N/A"_s},
        {"both names of a name in another script",
         named(R"("ldhName":"XN--BCHER-KVA.DE","unicodeName":"Bücher.de")"), C::Taken, u"N/A|N/A"_s,
         u"xn--bcher-kva.de"_s},
        {"an entity", reply(200, R"({"objectClassName":"entity","handle":"x"})"), C::Erroneous, notRdap},
        {"not JSON", reply(200, "Domain: example.com"), C::Erroneous, notRdap},
        {"429", reply(429, {}), C::Erroneous, err + u"HTTP 429)"_s},
        {"503", reply(503, "busy"), C::Erroneous, err + u"HTTP 503)"_s},
        {"too large", failure(Kind::TooLarge, "big"), C::Erroneous, err + u"reply too large)"_s},
        {"loop", failure(Kind::RedirectLoop, "x"), C::Erroneous, err + u"redirect loop)"_s},
        {"chain", failure(Kind::TooManyRedirects, "x"), C::Erroneous, err + u"too many redirects)"_s},
        {"downgrade", failure(Kind::BadRedirect, "x"), C::Erroneous, err + u"bad redirect)"_s},
        {"refused", failure(Kind::TransportError, "Connection refused"), C::Failed,
         u"Error: Connection refused"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const RdapVerdict v = classifyRdap(c.result, c.name);
        EXPECT_EQ(v.kind, c.kind);
        EXPECT_EQ(v.kind == RdapClass::Taken ? v.expiration + u'|' + v.information : v.text, c.text);
    }
}

TEST(Rdap, ExpiryDates)
{
    // Both sides of every field's range; the converter's form for the real ones.
    const struct {
        const char *what;
        const char *date;
        const char *expiration;
    } cases[] = {
        {"RFC 3339", "2031-02-03T04:05:06Z", "03-02-31"},
        {"year 0001", "0001-01-01", "01-01-01"},
        {"month 12", "2031-12-01", "01-12-31"},
        {"month 13", "2031-13-01", "Unknown"},
        {"month 00", "2031-00-01", "Unknown"},
        {"day 31 of January", "2031-01-31", "31-01-31"},
        {"day 32 of January", "2031-01-32", "Unknown"},
        {"day 00", "2031-01-00", "Unknown"},
        {"day 30 of April", "2031-04-30", "30-04-31"},
        {"day 31 of April", "2031-04-31", "Unknown"},
        {"29 February of a leap year", "2028-02-29T00:00:00Z", "29-02-28"},
        {"29 February of another year", "2031-02-29T00:00:00Z", "Unknown"},
        {"hour 23", "2031-02-03T23:00:00Z", "03-02-31"},
        {"hour 24", "2031-02-03T24:00:00Z", "Unknown"},
        {"minute 59", "2031-02-03T04:59:00Z", "03-02-31"},
        {"minute 60", "2031-02-03T04:60:00Z", "Unknown"},
        {"a leap second", "2031-02-03T04:05:60Z", "03-02-31"},
        {"second 61", "2031-02-03T04:05:61Z", "Unknown"},
        {"a fraction", "2030-12-31T23:59:59.123456Z", "31-12-30"},
        {"zone +23:59", "2031-02-03T04:05:06+23:59", "03-02-31"},
        {"zone +24:00", "2031-02-03T04:05:06+24:00", "Unknown"},
        {"zone -05:60", "2031-02-03T04:05:06-05:60", "Unknown"},
        {"zone without colon", "2031-02-03T04:05:06-0500", "03-02-31"},
        {"with a blank for the T", "2031-02-03 04:05:06", "03-02-31"},
        {"another form", "03.02.2031", "03-02-31"},
        {"no date", "soon", "Unknown"},
    };
    for (const auto &c : cases) {
        const QByteArray body = R"({"objectClassName":"domain","ldhName":"example.com","events":[)"
                                R"({"eventAction":"expiration","eventDate":")" +
                                QByteArray(c.date) + R"("}]})";
        EXPECT_EQ(classifyRdap(reply(200, body), "example.com").expiration, QLatin1String(c.expiration))
            << c.what;
    }
}

TEST(Rdap, ServersAndAddresses)
{
    EXPECT_TRUE(isRdapServer(u" HTTP://127.0.0.1:8080/rdap"));
    EXPECT_FALSE(isRdapServer(u"httpserver.example"));

    // The name, always in its ASCII form, joins the path; a query of the base stays after it, a
    // fragment goes.
    const std::tuple<const char *, const char *, const char *> bases[] = {
        {"https://rdap.a.net/com/v1/", "ab.com", "https://rdap.a.net/com/v1/domain/ab.com"},
        {"http://127.0.0.1:81/rdap", "ab.com", "http://127.0.0.1:81/rdap/domain/ab.com"},
        {"https://rdap.a.net/", "münchen.de", "https://rdap.a.net/domain/xn--mnchen-3ya.de"},
        {"http://host/base?x=1", "ab.com", "http://host/base/domain/ab.com?x=1"},
        {"http://host/base/?x=1&y=2#part", "ab.com", "http://host/base/domain/ab.com?x=1&y=2"},
        {"http://host#part", "ab.com", "http://host/domain/ab.com"},
        {"https://host:8443", "ab.com", "https://host:8443/domain/ab.com"},
    };
    for (const auto &[base, name, url] : bases)
        EXPECT_EQ(rdapDomainUrl(QString::fromLatin1(base), QString::fromUtf8(name)).toString(), url) << base;
    EXPECT_EQ(rdapServerKey(QUrl("https://rdap.a.net/x/")), "https://rdap.a.net:443");
    EXPECT_EQ(rdapServerKey(QUrl("http://127.0.0.1:81/")), "http://127.0.0.1:81");
}

TEST(Rdap, RetryAfter)
{
    const QDateTime now(QDate(2026, 1, 15), QTime(12, 0, 0), Qt::UTC);
    EXPECT_EQ(HttpFetcher::parseRetryAfter(" 120 ", now), 120);
    EXPECT_EQ(HttpFetcher::parseRetryAfter("Thu, 15 Jan 2026 12:00:30 GMT", now), 30);
    EXPECT_EQ(HttpFetcher::parseRetryAfter("Thu, 15 Jan 2026 11:00:00 GMT", now), 0);
    EXPECT_EQ(HttpFetcher::parseRetryAfter("soon", now), std::nullopt);
    EXPECT_EQ(HttpFetcher::parseRetryAfter("-5", now), std::nullopt);
    EXPECT_EQ(HttpFetcher::parseRetryAfter("", now), std::nullopt);
}

TEST(Rdap, Bootstrap)
{
    // The shipped snapshot.
    const std::shared_ptr<const RdapBootstrap> shipped = RdapBootstrap::builtin();
    EXPECT_EQ(shipped->serviceFor(u"example.com"), "https://rdap.verisign.com/com/v1/");

    // https is preferred; the longest suffix wins; entries without a usable URL are skipped.
    const auto parsed = RdapBootstrap::parse(R"({"services":[
        [["net"],["http://plain.example/","https://secure.example/"]],
        [["a.net", "B.NET"],["http://sub.example/"]],
        [["org"],["ftp://nothing.example/"]],
        "junk"]})");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->serviceFor(u"x.net"), "https://secure.example/");
    EXPECT_EQ(parsed->serviceFor(u"x.a.net"), "http://sub.example/");
    EXPECT_EQ(parsed->serviceFor(u"x.b.net."), "http://sub.example/");
    EXPECT_TRUE(parsed->serviceFor(u"x.org").isEmpty());
    EXPECT_EQ(parsed->serviceCount(), 2);

    QString error;
    for (const char *bad : {"", "{", "[]", R"({"services":[]})", R"({"services":[[["x"],[]]]})"}) {
        EXPECT_FALSE(RdapBootstrap::parse(bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.isEmpty());
    }

    // A file in the data folder replaces the snapshot; one that cannot be used is named.
    TempDataFolder folder;
    folder.write("rdap-dns.json", R"({"services":[[["zz"],["http://127.0.0.1:9/"]]]})");
    QString problem;
    EXPECT_EQ(RdapBootstrap::load(folder.path(), &problem)->serviceFor(u"a.zz"), "http://127.0.0.1:9/");
    EXPECT_TRUE(problem.isEmpty());
    folder.write("rdap-dns.json", "<html>");
    EXPECT_EQ(RdapBootstrap::load(folder.path(), &problem), shipped);
    EXPECT_TRUE(
        problem.startsWith(folder.file("rdap-dns.json") + " cannot be used as the RDAP bootstrap (not JSON"))
        << problem.toStdString();
}

// What may stand at the place of a file the user can replace: none of it is read
// beyond its bound, none blocks the program.
TEST(Rdap, FilesThatAreNotFiles)
{
    const QByteArray usable = R"({"services":[[["zz"],["http://127.0.0.1:9/"]]]})";
    const auto sized = [&](qint64 size) {
        return [=](const QString &path) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(usable + QByteArray(size - usable.size(), ' '));
        };
    };
    const struct {
        const char *what;
        std::function<void(const QString &path)> make;
        const char *problem; // empty: the file is read
    } cases[] = {
        {"a link to /dev/zero", [](const QString &path) { QFile::link("/dev/zero", path); },
         "it is not a regular file"},
        {"a named pipe", [](const QString &path) { mkfifo(QFile::encodeName(path).constData(), 0600); },
         "it is not a regular file"},
        {"a folder", [](const QString &path) { QDir().mkdir(path); }, "it is a folder"},
        {"a link to nothing", [](const QString &path) { QFile::link("/nonexistent/x", path); }, ""},
        {"a file of the cap", sized(RdapBootstrap::kMaxFileBytes), ""},
        {"a file past the cap", sized(RdapBootstrap::kMaxFileBytes + 1), "it is larger than 16777216 bytes"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TempDataFolder folder;
        const QString bootstrap = folder.file("rdap-dns.json");
        QFile::remove(bootstrap);
        c.make(bootstrap);
        QString problem;
        const auto loaded = RdapBootstrap::load(folder.path(), &problem);
        if (*c.problem == '\0') {
            EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
            continue;
        }
        EXPECT_EQ(loaded, RdapBootstrap::builtin());
        EXPECT_EQ(problem, bootstrap + " cannot be used as the RDAP bootstrap (" + c.problem +
                               "); using the built-in one.");
        if (QFileInfo(bootstrap).isFile())
            continue;

        // quorvane.ini in the same state: its defaults, and nothing written to it.
        const QString ini = folder.file("quorvane.ini");
        c.make(ini);
        ExtraSettings extra(folder.path());
        EXPECT_EQ(extra.problem(), ini + " cannot be used (" + c.problem +
                                       "); its settings keep their defaults, and it is not written.");
        EXPECT_EQ(rdapModeSetting(extra).mode, kDefaultRdapMode);
        EXPECT_EQ(extra.save(), "");
        setRdapMode(extra, RdapMode::First);
        EXPECT_EQ(rdapModeSetting(extra).mode, RdapMode::First);
        EXPECT_EQ(extra.save(), ini + " is not a regular file; the changed settings were not saved.");
        EXPECT_FALSE(QFileInfo(ini).isFile());
    }

    // quorvane.ini has a bound of its own.
    for (const qint64 size : {ExtraSettings::kMaxFileBytes, ExtraSettings::kMaxFileBytes + 1}) {
        TempDataFolder folder;
        const QByteArray line = "[rdap]\nmode=first\n";
        folder.write("quorvane.ini", line + QByteArray(size - line.size() - 1, ';') + '\n');
        ExtraSettings extra(folder.path());
        const bool tooLarge = size > ExtraSettings::kMaxFileBytes;
        EXPECT_EQ(extra.problem().contains("(it is larger than 1048576 bytes)"), tooLarge) << size;
        EXPECT_EQ(rdapModeSetting(extra).mode, tooLarge ? kDefaultRdapMode : RdapMode::First) << size;
    }
}
