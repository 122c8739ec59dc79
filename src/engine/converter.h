#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

// Turns the text that follows "expiration date:" in a WHOIS reply (one line,
// lower case, leading blanks removed) into "dd-mm-yy" or "dd-mm-yyyy", or
// "Unknown". The year width depends on the form the registry used. Never fails.
QString converter(const QString &text);

// The free-form reader behind converter for texts of no fixed layout: month
// names ("march 5, 2010", "5 march 2010", "mar 5 2010"), day-first numbers
// ("5/3/2010"), year-first numbers ("2010/3/5"); times of day, weekday names
// and zone names are ignored. An invalid QDate for anything else.
QDate parseFreeDate(QStringView text);
