#include "joblist/joblist.h"

#include <QDesktopServices>
#include <QUrl>

#include "joblist/joblistview.h"
#include "util/host.h"
#include "util/programfolder.h"

JobList::JobList(JobListView& list, Prompts& prompts, Host& host, QObject* parent)
    : QObject(parent),
      list_(list),
      prompts_(prompts),
      host_(host),
      programFolder_(ProgramFolder()),
      openFolder_(
          [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }) {
    list_.setHost(&host_);
    list_.setProgramFolder(programFolder_);
    connect(&list_, &JobListView::filesDropped, this, &JobList::ListView1_OLEDragDrop);
}

void JobList::setProgramFolder(const QString& folder) {
    programFolder_ = folder;
    list_.setProgramFolder(folder);
}
