// Many rows in separate mode, every other deck with pictures: every one
// converted to the same pictures, memory bounded and flat, no file
// descriptor or helper left over. QUILLMOOR_LOAD_ROWS sets the number of rows.
#include <gtest/gtest.h>

#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <QThread>
#include <climits>
#include <cstdio>

#include "../video/support/avidecode.h"
#include "robustness.h"

namespace {
// One engine's pipes may stay open from one window to the next; a leak of one
// descriptor every few rows outgrows this over the run.
constexpr int DescriptorAllowance = 3;

struct Sample {
    int done;
    int count;
    QMap<int, QString> open;
};

// Descriptors by what they refer to, pipes and sockets without their numbers.
QStringList kinds(const QMap<int, QString>& open) {
    static const QRegularExpression number(QStringLiteral("\\[[0-9]+\\]$"));
    QStringList all;
    for (QString target : open) all << target.remove(number);
    all.sort();
    return all;
}
}  // namespace

TEST(Load, ManyRowsConvertWithFlatMemoryAndNothingLeftOver) {
    AdoptOrphans();
    const int rows = qEnvironmentVariableIntValue("QUILLMOOR_LOAD_ROWS") > 19
                         ? qEnvironmentVariableIntValue("QUILLMOOR_LOAD_ROWS")
                         : 100;
    // The program and its engine together (about 300 MiB measured on two cores),
    // with room for one engine process a core.
    const qint64 MemoryLimitMiB = 640 + 160 * qMax(1, QThread::idealThreadCount());
    const QStringList decks{QStringLiteral("threeslides.fodp"), QStringLiteral("pictures.fodp")};
    Sandbox box;
    for (int i = 0; i < rows; ++i)
        box.deck(decks[i % 2], QStringLiteral("in/deck%1.fodp").arg(i, 4, 10, QLatin1Char('0')));
    box.handOver();
    Child run({program(QStringLiteral("quillmoor-convert")),
               {"--separate", "--fps", "1", "--codec", "mjpeg", "--output-dir", box.path("out"),
                box.path("in")},
               box.path(),
               box.environment()});

    // Per finished-row count the highest memory; every descriptor sample.
    QMap<int, qint64> memory;
    qint64 peakProportional = 0;
    QList<Sample> samples;
    const QDir out(box.path(QStringLiteral("out")));
    ASSERT_TRUE(run.waitFor(rows * 20000, [&] {
        const int done = int(out.entryList({QStringLiteral("*.avi")}, QDir::Files).size());
        memory[done] = qMax(memory.value(done), TreeResidentKiB(run.pid()));
        peakProportional = qMax(peakProportional, TreeProportionalKiB(run.pid()));
        const QMap<int, QString> open = OpenFds(run.pid());
        if (!open.isEmpty()) samples << Sample{done, int(open.size()), open};
    }));
    EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
    const QStringList videos = out.entryList({QStringLiteral("*.avi")}, QDir::Files);
    ASSERT_EQ(videos.size(), rows);
    // Every video holds the pictures of the first of its deck.
    QList<QImage> first[2];
    for (int i = 0; i < rows; ++i) {
        const QList<QImage> frames = DecodeVideo(out.filePath(videos[i])).frames;
        EXPECT_EQ(frames.size(), 3) << videos[i].toStdString();
        if (i < 2) first[i] = frames;
        EXPECT_TRUE(frames == first[i % 2]) << videos[i].toStdString() << ": other pictures";
    }

    qint64 firstThird = 0, lastThird = 0, peak = 0;
    for (auto it = memory.cbegin(); it != memory.cend(); ++it) {
        peak = qMax(peak, it.value());
        if (it.key() < rows / 3) firstThird = qMax(firstThird, it.value());
        if (it.key() >= rows - rows / 3) lastThird = qMax(lastThird, it.value());
    }
    // Descriptors: the fewest in each fifth of the rows. A descriptor open at
    // the moment of one sample is gone in another; a leak grows with the rows.
    QList<Sample> fewest(5, Sample{0, INT_MAX, {}});
    for (const Sample& sample : samples) {
        Sample& least = fewest[qMin(4, sample.done * 5 / rows)];
        if (sample.count < least.count) least = sample;
    }
    QStringList counts;
    for (const Sample& least : fewest) counts << QString::number(least.count);
    std::printf(
        "rows converted: %lld of %d; peak memory of the program and its helpers: %lld MiB "
        "(proportional %lld MiB, limit %lld; first third %lld MiB, last third %lld MiB); "
        "fewest descriptors by fifth of the rows: %s\n",
        qint64(videos.size()), rows, peak / 1024, peakProportional / 1024, MemoryLimitMiB,
        firstThird / 1024, lastThird / 1024, qPrintable(counts.join(QStringLiteral(", "))));
    EXPECT_LE(peakProportional / 1024, MemoryLimitMiB);
    EXPECT_LE(lastThird, firstThird * 11 / 10);
    for (const Sample& least : fewest) ASSERT_NE(least.count, INT_MAX) << "a fifth without samples";
    // From the second fifth on, when every engine process has started once.
    EXPECT_LE(fewest[4].count, fewest[1].count + DescriptorAllowance)
        << "second fifth: " << kinds(fewest[1].open).join(", ").toStdString()
        << "\nlast fifth: " << kinds(fewest[4].open).join(", ").toStdString();
    EXPECT_EQ(Leftovers(), QList<pid_t>{});
}
