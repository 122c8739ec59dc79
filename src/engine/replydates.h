#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QStringView>

#include <string_view>

// The one reader of dates written in replies, in two strengths: for the
// recognition, which never guesses, and for the converter's texts of no fixed
// layout, which reads what a registry most likely meant. Month names in
// several languages (the recognition's tables), or a part of at least three
// letters of an English one ("sept"); weekday names, times of day and zone
// names are passed over.

// Which number comes first in a date written with slashes, when a label says so
// ("expiration date (dd/mm/yyyy)").
enum class DayOrder { Unknown, DayFirst, MonthFirst };

// The day an expiry value names: "2016-04-01t07:41:59z", "2010.10.16",
// "22.07.2014", "20140921", "21-march-2015", "mon apr 25 23:59:59 gmt 2016",
// "22. märz 2015" and the like. Invalid when the text does not name one day for
// certain: a two-digit year, a year before 1980, or "03/04/2014" without `order`.
QDate readExpiryDate(QByteArrayView text, DayOrder order = DayOrder::Unknown);
// The same for text already in lower case (as replies are compared in).
QDate readDate(std::string_view lowered, DayOrder order = DayOrder::Unknown);

// The converter's reader for lower-case texts of no fixed layout: as above,
// and also two-digit years (read in the window 1930-2029), any year, and
// numbers read day first unless the day cannot be the month ("3/25/2010").
QDate parseFreeDate(QStringView text);
