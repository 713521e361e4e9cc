#include "app/rowoutcomes.h"

#include <QApplication>
#include <QSet>
#include <QStyle>
#include <QTreeWidgetItem>

#include "app/joblistview.h"
#include "engine/batchconversion.h"
#include "util/paths.h"

namespace {
constexpr int State = JobListView::StateColumn;
constexpr int VideoRole = Qt::UserRole;
// A run marks the rows it takes; rows added during it are not its own.
constexpr int TakenRole = Qt::UserRole + 1;

// The first line of the row's first report: the reason it failed.
QString firstReason(const RowResult& result) {
    QList<StepReport> reports = result.reports;
    if (result.video && !result.stepFailed) reports << result.video->reports;
    if (reports.isEmpty())
        return result.keptVideo().isEmpty() ? QStringLiteral("the video was not written")
                                            : QStringLiteral("frames are missing");
    return reports.first()
        .description.section(QLatin1Char('\r'), 0, 0)
        .section(QLatin1Char('\n'), 0, 0);
}

QString stateText(const RowResult& result) {
    switch (result.outcome()) {
        case RowResult::Outcome::Written:
            return QStringLiteral("Written: ") + ExtractFileName(result.video->path);
        case RowResult::Outcome::Failed:
            return QStringLiteral("Failed: ") + firstReason(result);
        case RowResult::Outcome::NotConverted:
            break;
    }
    return QStringLiteral("Not converted");
}

QString reportLines(const QList<StepReport>& reports) {
    QStringList lines;
    for (const StepReport& report : reports) {
        QString description = report.description;
        description.replace(QLatin1String("\r\n"), QLatin1String(" "))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        lines << QStringLiteral("%1 (at line %2)").arg(description).arg(report.step);
    }
    return lines.join(QLatin1Char('\n'));
}

QString outcomeText(const RowResult& result) {
    switch (result.outcome()) {
        case RowResult::Outcome::Written:
            return QStringLiteral("Written: ") + result.video->path;
        case RowResult::Outcome::Failed: {
            QList<StepReport> reports = result.reports;
            if (result.video && !result.stepFailed) reports << result.video->reports;
            QString lines = reportLines(reports);
            if (!result.keptVideo().isEmpty())
                lines += (lines.isEmpty() ? QString() : QStringLiteral("\n")) +
                         QStringLiteral("Written without the frames %1: %2")
                             .arg(result.video->outcome.missingFrames.join(QStringLiteral(", ")),
                                  result.video->path);
            return QStringLiteral("Failed") + (lines.isEmpty()
                                                   ? QStringLiteral(": the video was not written")
                                                   : QStringLiteral(":\n") + lines);
        }
        case RowResult::Outcome::NotConverted:
            break;
    }
    if (result.video && result.video->outcome.kind == VideoOutcome::Cancelled)
        return QStringLiteral("Not converted: the compression dialog was cancelled");
    return QStringLiteral("Not converted: no slides were exported");
}

void mark(QTreeWidgetItem* item, QStyle::StandardPixmap icon, const QString& state,
          const QString& text, const QString& video) {
    item->setData(State, Qt::DisplayRole, state);
    item->setData(State, Qt::DecorationRole, QApplication::style()->standardIcon(icon));
    item->setData(State, Qt::ToolTipRole, text);
    item->setData(State, VideoRole, video);
}

// The row the result was made from: its own place, unless rows moved meanwhile.
QTreeWidgetItem* itemFor(JobListView& list, const RowResult& result, QSet<QTreeWidgetItem*>& used) {
    QTreeWidgetItem* item = list.topLevelItem(result.row - 1);
    if (item != nullptr && item->text(0) == result.path && !used.contains(item)) return item;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        item = list.topLevelItem(i);
        if (item->text(0) == result.path && !used.contains(item)) return item;
    }
    return nullptr;
}
}  // namespace

void ClearRowOutcomes(JobListView& list) {
    for (int i = 0; i < list.topLevelItemCount(); ++i) ShowRowWaiting(list.topLevelItem(i));
}

void ShowRowWaiting(QTreeWidgetItem* item, const QString& why) {
    for (int role : JobListView::RowRoles)
        if (role != TakenRole) item->setData(State, role, {});
    item->setData(State, Qt::DisplayRole, QStringLiteral("Waiting"));
    if (!why.isEmpty()) item->setData(State, Qt::ToolTipRole, why);
    item->setData(State, TakenRole, true);
}

void ShowRowConverting(QTreeWidgetItem* item, int slide, int slides) {
    item->setData(State, Qt::DisplayRole,
                  slides > 0 && slide > 0
                      ? QStringLiteral("Converting slide %1 of %2").arg(slide).arg(slides)
                      : QStringLiteral("Converting"));
    item->setData(State, Qt::DecorationRole,
                  QApplication::style()->standardIcon(QStyle::SP_BrowserReload));
    item->setData(State, Qt::ToolTipRole, {});
}

void ShowRowOutcomes(JobListView& list, const QList<RowResult>& results, bool othersNotConverted) {
    QSet<QTreeWidgetItem*> used;
    for (const RowResult& result : results) {
        QTreeWidgetItem* item = itemFor(list, result, used);
        if (item == nullptr) continue;  // removed since
        used.insert(item);
        const RowResult::Outcome outcome = result.outcome();
        mark(item,
             outcome == RowResult::Outcome::Written  ? QStyle::SP_DialogApplyButton
             : outcome == RowResult::Outcome::Failed ? QStyle::SP_MessageBoxCritical
                                                     : QStyle::SP_DialogCancelButton,
             stateText(result), outcomeText(result),
             // A video lacking frames opens too: it was kept.
             result.keptVideo());
    }
    for (int i = 0; othersNotConverted && i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list.topLevelItem(i);
        if (!used.contains(item) && item->data(State, TakenRole).toBool())
            mark(item, QStyle::SP_DialogCancelButton, QStringLiteral("Not converted"),
                 QStringLiteral("Not converted: the run did not reach this row"), QString());
    }
}

QString WrittenVideo(const QTreeWidgetItem* item) {
    return item == nullptr ? QString() : item->data(State, VideoRole).toString();
}

QString OutcomeText(const QTreeWidgetItem* item) {
    return item == nullptr ? QString() : item->data(State, Qt::ToolTipRole).toString();
}

QString StateText(const QTreeWidgetItem* item) {
    return item == nullptr ? QString() : item->data(State, Qt::DisplayRole).toString();
}
