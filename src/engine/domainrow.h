#pragma once

#include <QString>

#include <array>

// Columns of the main list, in order.
enum DomainColumn : int {
    ColDomain = 0,
    ColLength,
    ColTld,
    ColAvailability,
    ColExpiration,
    ColExpiresIn,
    ColInformation,
    DomainColumnCount
};

// Colour codes a row can be painted with (paintrow). Any other code leaves the
// list's default colour.
enum RowColour : qint8 {
    ColourNone = -1,
    ColourBlue = 0,  // taken and expiring within the blue limit
    ColourGreen = 1, // free
    ColourGrey = 2,  // not checked / error
    ColourRed = 3,
    ColourPureBlue = 4,
};

// The red, green and blue components of each colour code, for the list and the
// reports alike.
struct RowRgb {
    int red, green, blue;
};
inline constexpr std::array<RowRgb, 5> kRowColours{{
    {0x45, 0x5C, 0xA3},
    {0x41, 0x91, 0x33},
    {0x80, 0x80, 0x80},
    {0xAA, 0x22, 0x22},
    {0x00, 0x00, 0xFF},
}};

// One row of the main list. cells[ColDomain] is the name; its lower-case text is
// the row's key.
struct DomainRow {
    std::array<QString, DomainColumnCount> cells;
    qint8 colour = ColourNone;
    bool bold = false;
};

// Texts shared by many rows; assigning these keeps one copy in memory.
namespace cellText {
const QString &notAvailable(); // "N/A"
const QString &free();         // "FREE"
const QString &taken();        // "Taken"
const QString &zeroDays();     // "0 days"
const QString &empty();
} // namespace cellText
