// SPDX-License-Identifier: GPL-3.0-or-later
// A deck's video is the same, byte for byte, whatever rows came before it
// and however many engines work at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "../platform/office/officetesting.h"
#include "convertrun.h"

TEST(ConvertCommand, EachDeckMakesTheSameVideoAloneAndAfterEveryOtherDeck) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList decks{fixture(QStringLiteral("threeslides.fodp")),
                      fixture(QStringLiteral("widescreen.fodp"))};
    if (sharedDecksDir().isEmpty()) {
        std::printf("../shared/decks is not beside this clone: the project's fixtures only\n");
    } else {
        for (const auto& deck : sharedDecksWithCounts()) decks << deck.first;
    }
    const QStringList common{"--separate", "--fps", "1", "--codec", "rawvideo", "--output-dir"};
    const auto video = [&](const QString& folder, const QString& deck) {
        return readFile(dir.filePath(folder) + QLatin1Char('/') +
                        QFileInfo(deck).completeBaseName() + QStringLiteral(".avi"));
    };
    for (int i = 0; i < decks.size(); ++i) {
        const QString alone = dir.filePath(QStringLiteral("alone%1").arg(i));
        QDir().mkpath(alone);
        const ConvertRun run = RunConvert(common + QStringList{alone, decks[i]});
        ASSERT_EQ(run.exitCode, 0) << decks[i].toStdString() << run.err.toStdString();
    }
    // In list order on one engine at a time, and in the reverse order on
    // every core: each deck comes after every other one in one of them.
    QStringList reversed = decks;
    std::reverse(reversed.begin(), reversed.end());
    const struct {
        const char* folder;
        QStringList jobs;
        QStringList order;
    } batches[] = {{"jobs1", {"--jobs", "1"}, decks}, {"cores", {}, reversed}};
    for (const auto& batch : batches) {
        SCOPED_TRACE(batch.folder);
        const QString out = dir.filePath(QLatin1String(batch.folder));
        QDir().mkpath(out);
        const ConvertRun run = RunConvert(batch.jobs + common + QStringList{out} + batch.order);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (int i = 0; i < decks.size(); ++i) {
            const QByteArray alone = video(QStringLiteral("alone%1").arg(i), decks[i]);
            ASSERT_FALSE(alone.isEmpty()) << decks[i].toStdString();
            EXPECT_TRUE(video(QLatin1String(batch.folder), decks[i]) == alone)
                << decks[i].toStdString();
        }
    }
}
