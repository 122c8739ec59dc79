#pragma once

#include "sources/pendingnames.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

class LineReader;
class NameListModel;

// How the words of a phrase are joined: nothing, a dash, or both ways (the
// dashed name first). The numbers are those of the separator option.
enum class KeywordSeparator { None = 0, Dashes = 1, Both = 2 };

// Words are joined with this while a phrase is built; it then becomes the
// separator. A word that holds one therefore acts as two words.
inline constexpr char16_t kKeywordJoint = u'%';

// Above this many pending names the user is asked once whether to go on.
inline constexpr qsizetype kPendingQuestionLimit = 100000;

inline const QString kSelectTldText = QStringLiteral("You must select at least one top level domain.");
inline const QString kEnterWordsText =
    QStringLiteral("You must enter words in at least one of the three boxes.");
inline const QString kManyKeywordDomainsQuestion = QStringLiteral(
    "We have now generated more than 100,000 domains based on your settings.\r\nGenerating this "
    "many domains can use quite a lot of memory.\r\n\r\nAre you sure that you would like to "
    "continue?");
inline const QString kNoKeywordDomainsText =
    QStringLiteral("We could not generate any domains based on the settings that you have provided.\r\n\r\n"
                   "Make sure that you only used the following allowed characters: "
                   "abcdefghijklmnopqrstuvwxyz0123456789-");
// kKeywordDomainsDoneText.arg(rows)
inline const QString kKeywordDomainsDoneText =
    QStringLiteral("We have successfully generated %1 domains for you!");

// The words of one box: its lines (CR LF, CR or LF ends) lower-cased, empty
// ones left out, the others kept as they are (not trimmed, repeats kept).
QStringList keywordWords(QStringView text);
// The same from a file.
QStringList keywordWords(LineReader &reader);

struct KeywordInput {
    QStringList beginning;
    QStringList middle;
    QStringList end;
    QStringList tlds;
    KeywordSeparator separator = KeywordSeparator::Both;
};

// Every combination of a Beginning, a Middle and an End word with every TLD
// (the TLD varying fastest, then the End word, the Middle word, the Beginning
// word), joined as the separator says; a list without words takes part as one
// empty word. Candidates in other scripts are taken in their ASCII form
// ("xn--"); those that pass the syntax check are appended to `pending`.
// Once `pending` holds more than kPendingQuestionLimit names, `askToContinue`
// (when given) is called, once; false stops the generation there. Returns false
// when it was stopped.
bool generateKeywordDomains(const KeywordInput &input, PendingNames &pending,
                            const std::function<bool()> &askToContinue = {});

enum class KeywordStream {
    Done,
    OutOfMemory, // what was made so far was handed on; the rest was not
    TooMany,     // more combinations than can be counted: nothing was made
};

// The names generateKeywordDomains makes, in the same order, each handed to
// `sink` the first time it is made (later repeats are left out) as soon as it
// is made. Memory grows with the number of distinct names by 8 bytes each
// (plus a third), not with their letters.
KeywordStream streamKeywordDomains(const KeywordInput &input, const std::function<void(QStringView)> &sink);

// Moves `pending` into `list` in order (pending names are lower case, as the
// syntax check requires); names already there are skipped. `pending` is emptied. Returns the number of rows
// added.
int movePendingNames(PendingNames &pending, NameListModel &list);
