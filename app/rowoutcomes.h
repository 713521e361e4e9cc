#pragma once

#include <QList>
#include <QString>

class JobListView;
class QTreeWidgetItem;
struct RowResult;

// What became of each row in the last run, shown in the row's state column (a
// short text and an icon, in full in its tooltip) while its text stays the
// path. With `othersNotConverted`, rows the run took but did not finish show
// "Not converted" (the run did not reach them); rows added since stay as they are.
void ShowRowOutcomes(JobListView& list, const QList<RowResult>& results,
                     bool othersNotConverted = true);
// A new run starts: the rows forget the last one, and those it takes wait.
void ClearRowOutcomes(JobListView& list);
void ShowRowWaiting(QTreeWidgetItem* item, const QString& why = QString());
// The row in hand; `slides` 0 while its slide count is not known yet.
void ShowRowConverting(QTreeWidgetItem* item, int slide = 0, int slides = 0);

// The video written for `item` in the last run, "" when none was.
QString WrittenVideo(const QTreeWidgetItem* item);
// The row's outcome in full, as its state's tooltip tells it, "" before any run.
QString OutcomeText(const QTreeWidgetItem* item);
// The row's state as its column shows it.
QString StateText(const QTreeWidgetItem* item);
