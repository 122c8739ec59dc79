#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

// Text files of the program are 8-bit: one byte is one character (ISO 8859-1),
// so every byte of a file or a WHOIS reply survives a read and a write unchanged.
QString decode8bit(QByteArrayView bytes);
QByteArray encode8bit(QStringView text);

inline constexpr const char *kLineEnd = "\r\n";
// Fields of the program's own files (work files, settings.ini) are joined by SOH.
inline constexpr char16_t kFieldSeparator = u'\x01';

// Reads a text file line by line in large blocks. Lists of names, keywords and
// filter strings accept CR LF, CR and LF line ends; settings.ini ends its lines
// at CR LF or CR only, because a stored response may hold a line feed.
//
// Lists a user writes (names, keywords, filter strings) may come from an editor
// that saves UTF-8: with Decoding::Utf8Names a line that holds bytes beyond
// ASCII and is valid UTF-8 as a whole is read as UTF-8 (and a byte order mark
// at the start of the file is dropped); any other line is read 8-bit as always.
// Latin-1 text with accented letters is practically never valid UTF-8, so
// older files read as they did.
class LineReader
{
public:
    enum class Ends { AnyLineEnd, CrOnly };
    enum class Decoding { EightBit, Utf8Names };

    explicit LineReader(const QString &path, Ends ends = Ends::AnyLineEnd,
                        Decoding decoding = Decoding::EightBit);
    // Reads from an already open device (standard input, for instance).
    explicit LineReader(QIODevice *device, Ends ends = Ends::AnyLineEnd,
                        Decoding decoding = Decoding::EightBit);
    ~LineReader();

    bool open(); // false when the file cannot be opened
    QString errorString() const;
    bool readLine(QString &line); // false at the end of the data or on a read error
    bool failed() const { return m_failed; }

    // A line longer than this (a binary file, an endless stream) is handed out
    // cut to this length and the rest of it, up to the next line end, skipped:
    // reading never holds more than about two blocks in memory.
    static constexpr qsizetype kMaxLineLength = 1 << 20;

private:
    bool fill();
    void takeLine(QString &line, const char *begin, qsizetype size);

    std::unique_ptr<QFile> m_file;
    QIODevice *m_device = nullptr;
    Ends m_ends;
    Decoding m_decoding;
    bool m_firstLine = true;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_skipLf = false;     // a CR ended the last line; a LF right after it belongs to it
    qsizetype m_scanned = 0;   // bytes after m_pos already searched for a line end
    bool m_discarding = false; // skipping the rest of an over-long line
};

// Whether `bytes` are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

// The text without leading and trailing spaces. Only spaces: a tab or another
// blank stays and, in a name, makes it fail the syntax check.
QStringView trimSpaces(QStringView text);

// Splits a line of the program's own files at SOH.
QList<QStringView> splitFields(QStringView line);
