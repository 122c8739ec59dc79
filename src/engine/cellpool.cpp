#include "cellpool.h"

CellTextPool::CellTextPool(qsizetype maxEntries)
    : m_maxEntries(maxEntries)
{
}

QString CellTextPool::intern(QStringView text)
{
    if (text.isEmpty())
        return QString();
    // A non-owning QString over the caller's characters: looking up costs no
    // allocation, only a miss does.
    const QString probe = QString::fromRawData(reinterpret_cast<const QChar *>(text.utf16()), text.size());
    const auto it = m_texts.constFind(probe);
    if (it != m_texts.constEnd())
        return *it;
    QString owned = text.toString();
    if (m_texts.size() < m_maxEntries)
        m_texts.insert(owned);
    return owned;
}
