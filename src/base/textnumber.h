#pragma once

#include <QStringView>

// The number at the start of a text, as a lenient reader takes it: leading
// blanks skipped, an optional sign, digits and one decimal point; 0 when the
// text does not start with a number.
double leadingNumber(QStringView text);
