#include "plainexport.h"

#include "base/textfile.h"
#include "engine/appcontext.h"
#include "reportexport.h"

#include <QFile>

namespace {
constexpr qsizetype kBlockSize = 1 << 18;
}

std::optional<IoError> writePlainList(QIODevice &out, const DomainListModel &list,
                                      const std::vector<char> *selected)
{
    QByteArray block;
    block.reserve(kBlockSize + 4096);
    for (int r = 0; r < list.size(); ++r) {
        if (selected && (static_cast<size_t>(r) >= selected->size() || !(*selected)[static_cast<size_t>(r)]))
            continue;
        block += encode8bit(list.rowAt(r).cells[ColDomain]);
        block += kLineEnd;
        if (block.size() >= kBlockSize) {
            if (std::optional<IoError> error = writeAll(out, block))
                return error;
            block.truncate(0);
        }
    }
    return writeAll(out, block);
}

void ExportPlain(AppContext &ctx, bool selectedOnly)
{
    if (ctx.list.size() == 0)
        return;
    const QString path = ctx.prompter.chooseSaveFile(kPlainExportTitle, kPlainExportFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    // Unbuffered: every block is checked as it is written.
    std::optional<IoError> error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error = ioError(file);
    } else {
        std::vector<char> selected;
        if (selectedOnly)
            selected = ctx.list.selectedMask();
        error = writePlainList(file, ctx.list, selectedOnly ? &selected : nullptr);
    }
    if (error)
        ctx.prompter.fail(kProgramTitle, report::saveErrorMessage(*error));
}
