#pragma once

#include <QIcon>

// The pictures of the menus and the toolbar, drawn at run time so the program
// ships no image files.
enum class ProgramIcon {
    Start,   // green arrow
    Stop,    // red square
    Website, // globe
    Save,    // disk
    Lookup,  // magnifying glass
    Add,     // plus sign
    Config,  // gear wheel
    Help,    // question mark
    Program, // the window icon
};

QIcon programIcon(ProgramIcon which);
