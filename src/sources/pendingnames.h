#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>

#include <vector>

// Names collected before they go into a keyed list, one byte a character in one
// block plus one end offset per name: ten million generated names cost little
// more than their letters, where a list of strings would allocate each one.
// Only names that passed the syntax check are stored, and those are plain
// ASCII, so nothing is lost by the one-byte form.
class PendingNames
{
public:
    void append(QStringView name);
    qsizetype size() const { return static_cast<qsizetype>(m_ends.size()); }
    // Characters of all names together.
    qsizetype textSize() const { return m_bytes.size(); }
    bool isEmpty() const { return m_ends.empty(); }
    QLatin1StringView at(qsizetype i) const;
    void clear();
    // Bytes held, for those who watch memory.
    qsizetype byteSize() const
    {
        return m_bytes.capacity() + static_cast<qsizetype>(m_ends.capacity() * sizeof(qsizetype));
    }

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_ends;
};
