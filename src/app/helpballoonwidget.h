#pragma once

// The windows of every folder share this, so it lives in widgets/ now, below
// them all; this name stays for code written against it. Include widgets/helpballoonwidget.h.
#include "widgets/helpballoonwidget.h"
