#pragma once

#include <QString>

// Turns the text that follows "expiration date:" in a WHOIS reply (one line,
// lower case, leading blanks removed) into "dd-mm-yy" or "dd-mm-yyyy", or
// "Unknown". The year width depends on the form the registry used. Never fails.
QString converter(const QString &text);
