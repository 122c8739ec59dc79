#include "listcommands.h"

#include "base/datafolder.h"
#include "engine/appcontext.h"
#include "engine/repopulate.h"
#include "engine/workfile.h"
#include "listtexts.h"

RebuildOutcome rebuildThroughRowFile(AppContext &ctx, const std::function<bool(int, const DomainRow &)> &keep,
                                     SortMode sortMode)
{
    DomainListModel &list = ctx.list;
    if (list.size() == 0)
        return RebuildOutcome::EmptyList;
    // A run writes its results to the same file and rebuilds the list itself.
    if (!ctx.run.stopped)
        return RebuildOutcome::Busy;

    const QString path = dataFile(ctx.dataFolder, QString::fromLatin1(kTempFileName));
    WorkFileWriter out;
    bool written = out.open(path, true);
    for (int i = 0; written && i < list.size(); ++i) {
        const DomainRow &row = list.rowAt(i);
        if (keep(i, row))
            written = out.writeLine({row.cells[ColDomain], row.cells[ColAvailability],
                                     row.cells[ColExpiration], row.cells[ColInformation]});
    }
    written = out.close() && written;
    if (!written) {
        ctx.prompter.fail(kProgramTitle, listtext::rowFileNotWritten(path, out.errorString()));
        return RebuildOutcome::NotWritten;
    }

    const bool sorted = list.autoSort() && sortMode == SortMode::Keep;
    list.clear();
    repopulate(list, ctx.run, ctx.dataFolder, ctx.clock.today(), ctx.prompter);
    // repopulate reloads in file order with sorting off; a list that keeps itself
    // sorted takes its rows back into sorted order.
    if (sorted)
        list.setAutoSort(true);
    return RebuildOutcome::Rebuilt;
}

RebuildOutcome deleteselected(AppContext &ctx)
{
    if (ctx.list.size() == 0)
        return RebuildOutcome::EmptyList;
    const std::vector<char> selected = ctx.list.selectedMask();
    return rebuildThroughRowFile(
        ctx, [&selected](int i, const DomainRow &) { return !selected[static_cast<size_t>(i)]; },
        SortMode::Keep);
}

RebuildOutcome DeleteByStatus(AppContext &ctx, const QString &status, bool uncheckedToo)
{
    return rebuildThroughRowFile(
        ctx,
        [&status, uncheckedToo](int, const DomainRow &row) {
            const QString &availability = row.cells[ColAvailability];
            if (uncheckedToo && availability.isEmpty())
                return false;
            return availability != status;
        },
        SortMode::SwitchOff);
}

bool clearlist(AppContext &ctx)
{
    if (ctx.list.size() == 0)
        return false;
    if (!ctx.prompter.askYesNo(kProgramTitle, listtext::kClearListQuestion, PromptIcon::Information,
                               /*defaultYes=*/false))
        return false;
    ctx.list.clear();
    // The counters describe the rows of the list; with none left they all read 0.
    ctx.run.freeCount = 0;
    ctx.run.takenCount = 0;
    ctx.run.uncheckedCount = 0;
    return true;
}

void selectall(DomainListModel &list)
{
    if (list.size() > 0)
        list.selectAllRows();
}

void unselectall(DomainListModel &list)
{
    if (list.size() > 0)
        list.selectionModel()->clearSelection();
}

void selectinverse(DomainListModel &list)
{
    if (list.size() > 0)
        list.invertSelection();
}
