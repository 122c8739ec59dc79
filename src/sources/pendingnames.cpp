#include "pendingnames.h"

void PendingNames::append(QStringView name)
{
    const qsizetype old = m_bytes.size();
    m_bytes.resize(old + name.size());
    char *out = m_bytes.data() + old;
    for (QChar c : name)
        *out++ = static_cast<char>(c.unicode());
    m_ends.push_back(m_bytes.size());
}

QLatin1StringView PendingNames::at(qsizetype i) const
{
    const qsizetype begin = i == 0 ? 0 : m_ends[static_cast<size_t>(i - 1)];
    const qsizetype end = m_ends[static_cast<size_t>(i)];
    return QLatin1StringView(m_bytes.constData() + begin, end - begin);
}

void PendingNames::clear()
{
    m_bytes = QByteArray();
    m_ends = {};
}
