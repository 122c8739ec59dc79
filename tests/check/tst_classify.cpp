#include "engine/classify.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace Qt::StringLiterals;

const QStringList kFree{u"no match for"_s, u"$domain$ is free"_s};
const QStringList kErrors{u"query limit exceeded"_s, u"try again $domain$"_s};

ReplyVerdict classify(QString reply, const QString &tldFree = {}, const QStringList &free = kFree,
                      const QStringList &errors = kErrors)
{
    return classifyReply(reply, u"example.com"_s, tldFree, free, errors);
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
        EXPECT_EQ(classify(QString::fromLatin1(c.reply), QString::fromLatin1(c.tldFree)).kind, c.expected)
            << c.reply;
    // An empty response string in a list matches nothing.
    EXPECT_EQ(classify(u"domain: example.com\n"_s, {}, {QString()}, {QString()}).kind, ReplyClass::Taken);
}

TEST(Classify, ExpirationAndStatusLines)
{
    const auto E = extractExpiration, S = extractStatus;
    const QString longStatus(150, u'x');
    const struct {
        QString (*extract)(QString &);
        QString reply, expected;
    } cases[] = {
        {E, u"expires on: 2010-05-03\r\n"_s, u"03-05-10"_s},
        {E, u"expires on: 2010-05-03"_s, u"N/A"_s},   // no line end after the label
        {E, u"expires on: 2010-05-03\r"_s, u"N/A"_s}, // a CR alone does not end it
        {E, u"registry expiry date: 2010-05-03t00:00:00z\n"_s, u"03-05-10"_s},
        {E, u"expiration date:    20100305   \r\n"_s, u"05-03-10"_s},
        {E, u"renewal date: 05/03/2010\n"_s, u"05-03-2010"_s},
        {E, u"expires on: 05-mar-2010\x01\x02\n"_s, u"05-03-10"_s}, // control bytes before the line end
        {E, u"expires: soon\n"_s, u"Unknown"_s},
        {E, u"expire: 2011-01-01\nexpires on: 2010-05-03\n"_s, u"03-05-10"_s}, // first label in list order
        {E, u"created: 2001-01-01\n"_s, u"N/A"_s},
        {S, u"status: active\r\n"_s, u"Status: active"_s},
        {S, u"state: active\n"_s, u"Status: active"_s},
        {S, u"status:\r\n   ok\r\n"_s, u"Status: ok"_s},
        {S, u"status:"_s, u"Status: "_s},
        {S, u"status:  client\thold  \n"_s, u"Status: clienthold"_s},
        {S, u"status: "_s + longStatus + u'\n', u"Status: "_s + longStatus.left(100) + u"..."_s},
        {S, u"domain: x\n"_s, u"N/A"_s},
        // bytes that would break a work-file line never survive
        {S, u"status: a\x01"_s + QChar(0) + u"b\x1b\n"_s, u"Status: a  b"_s},
    };
    for (const auto &c : cases) {
        QString reply = c.reply;
        EXPECT_EQ(c.extract(reply), c.expected) << qPrintable(c.reply);
    }
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
