// A helper that has served other rows paints exactly as a fresh one.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "officetesting.h"
#include "platform/office/helperpool.h"

// The fixtures as the formats users bring, converted by the helper's own one-shot mode.
static QStringList fixtureDecks(const QString& folder) {
    QStringList decks{fixture(QStringLiteral("threeslides.fodp")),
                      fixture(QStringLiteral("widescreen.fodp"))};
    const std::pair<const char*, const char*> conversions[] = {
        {"threeslides.fodp", "pptx"}, {"widescreen.fodp", "ppt"}, {"threeslides.fodp", "odp"}};
    for (const auto& [source, format] : conversions) {
        const QString output =
            QStringLiteral("%1/%2.%3").arg(folder).arg(decks.size()).arg(QLatin1String(format));
        QProcess convert;
        convert.start(binDir() + QStringLiteral("/quillmoor-office"),
                      {QStringLiteral("convert"), fixture(QLatin1String(source)), output});
        convert.waitForFinished(300'000);
        EXPECT_EQ(convert.exitCode(), 0) << output.toStdString();
        decks << output;
    }
    return decks;
}

static QStringList slidesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
}

// One pass through a pool in name order, so a reused helper paints each deck
// after those before it; a deck the pool painted in a helper that had served
// no row is its own reference, the others are painted again in a fresh one.
TEST(HelperPool, ServedHelperPaintsEveryDeckByteForByteAsAFreshOne) {
    QTemporaryDir dir;
    QStringList decks = fixtureDecks(dir.path());
    if (sharedDecksDir().isEmpty()) {
        std::printf("../shared/decks is not beside this clone: the project's fixtures only\n");
    } else {
        QStringList shared;
        for (const auto& deck : sharedDecksWithCounts()) shared << deck.first;
        shared.sort();
        decks << shared;
    }

    const auto exportTo = [&](OfficeHelper& helper, int deck, const QString& name) {
        helper.open(decks[deck]);
        helper.saveAs(dir.filePath(QStringLiteral("%1%2.bmp").arg(name).arg(deck)));
    };
    PoolLimits unlimited{1000, 1LL << 40, 2};
    HelperPool pool({}, unlimited);
    QList<bool> servedOthers;
    for (int deck = 0; deck < decks.size(); ++deck) {
        auto helper = pool.take();
        servedOthers << (helper->opens() > 0);
        exportTo(*helper, deck, QStringLiteral("pool"));
        pool.giveBack(std::move(helper));
    }
    // Nothing compares unless some helper served an earlier deck.
    ASSERT_TRUE(servedOthers.contains(true)) << "no helper served a second deck";
    for (int deck = 0; deck < decks.size(); ++deck) {
        SCOPED_TRACE(decks[deck].toStdString());
        if (!servedOthers[deck]) continue;
        OfficeHelper fresh;
        exportTo(fresh, deck, QStringLiteral("fresh"));
        const QString again = dir.filePath(QStringLiteral("pool%1").arg(deck));
        const QString alone = dir.filePath(QStringLiteral("fresh%1").arg(deck));
        ASSERT_FALSE(slidesIn(alone).isEmpty());
        ASSERT_EQ(slidesIn(alone), slidesIn(again));
        QStringList differing;
        for (const QString& slide : slidesIn(alone))
            if (readFile(alone + QLatin1Char('/') + slide) !=
                readFile(again + QLatin1Char('/') + slide))
                differing << slide;
        EXPECT_EQ(differing, QStringList());
    }
}
