// SPDX-License-Identifier: GPL-3.0-or-later
// The real engine on real presentations written by other people.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "officetesting.h"
#include "platform/office/client/engineparent.h"
#include "util/failure.h"

// The decks in turn, each in a fresh engine as a run gives them.
TEST(SharedDecks, EveryGoodDeckExportsItsSlideCountAsReadableEvenSizedBitmaps) {
    REQUIRE_SHARED_DECKS();
    const auto decks = sharedDecksWithCounts();
    ASSERT_FALSE(decks.empty());
    QTemporaryDir dir;
    auto parent = std::make_unique<EngineParent>();
    int row = 0;
    for (const auto& [path, count] : decks) {
        SCOPED_TRACE(path.toStdString());
        auto helper = std::make_unique<OfficeHelper>(*parent, path, dir.path());
        EXPECT_EQ(helper->open(path), count);
        const QString target = dir.filePath(QStringLiteral("row%1/temp.bmp").arg(++row));
        QDir().mkpath(dir.filePath(QStringLiteral("row%1").arg(row)));
        EXPECT_EQ(helper->saveAs(target), count);
        helper.reset();
        const QString folder = target.chopped(4);
        for (int slide = 1; slide <= count; ++slide) {
            const BmpInfo bmp = readBmp(QStringLiteral("%1/Slide%2.bmp").arg(folder).arg(slide));
            EXPECT_TRUE(bmp.readable) << "slide " << slide;
            EXPECT_EQ(bmp.width % 2, 0);
            EXPECT_EQ(bmp.height % 2, 0);
            EXPECT_GE(bmp.width, 640);
        }
        EXPECT_FALSE(QFile::exists(QStringLiteral("%1/Slide%2.bmp").arg(folder).arg(count + 1)));
    }
    parent.reset();
    EXPECT_EQ(childProcessCount(), 0);
}

TEST(SharedDecks, EveryBadDeckIsRefusedClearlyAndNothingStaysRunning) {
    REQUIRE_SHARED_DECKS();
    const QStringList bad = sharedBadDecks();
    ASSERT_FALSE(bad.isEmpty());
    auto parent = std::make_unique<EngineParent>();
    for (const QString& path : bad) {
        auto helper = std::make_unique<OfficeHelper>(*parent, path);
        try {
            helper->open(path);
            ADD_FAILURE() << "opened " << path.toStdString();
        } catch (const Failure& failure) {
            EXPECT_TRUE(
                failure.description().startsWith(QStringLiteral("Cannot open \"%1\": ").arg(path)))
                << failure.description().toStdString();
        }
        helper.reset();
    }
    parent.reset();
    EXPECT_EQ(childProcessCount(), 0);
}
