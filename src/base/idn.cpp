#include "idn.h"

#include <QUrl>

namespace {

bool startsWithAcePrefix(QStringView label)
{
    return label.size() > 4 && label.startsWith(u"xn--");
}

} // namespace

bool hasNonAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return true;
    }
    return false;
}

QString asciiName(const QString &text)
{
    // Most names are plain ASCII: lowering one that is lower case already copies nothing.
    if (!hasNonAscii(text))
        return text.toLower();
    const QString lower = text.toLower();
    const QByteArray ace = QUrl::toAce(lower);
    if (ace.isEmpty())
        return lower;
    return QString::fromLatin1(ace);
}

QString asciiName(QStringView text)
{
    return asciiName(text.toString());
}

bool isAceLabel(QStringView label)
{
    if (!startsWithAcePrefix(label))
        return false;
    for (QChar c : label) {
        const char16_t u = c.unicode();
        if (!((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-'))
            return false;
    }
    // Qt hands back a label it cannot decode unchanged (or nothing at all).
    const QByteArray ascii = label.toLatin1();
    const QString decoded = QUrl::fromAce(ascii, QUrl::IgnoreIDNWhitelist);
    return !decoded.isEmpty() && decoded != label;
}

QString unicodeName(QStringView name)
{
    if (!name.contains(u"xn--"))
        return name.toString();
    const QString decoded = QUrl::fromAce(name.toLatin1(), QUrl::IgnoreIDNWhitelist);
    return decoded.isEmpty() ? name.toString() : decoded;
}
