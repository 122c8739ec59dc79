#include "engine/classify.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace Qt::StringLiterals;

const QStringList kFree{u"no match for"_s, u"$DOMAIN$ is free"_s};
const QStringList kErrors{u"Query limit exceeded"_s, u"try again $domain$"_s};

ReplyVerdict classify(QByteArray reply, const QString &tldFree = {}, const QStringList &free = kFree,
                      const QStringList &errors = kErrors)
{
    return classifyReply(reply, "example.com", responseBytes(tldFree), responseBytes(free),
                         responseBytes(errors));
}

TEST(Classify, OrderOfResponseLists)
{
    const struct {
        const char *reply, *tldFree;
        ReplyClass expected;
    } cases[] = {
        {"query limit exceeded\nno match for example.com\n", "", ReplyClass::Erroneous}, // errors win
        {"try again example.com", "", ReplyClass::Erroneous},
        {"try again other.com", "", ReplyClass::Taken},
        {"not found: example.com", "not found:", ReplyClass::Free}, // the TLD's own adds to the global list
        {"no match for example.com", "not found:", ReplyClass::Free},
        {"not found: example.com", "", ReplyClass::Taken},
        {"example.com exists", "$domain$ exists", ReplyClass::Free},
        {"other.com is free", "", ReplyClass::Taken}, // "$domain$" stands for this name only
        {"", "", ReplyClass::Taken},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classify(c.reply, QString::fromLatin1(c.tldFree)).kind, c.expected) << c.reply;
    // An empty response string in a list matches nothing, nor does one that no
    // Latin-1 reply can hold (it must not become a "?" that matches a question mark).
    EXPECT_EQ(classify("domain: example.com\n", {}, {QString()}, {QString()}).kind, ReplyClass::Taken);
    EXPECT_EQ(classify("is it free? example.com\n", {}, {u"free\u2026"_s}).kind, ReplyClass::Taken);
    EXPECT_EQ(classify("is it free? example.com\n", {}, {u"FREE?"_s}).kind, ReplyClass::Free);
    EXPECT_EQ(responseBytes(u"\u00c9TAT: LIBRE"_s), QByteArray("\xe9tat: libre"));
}

TEST(Classify, ExpirationAndStatusLines)
{
    const auto E = extractExpiration, S = extractStatus;
    const QByteArray longStatus(150, 'x');
    const struct {
        QString (*extract)(QByteArrayView);
        QByteArray reply;
        QString expected;
    } cases[] = {
        {E, "expires on: 2010-05-03\r\n", u"03-05-10"_s},
        {E, "expires on: 2010-05-03", u"N/A"_s},   // no line end after the label
        {E, "expires on: 2010-05-03\r", u"N/A"_s}, // a CR alone does not end it
        {E, "registry expiry date: 2010-05-03t00:00:00z\n", u"03-05-10"_s},
        {E, "expiration date:    20100305   \r\n", u"05-03-10"_s},
        {E, "renewal date: 05/03/2010\n", u"05-03-2010"_s},
        {E, "expires on: 05-mar-2010\x01\x02\n", u"05-03-10"_s}, // control bytes before the line end
        {E, "expires: soon\n", u"Unknown"_s},
        {E, "expire: 2011-01-01\nexpires on: 2010-05-03\n", u"03-05-10"_s}, // first label in list order
        // The label found and "expiration date:" itself: whichever comes first in the reply.
        {E, "expiration date: 2011-01-01\nexpires on: 2010-05-03\n", u"01-01-11"_s},
        {E, "expires on: 2010-05-03\nexpiration date: 2011-01-01\n", u"03-05-10"_s},
        {E, "created: 2001-01-01\n", u"N/A"_s},
        {S, "status: active\r\n", u"Status: active"_s},
        {S, "state: active\n", u"Status: active"_s},
        {S, "state: a\nstatus: b\n", u"Status: a"_s},
        {S, "status: state: expires: x\n", u"Status: state: expires: x"_s}, // the line as the server wrote it
        {S, "status:\r\n   ok\r\n", u"Status: ok"_s},
        {S, "status:", u"Status: "_s},
        {S, "status:  client\thold  \n", u"Status: clienthold"_s},
        {S, "status: " + longStatus + '\n', u"Status: "_s + QString(100, u'x') + u"..."_s},
        {S, "domain: x\n", u"N/A"_s},
        // bytes that would break a work-file line never survive; Latin-1 letters do
        {S, QByteArray("status: a\x01\0b\x1b\n", 13), u"Status: a  b"_s},
        {S, "status: r\xe9serv\xe9\n", u"Status: r\u00e9serv\u00e9"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.extract(c.reply), c.expected) << c.reply.toStdString();
}

TEST(Classify, ByteLowerCaseMatchesTextLowerCase)
{
    QByteArray all(256, 0);
    std::iota(all.begin(), all.end(), '\0');
    QByteArray lowered;
    lowerLatin1(lowered = all);
    EXPECT_EQ(QString::fromLatin1(lowered), QString::fromLatin1(all).toLower());
}

} // namespace
