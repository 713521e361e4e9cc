#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "engine/batchconversion.h"

// One row of a command-line run as it is told: its outcome and every reason
// given for it, the first one the cause.
struct RowAccount {
    QString input;
    RowResult::Outcome outcome = RowResult::Outcome::NotConverted;
    QStringList videos;
    QStringList reasons;
    int slides = 0;
    double seconds = 0;
    int engineRetries = 0;
    int transitions = 0;  // played in its video
    QList<VideoChapter> chapters;
    // Links left out of its slides, told but not failures.
    QStringList warnings;
    double audioSeconds = 0;  // its video's sound; 0: silent
};

// A report or message as one line: its line breaks become ": ".
QString OneLine(const QString& text);

// "written", "failed" or "not converted".
QString OutcomeName(RowResult::Outcome outcome);

// The run as JSON: each row, then the totals. `seconds` is the whole run's time.
QByteArray RunReportJson(const QList<RowAccount>& rows, double seconds);
