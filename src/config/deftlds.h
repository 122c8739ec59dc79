#pragma once

#include <QStringList>

class TldServerTable;

// The built-in WHOIS configuration: 111 TLD rows, 28 free and 9 error responses.
// deftlds adds each row with AddTldEntry and ignores the results (existing
// rows are kept, so it does not clear the table first).
void deftlds(TldServerTable &table);
const QStringList &defaultFreeResponses();
const QStringList &defaultErrorResponses();
