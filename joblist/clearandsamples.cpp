#include "joblist/joblist.h"

#include "joblist/droppedfiles.h"
#include "joblist/jobrows.h"
#include "util/folderscan.h"
#include "util/host.h"
#include "util/paths.h"
#include "util/steptrap.h"

void JobList::PushButton4_Click() {
    StepTrap trap(prompts_, HandlerLocationTag("PushButton4_Click"));
    // A running conversion or folder scan keeps its rows.
    trap.step(100, [&] {
        if (host_.pointer() != Host::Hourglass) list_.clearRows();
    });
}

void JobList::PushButton5_Click() {
    StepTrap trap(prompts_, HandlerLocationTag("PushButton5_Click"));
    trap.step(100, [&] { LoadSampleFiles(list_); });
}

void JobList::LoadSampleFiles(JobRows& list) {
    for (const QString& path : SampleFilePaths(programFolder_))
        if (!ListContains(list, path)) list.addRow(path);
    const QString folder = SampleFolder(programFolder_);
    if (prompts_.askYesNo(QStringLiteral(
            "Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?")))
        openFolder_(folder + QLatin1Char('/'));
}
