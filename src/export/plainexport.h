#pragma once

#include "base/iowrite.h"

#include <QString>

#include <optional>
#include <vector>

class AppContext;
class DomainListModel;
class QIODevice;

inline const QString kPlainExportFilter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
inline const QString kPlainExportTitle = QStringLiteral("Export domains to a plaintext file");

// Writes the domain names of the list, one a line with CR LF, in display
// order; with `selected` only the rows whose flag is set. The error that ended
// the writing, if any (what was written before stays).
std::optional<IoError> writePlainList(QIODevice &out, const DomainListModel &list,
                                      const std::vector<char> *selected = nullptr);

// "Export domains to a plaintext file": asks for a file and writes the names
// of every row or of the selected ones. On an empty list no file is asked for.
// Cancelling ends the command without a message; a file that cannot be
// created or written is named in the save error message of the reports, so a
// list cut short is never taken for a complete one.
void ExportPlain(AppContext &ctx, bool selectedOnly);
