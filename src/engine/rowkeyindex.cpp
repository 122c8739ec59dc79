#include "rowkeyindex.h"

#include <QHashFunctions>

#include <bit>

namespace {

// Does the row's Domain text have `key` as its lower-case form?
bool keyMatches(QStringView key, const QString &domain)
{
    if (domain.size() != key.size())
        return false;
    if (QStringView(domain) == key)
        return true;
    return domain.toLower() == key;
}

} // namespace

quint32 RowKeyIndex::hashOf(QStringView key)
{
    const size_t h = qHash(key, qGlobalQHashSeed());
    return static_cast<quint32>(h ^ (static_cast<quint64>(h) >> 32));
}

void RowKeyIndex::clear()
{
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_size = 0;
}

void RowKeyIndex::reserve(size_t rows)
{
    // At most half the slots in use keeps probe runs short.
    if (rows * 2 > m_slots.size())
        grow(rows * 2);
}

void RowKeyIndex::grow(size_t minimumSlots)
{
    const size_t count = std::bit_ceil(std::max<size_t>(minimumSlots, 16));
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.assign(count, Slot{});
    const size_t mask = count - 1;
    for (const Slot &s : old) {
        if (s.row < 0)
            continue;
        size_t i = s.hash & mask;
        while (m_slots[i].row >= 0)
            i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

size_t RowKeyIndex::findSlot(QStringView key, quint32 hash, const std::vector<DomainRow> &rows) const
{
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    for (;;) {
        const Slot &s = m_slots[i];
        if (s.row < 0)
            return i;
        if (s.hash == hash && keyMatches(key, rows[static_cast<size_t>(s.row)].cells[ColDomain]))
            return i;
        i = (i + 1) & mask;
    }
}

int RowKeyIndex::find(QStringView key, const std::vector<DomainRow> &rows) const
{
    if (m_size == 0)
        return -1;
    return m_slots[findSlot(key, hashOf(key), rows)].row;
}

RowKeyIndex::Probe RowKeyIndex::probe(QStringView key, const std::vector<DomainRow> &rows)
{
    if ((m_size + 1) * 2 > m_slots.size())
        grow((m_size + 1) * 2);
    const quint32 hash = hashOf(key);
    return {findSlot(key, hash, rows), hash};
}

void RowKeyIndex::fill(const Probe &p, int row)
{
    Slot &s = m_slots[p.slot];
    if (s.row < 0)
        ++m_size;
    s.hash = p.hash;
    s.row = row;
}

void RowKeyIndex::shiftFrom(int first)
{
    for (Slot &s : m_slots) {
        if (s.row >= first)
            ++s.row;
    }
}

void RowKeyIndex::renumber(const std::vector<int> &newPos)
{
    for (Slot &slot : m_slots) {
        if (slot.row >= 0)
            slot.row = newPos[static_cast<size_t>(slot.row)];
    }
}

void RowKeyIndex::rebuild(const std::vector<DomainRow> &rows)
{
    const size_t wanted = std::bit_ceil(std::max<size_t>(rows.size() * 2, 16));
    if (m_slots.size() < wanted || m_slots.size() > wanted * 4)
        m_slots.assign(wanted, Slot{});
    else
        std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_size = 0;
    const size_t mask = m_slots.size() - 1;
    for (size_t r = 0; r < rows.size(); ++r) {
        const quint32 hash = hashOf(rows[r].cells[ColDomain].toLower());
        size_t i = hash & mask;
        while (m_slots[i].row >= 0)
            i = (i + 1) & mask;
        m_slots[i] = {hash, static_cast<qint32>(r)};
        ++m_size;
    }
}
