#pragma once

#include <QString>

#include <vector>

class AppContext;
class DomainListModel;
class QIODevice;

inline const QString kPlainExportFilter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
inline const QString kPlainExportTitle = QStringLiteral("Export domains to a plaintext file");

// Writes the domain names of the list, one a line with CR LF, in display
// order; with `selected` only the rows whose flag is set. False when a write
// failed (what was written before stays).
bool writePlainList(QIODevice &out, const DomainListModel &list, const std::vector<char> *selected = nullptr);

// "Export domains to a plaintext file": asks for a file and writes the names
// of every row or of the selected ones. On an empty list no file is asked for.
// Cancelling and write failures end the command without a message.
void ExportPlain(AppContext &ctx, bool selectedOnly);
