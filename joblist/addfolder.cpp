#include "joblist/joblist.h"
#include "joblist/jobrows.h"
#include "util/folderscan.h"
#include "util/host.h"
#include "util/paths.h"
#include "util/settingsstore.h"
#include "util/steptrap.h"

void JobList::PushButton3_Click() {
    StepTrap trap(prompts_, HandlerLocationTag("PushButton3_Click"));

    QString extension;
    trap.step(100, [&] {
        extension = prompts_.inputBox(
            QStringLiteral("Enter file extension to load:") + QStringLiteral("\r\r") +
                QStringLiteral(
                    "(* for all files, txt for all txt files, doc for all doc files, etc.)"),
            QString(), GetQuillmoorSetting(QStringLiteral("Extension"), QStringLiteral("ppt")));
        if (!extension.isEmpty()) SaveQuillmoorSetting(QStringLiteral("Extension"), extension);
    });
    if (extension.isEmpty()) return;  // nothing typed, or cancelled

    QString picked;
    trap.step(104, [&] {
        picked = prompts_.browseForFolder(QStringLiteral("Please select folder:"),
                                          GetQuillmoorSetting(QStringLiteral("LastFolder")));
    });
    if (picked.isEmpty()) return;
    trap.step(334, [&] { SaveQuillmoorSetting(QStringLiteral("LastFolder"), picked); });

    // Only the one who set the hourglass takes it down: a run or another scan
    // busy before this one stays busy after it.
    const bool wasBusy = host_.pointer() == Host::Hourglass;
    trap.step(112, [&] { host_.setPointer(Host::Hourglass); });
    QStringList folders;
    trap.step(114, [&] { folders = QStringList{picked + QLatin1Char('/')}; });
    trap.step(116, [&] { GetSubDirectories2016(folders, true, prompts_); });

    const QString pattern = QStringLiteral("*.") + extension;
    for (const QString& listed : folders) {
        QString dir;
        trap.step(120, [&] { dir = listed.chopped(1); });
        FileList names;
        trap.step(122, [&] { names = GetFileList(dir, pattern); });
        for (int i = 1; i <= names.upperIndex(); ++i) {
            const QString name = names.at(i);
            if (name.startsWith(QLatin1Char('~'))) continue;
            const QString path = dir + QLatin1Char('/') + name;
            // A failed test counts as passed: the file is reported and still added.
            if (trap.test(132, [&] {
                    return IsFileAccessible(path) && GetAttributes(path) != (Hidden | Archive);
                }))
                trap.step(132, [&] { list_.addRow(FixBackslashes(path)); });
        }
    }
    trap.step(136, [&] {
        if (!wasBusy) host_.setPointer(Host::Default);
    });
}
