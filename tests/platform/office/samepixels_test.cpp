// A helper that has served other rows paints exactly as a fresh one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
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

TEST(HelperPool, ServedHelperPaintsEveryDeckByteForByteAsAFreshOne) {
    QTemporaryDir dir;
    QStringList decks = fixtureDecks(dir.path());
    if (sharedDecksDir().isEmpty())
        std::printf("../shared/decks is not beside this clone: the project's fixtures only\n");
    else
        for (const auto& deck : sharedDecksWithCounts()) decks << deck.first;

    const auto exportTo = [&](OfficeHelper& helper, int deck, const QString& name) {
        helper.open(decks[deck]);
        helper.saveAs(dir.filePath(QStringLiteral("%1%2.bmp").arg(name).arg(deck)));
    };
    for (int deck = 0; deck < decks.size(); ++deck) {
        OfficeHelper fresh;
        exportTo(fresh, deck, QStringLiteral("fresh"));
    }
    // Every deck twice in one helper: the second time all the others came before it.
    PoolLimits unlimited{1000, 1LL << 40, 2};
    HelperPool pool({}, unlimited);
    pid_t served = -1;
    for (const QString& pass : {QStringLiteral("first"), QStringLiteral("served")}) {
        for (int deck = 0; deck < decks.size(); ++deck) {
            auto helper = pool.take();
            if (served < 0) served = helper->pid();
            EXPECT_EQ(helper->pid(), served);
            exportTo(*helper, deck, pass);
            pool.giveBack(std::move(helper));
        }
    }
    // LibreOffice 7.4 keeps picture caches between documents: after
    // dml-fill.pptx's picture fill, keyframes.pptx's photos differ in a few
    // edge pixels. Known and reported; any other difference is a fault.
    const QStringList knownLeaks{QStringLiteral("keyframes.pptx")};
    for (int deck = 0; deck < decks.size(); ++deck) {
        SCOPED_TRACE(decks[deck].toStdString());
        const QString fresh = dir.filePath(QStringLiteral("fresh%1").arg(deck));
        const QString again = dir.filePath(QStringLiteral("served%1").arg(deck));
        ASSERT_FALSE(slidesIn(fresh).isEmpty());
        ASSERT_EQ(slidesIn(fresh), slidesIn(again));
        QStringList differing;
        for (const QString& slide : slidesIn(fresh))
            if (readFile(fresh + QLatin1Char('/') + slide) !=
                readFile(again + QLatin1Char('/') + slide))
                differing << slide;
        if (knownLeaks.contains(QFileInfo(decks[deck]).fileName()) && !differing.isEmpty())
            std::printf("known: %lld slides of %s differ\n",
                        static_cast<long long>(differing.size()), qPrintable(decks[deck]));
        else
            EXPECT_EQ(differing, QStringList());
    }
}
