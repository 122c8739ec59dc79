#pragma once

#include <QString>
#include <QStringView>

// Internationalised domain names. The program keeps, queries, stores and
// exports every name in its ASCII form ("xn--" labels, IDNA as Unicode's
// UTS #46 defines it); the Unicode form is only ever shown.

// The name as the program keeps it: lower case, and a name with characters
// beyond ASCII ("bücher.de", ".рф") in its ASCII form ("xn--bcher-kva.de").
// A text that has no ASCII form comes back lower-cased as it was, so the
// name rules refuse it.
QString asciiName(const QString &text);
QString asciiName(QStringView text);

// Whether `text` holds a character beyond ASCII (and so needs asciiName).
bool hasNonAscii(QStringView text);

// An "xn--" label whose rest is a valid encoding of a Unicode label.
bool isAceLabel(QStringView label);

// The Unicode form of a name kept in ASCII, for display; the name itself when
// it has no "xn--" label or no other form.
QString unicodeName(QStringView name);
