#pragma once

// Byte helpers for reply text. Replies stay bytes, one byte a Latin-1
// character (or a byte of a UTF-8 one), so these work on `char` and on any
// view of bytes with data(), size() and operator[] (std::string_view,
// QByteArrayView).

namespace replybytes {

// The blanks between a label and its value: spaces and tabs.
constexpr bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks and the control bytes servers pad lines with.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\0';
}

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Letters of words in lower case: ASCII, and every byte of a character beyond
// it (Latin-1 or UTF-8), so "märz" is one word in either.
constexpr bool isWordByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || u >= 0x80;
}

// The lower case of a Latin-1 byte, the same as QString::toLower gives the
// decoded character: A-Z and the accented capitals 0xC0-0xDE except the
// multiplication sign; no other Latin-1 character has a lower case inside Latin-1.
constexpr char lowerLatin1(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char>(u + 0x20);
    return c;
}

template <typename View, typename Blank> constexpr View trimmedFront(View text, Blank blank)
{
    decltype(text.size()) i = 0;
    while (i < text.size() && blank(text[i]))
        ++i;
    return View(text.data() + i, text.size() - i);
}

template <typename View, typename Blank> constexpr View trimmedBack(View text, Blank blank)
{
    auto n = text.size();
    while (n > 0 && blank(text[n - 1]))
        --n;
    return View(text.data(), n);
}

template <typename View> constexpr View trimmed(View text)
{
    return trimmedBack(trimmedFront(text, isBlank), isBlank);
}

} // namespace replybytes
