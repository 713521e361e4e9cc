#pragma once

#include <QList>
#include <QString>

class JobListView;
class QTreeWidgetItem;
struct RowResult;

// What became of each row in the last run, shown on the row itself (an icon
// and its tooltip) while its text stays the path. With `othersNotConverted`,
// rows without a result show "Not converted" (the run did not reach them).
void ShowRowOutcomes(JobListView& list, const QList<RowResult>& results,
                     bool othersNotConverted = true);
// A new run starts: the rows forget the last one.
void ClearRowOutcomes(JobListView& list);

// The video written for `item` in the last run, "" when none was.
QString WrittenVideo(const QTreeWidgetItem* item);
// The row's outcome as its tooltip tells it, "" before any run.
QString OutcomeText(const QTreeWidgetItem* item);
