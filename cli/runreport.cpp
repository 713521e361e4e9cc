#include "cli/runreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

QString OneLine(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    return text.trimmed().replace(breaks, QStringLiteral(": "));
}

QString OutcomeName(RowResult::Outcome outcome) {
    switch (outcome) {
        case RowResult::Outcome::Written:
            return QStringLiteral("written");
        case RowResult::Outcome::Failed:
            return QStringLiteral("failed");
        case RowResult::Outcome::NotConverted:
            break;
    }
    return QStringLiteral("not converted");
}

namespace {
QJsonArray chapterList(const QList<VideoChapter>& chapters) {
    QJsonArray list;
    for (const VideoChapter& chapter : chapters) {
        QJsonObject entry{{QStringLiteral("start"), chapter.startMs / 1000.0},
                          {QStringLiteral("title"), chapter.title}};
        if (!chapter.chapters.isEmpty())
            entry.insert(QStringLiteral("chapters"), chapterList(chapter.chapters));
        list.append(entry);
    }
    return list;
}
}  // namespace

QByteArray RunReportJson(const QList<RowAccount>& rows, double seconds) {
    QJsonArray list;
    int counts[3] = {0, 0, 0};
    QStringList videos;
    for (const RowAccount& row : rows) {
        ++counts[int(row.outcome)];
        for (const QString& video : row.videos)
            if (!videos.contains(video)) videos << video;
        QJsonObject entry{{QStringLiteral("input"), row.input},
                          {QStringLiteral("outcome"), OutcomeName(row.outcome)},
                          {QStringLiteral("videos"), QJsonArray::fromStringList(row.videos)},
                          {QStringLiteral("reasons"), QJsonArray::fromStringList(row.reasons)},
                          {QStringLiteral("warnings"), QJsonArray::fromStringList(row.warnings)},
                          {QStringLiteral("slides"), row.slides},
                          {QStringLiteral("seconds"), row.seconds},
                          {QStringLiteral("engineRetries"), row.engineRetries},
                          {QStringLiteral("transitions"), row.transitions},
                          {QStringLiteral("audioSeconds"), row.audioSeconds}};
        if (!row.chapters.isEmpty())
            entry.insert(QStringLiteral("chapters"), chapterList(row.chapters));
        list.append(entry);
    }
    const QJsonObject totals{
        {QStringLiteral("rows"), int(rows.size())},
        {QStringLiteral("written"), counts[int(RowResult::Outcome::Written)]},
        {QStringLiteral("failed"), counts[int(RowResult::Outcome::Failed)]},
        {QStringLiteral("notConverted"), counts[int(RowResult::Outcome::NotConverted)]},
        {QStringLiteral("videos"), int(videos.size())},
        {QStringLiteral("seconds"), seconds}};
    return QJsonDocument(
               QJsonObject{{QStringLiteral("rows"), list}, {QStringLiteral("totals"), totals}})
        .toJson();
}
