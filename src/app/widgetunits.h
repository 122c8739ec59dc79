#pragma once

// The windows of every folder share this, so it lives in widgets/ now, below
// them all; this name stays for code written against it. Include widgets/widgetunits.h.
#include "widgets/widgetunits.h"
