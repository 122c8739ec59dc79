#include "engine/classify.h"

#include <gtest/gtest.h>

namespace {

const QStringList kFree{QStringLiteral("no match for"), QStringLiteral("$domain$ is free")};
const QStringList kErrors{QStringLiteral("query limit exceeded"), QStringLiteral("try again $domain$")};

ReplyVerdict classify(const QString &reply, const QString &name = QStringLiteral("example.com"),
                      const QString &tldFree = {})
{
    QString r = reply;
    return classifyReply(r, name, tldFree, kFree, kErrors);
}

TEST(Classify, OrderOfResponseLists)
{
    struct Case {
        const char *reply;
        const char *tldFree;
        ReplyClass expected;
    } cases[] = {
        {"no match for example.com\n", "", ReplyClass::Free},
        // error responses win over free ones
        {"query limit exceeded\nno match for example.com\n", "", ReplyClass::Erroneous},
        {"try again example.com", "", ReplyClass::Erroneous},
        {"try again other.com", "", ReplyClass::Taken},
        // the TLD's own response adds to the global list
        {"not found: example.com", "not found:", ReplyClass::Free},
        {"no match for example.com", "not found:", ReplyClass::Free},
        {"not found: example.com", "", ReplyClass::Taken},
        {"$domain$ exists? example.com", "example.com exists", ReplyClass::Taken},
        {"example.com exists", "$domain$ exists", ReplyClass::Free},
        // "$domain$" stands for this name only
        {"example.com is free", "", ReplyClass::Free},
        {"other.com is free", "", ReplyClass::Taken},
        {"sub.example.com is free", "", ReplyClass::Free},
        // an empty reply is a taken name
        {"", "", ReplyClass::Taken},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(classify(QString::fromLatin1(c.reply), QStringLiteral("example.com"),
                           QString::fromLatin1(c.tldFree))
                      .kind,
                  c.expected)
            << c.reply;
    }
}

TEST(Classify, EmptyResponseStringsMatchNothing)
{
    QString reply = QStringLiteral("domain: example.com\n");
    const ReplyVerdict v = classifyReply(reply, QStringLiteral("example.com"), QString(), {QString()}, {QString()});
    EXPECT_EQ(v.kind, ReplyClass::Taken);
}

TEST(Classify, TakenReplyWithoutDateOrStatus)
{
    const ReplyVerdict v = classify(QString());
    EXPECT_EQ(v.expiration, QLatin1String("N/A"));
    EXPECT_EQ(v.information, QLatin1String("N/A"));
}

TEST(Classify, ExpirationLabels)
{
    struct Case {
        const char *reply;
        const char *expected;
    } cases[] = {
        {"expires on: 2010-05-03\r\n", "03-05-10"},
        {"expires on: 2010-05-03", "N/A"},                    // no line end after the label
        {"expires on: 2010-05-03\r", "N/A"},                  // a CR alone does not end it
        {"registry expiry date: 2010-05-03t00:00:00z\n", "03-05-10"},
        {"expiration date: 05-mar-2010\n", "05-03-10"},
        {"expiration date:    20100305   \r\n", "05-03-10"}, // blanks around the date
        {"renewal date: 05/03/2010\n", "05-03-2010"},
        {"paid-till: 2010.03.05\n", "05-03-10"},
        {"record expires on 05-mar-2010.\n", "05-03-10"},
        {"domain_datebilleduntil: 2010-03-05t00:00:00+00:00\n", "05-03-10"},
        {"exp date: march 5, 2010\n", "05-03-10"},
        {"expires on: 05-mar-2010\x01\x02\n", "05-03-10"}, // control bytes before the line end
        {"expires: soon\n", "Unknown"},
        // only the first label in list order is rewritten
        {"expire: 2011-01-01\nexpires on: 2010-05-03\n", "03-05-10"},
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
    struct Case {
        QString reply;
        QString expected;
    } cases[] = {
        {QStringLiteral("status: active\r\n"), QStringLiteral("Status: active")},
        {QStringLiteral("state: active\n"), QStringLiteral("Status: active")},
        {QStringLiteral("status:\r\n   ok\r\n"), QStringLiteral("Status: ok")},
        {QStringLiteral("status:"), QStringLiteral("Status: ")},
        {QStringLiteral("status:  client\thold  \n"), QStringLiteral("Status: clienthold")},
        {QStringLiteral("status: ") + longStatus + u'\n', QStringLiteral("Status: ") + longStatus.left(100) + "..."},
        {QStringLiteral("domain: x\n"), QStringLiteral("N/A")},
        // bytes that would break a work-file line never survive
        {QStringLiteral("status: a\x01") + QChar(0) + QStringLiteral("b\x1b") + u'\n', QStringLiteral("Status: a  b")},
    };
    for (auto &c : cases) {
        QString reply = c.reply;
        EXPECT_EQ(extractStatus(reply), c.expected) << qPrintable(c.reply);
    }
}

TEST(Classify, TakenVerdictCarriesDateAndStatus)
{
    const ReplyVerdict v =
        classify(QStringLiteral("domain: example.com\nexpires on: 2010-05-03\nstatus: ok\n"));
    EXPECT_EQ(v.kind, ReplyClass::Taken);
    EXPECT_EQ(v.expiration, QLatin1String("03-05-10"));
    EXPECT_EQ(v.information, QLatin1String("Status: ok"));
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
