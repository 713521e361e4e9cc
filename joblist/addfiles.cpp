#include "joblist/joblist.h"

#include "joblist/droppedfiles.h"
#include "joblist/jobrows.h"
#include "util/folderscan.h"
#include "util/paths.h"
#include "util/steptrap.h"

void JobList::PushButton1_Click() {
    StepTrap trap(prompts_, HandlerLocationTag("PushButton1_Click"));
    QStringList chosen;
    trap.step(112, [&] {
        chosen = prompts_.openFiles(
            QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
            {QStringLiteral("PowerPoint Files (*.p*)"), QStringLiteral("All Files (*)")});
    });
    if (chosen.isEmpty()) return;  // cancelled
    if (chosen.size() == 1) {
        trap.step(122, [&] { list_.addRow(chosen.first()); });
        return;
    }
    for (const QString& path : chosen) trap.step(140, [&] { list_.addRow(FixBackslashes(path)); });
}

void JobList::ListView1_OLEDragDrop(const QStringList& entries) {
    for (const QString& entry : entries)
        for (const QString& row : DroppedEntryRows(entry, prompts_)) list_.addRow(row);
}
