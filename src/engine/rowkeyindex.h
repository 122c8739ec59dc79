#pragma once

#include "domainrow.h"

#include <QStringView>

#include <vector>

// The main list's index from a row's key (its Domain text in lower case) to
// its position. It keeps no copy of the keys: a slot holds the key's hash and
// the row number, and a match is confirmed against the row itself. Eight bytes
// a slot and one memory access per lookup keep a million-row list quick to
// fill and cheap to hold.
class RowKeyIndex
{
public:
    void clear();
    void reserve(size_t rows);
    size_t size() const { return m_size; }

    // Position of the row with `key`, or -1.
    int find(QStringView key, const std::vector<DomainRow> &rows) const;

    // Where `key` goes: either the slot of the row that has it already
    // (rowAt(slot) >= 0) or the empty slot for it. Valid until the next change.
    struct Probe {
        size_t slot;
        quint32 hash;
    };
    Probe probe(QStringView key, const std::vector<DomainRow> &rows);
    int rowAt(const Probe &p) const { return m_slots[p.slot].row; }
    void fill(const Probe &p, int row);

    // Rows from `first` on moved one place down (an insertion before them).
    void shiftFrom(int first);
    // The rows were reordered: row r is now at newPos[r].
    void renumber(const std::vector<int> &newPos);
    // Builds the index afresh for rows whose keys are known to be unique.
    void rebuild(const std::vector<DomainRow> &rows);

    static quint32 hashOf(QStringView key);

private:
    struct Slot {
        quint32 hash = 0;
        qint32 row = -1;
    };
    size_t findSlot(QStringView key, quint32 hash, const std::vector<DomainRow> &rows) const;
    void grow(size_t minimumSlots);

    std::vector<Slot> m_slots;
    size_t m_size = 0;
};
