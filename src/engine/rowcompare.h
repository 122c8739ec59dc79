#pragma once

#include <QString>

// Ordering of the main list's cells when sorting by a column. Text columns
// compare without regard to case. "Length" and "Expires in (days)" compare by
// the number at the start of the text; a cell holding "/" (such as "N/A")
// comes before every number.
bool isNumericColumn(int column);
int compareCells(int column, const QString &a, const QString &b);
