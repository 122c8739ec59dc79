#pragma once

class DomainListModel;

// A click on the header of `column` (0-based). Every click flips the one sort
// direction the list keeps for all columns, so the first click sorts
// descending. A text column sorted descending leaves the list sorting itself
// from then on (rows added later go to their sorted place); every other click
// sorts once and leaves automatic sorting off. "Length" and "Expires in (days)"
// sort by the number in the cell, cells holding "/" (such as "N/A") first in
// ascending order. Cells keep their texts; the selection and the current row
// follow their rows.
void sortByHeaderClick(DomainListModel &list, int column);
