#include "joblist/joblist.h"
#include "joblist/joblistview.h"
#include "util/folderscan.h"
#include "util/paths.h"
#include "util/steptrap.h"

void JobList::PushButton1_Click() {
    StepTrap trap(prompts_, QStringLiteral("in Quorvide2021/08/31.Form1.PushButton1_Click "));
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
    for (const QString& entry : entries) {
        // An entry removed between drag and drop, or unreadable, is skipped.
        try {
            if (!PathExists(entry)) continue;
            if (IsFolder(entry) && (GetAttributes(entry) & Directory) != 0)
                addDroppedFolder(entry);
            else
                list_.addRow(entry);
        } catch (...) {
        }
    }
}

// Each dropped folder gets a folder list of its own, so two dropped folders add
// each tree once.
void JobList::addDroppedFolder(const QString& folder) {
    QStringList folders{folder + QLatin1Char('/')};
    GetSubDirectories2016(folders, true, prompts_);
    for (const QString& listed : folders) {
        const QString dir = listed.chopped(1);
        const FileList names = GetFileList(dir, QStringLiteral("*.*"));
        for (int i = 1; i <= names.upperIndex(); ++i) {
            const QString name = names.at(i);
            if (name.startsWith(QLatin1Char('~'))) continue;
            const QString path = dir + QLatin1Char('/') + name;
            bool wanted = false;
            try {
                wanted = IsFileAccessible(path) && GetAttributes(path) != (Hidden | Archive);
            } catch (...) {
                wanted = false;  // gone since the listing
            }
            if (wanted) list_.addRow(FixBackslashes(path));
        }
    }
}
