#include "engine/classify.h"

#include <gtest/gtest.h>

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
        {"no match for example.com\n", "", ReplyClass::Free},
        {"query limit exceeded\nno match for example.com\n", "", ReplyClass::Erroneous}, // errors win
        {"try again example.com", "", ReplyClass::Erroneous},
        {"try again other.com", "", ReplyClass::Taken},
        // the TLD's own response adds to the global list
        {"not found: example.com", "not found:", ReplyClass::Free},
        {"no match for example.com", "not found:", ReplyClass::Free},
        {"not found: example.com", "", ReplyClass::Taken},
        {"example.com exists", "$domain$ exists", ReplyClass::Free},
        // "$domain$" stands for this name only
        {"example.com is free", "", ReplyClass::Free},
        {"other.com is free", "", ReplyClass::Taken},
        {"", "", ReplyClass::Taken},
    };
    for (const auto &c : cases)
        EXPECT_EQ(classify(QString::fromLatin1(c.reply), QString::fromLatin1(c.tldFree)).kind, c.expected)
            << c.reply;
    // An empty response string in a list matches nothing.
    EXPECT_EQ(classify(u"domain: example.com\n"_s, {}, {QString()}, {QString()}).kind, ReplyClass::Taken);
}

TEST(Classify, TakenVerdictCarriesDateAndStatus)
{
    ReplyVerdict v = classify(u"domain: example.com\nexpires on: 2010-05-03\nstatus: ok\n"_s);
    EXPECT_EQ(v.kind, ReplyClass::Taken);
    EXPECT_EQ(v.expiration, "03-05-10"_L1);
    EXPECT_EQ(v.information, "Status: ok"_L1);
    v = classify(QString());
    EXPECT_EQ(v.expiration, "N/A"_L1);
    EXPECT_EQ(v.information, "N/A"_L1);
}

TEST(Classify, ExpirationLabels)
{
    const struct {
        const char *reply, *expected;
    } cases[] = {
        {"expires on: 2010-05-03\r\n", "03-05-10"},
        {"expires on: 2010-05-03", "N/A"},   // no line end after the label
        {"expires on: 2010-05-03\r", "N/A"}, // a CR alone does not end it
        {"registry expiry date: 2010-05-03t00:00:00z\n", "03-05-10"},
        {"expiration date:    20100305   \r\n", "05-03-10"},
        {"renewal date: 05/03/2010\n", "05-03-2010"},
        {"exp date: march 5, 2010\n", "05-03-10"},
        {"expires on: 05-mar-2010\x01\x02\n", "05-03-10"}, // control bytes before the line end
        {"expires: soon\n", "Unknown"},
        {"expire: 2011-01-01\nexpires on: 2010-05-03\n", "03-05-10"}, // first label in list order
        {"created: 2001-01-01\n", "N/A"},
    };
    for (const auto &c : cases) {
        QString reply = QString::fromLatin1(c.reply);
        EXPECT_EQ(extractExpiration(reply), QString::fromLatin1(c.expected)) << c.reply;
    }
}

TEST(Classify, StatusLine)
{
    const QString longStatus(150, u'x');
    const struct {
        QString reply, expected;
    } cases[] = {
        {u"status: active\r\n"_s, u"Status: active"_s},
        {u"state: active\n"_s, u"Status: active"_s},
        {u"status:\r\n   ok\r\n"_s, u"Status: ok"_s},
        {u"status:"_s, u"Status: "_s},
        {u"status:  client\thold  \n"_s, u"Status: clienthold"_s},
        {u"status: "_s + longStatus + u'\n', u"Status: "_s + longStatus.left(100) + u"..."_s},
        {u"domain: x\n"_s, u"N/A"_s},
        // bytes that would break a work-file line never survive
        {u"status: a\x01"_s + QChar(0) + u"b\x1b\n"_s, u"Status: a  b"_s},
    };
    for (const auto &c : cases) {
        QString reply = c.reply;
        EXPECT_EQ(extractStatus(reply), c.expected) << qPrintable(c.reply);
    }
}

TEST(Classify, ByteLowerCaseMatchesTextLowerCase)
{
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    QByteArray lowered = all;
    lowerLatin1(lowered);
    EXPECT_EQ(QString::fromLatin1(lowered), QString::fromLatin1(all).toLower());
}

} // namespace
