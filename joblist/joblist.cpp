#include "joblist/joblist.h"

#include <QDesktopServices>
#include <QUrl>

#include "joblist/jobrows.h"
#include "util/host.h"
#include "util/programfolder.h"

JobList::JobList(JobRows& list, Prompts& prompts, Host& host, QObject* parent)
    : QObject(parent),
      list_(list),
      prompts_(prompts),
      host_(host),
      programFolder_(ProgramFolder()),
      openFolder_(
          [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }) {}
