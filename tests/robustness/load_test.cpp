// Many rows in separate mode: every one converted, memory flat, no file
// descriptor or helper left over. QUILLMOOR_LOAD_ROWS sets the number of rows.
#include <gtest/gtest.h>

#include <QDir>
#include <QMap>

#include "robustness.h"

TEST(Load, ManyRowsConvertWithFlatMemoryAndNothingLeftOver) {
    AdoptOrphans();
    const int rows = qEnvironmentVariableIntValue("QUILLMOOR_LOAD_ROWS") > 9
                         ? qEnvironmentVariableIntValue("QUILLMOOR_LOAD_ROWS")
                         : 100;
    Sandbox box;
    for (int i = 0; i < rows; ++i)
        box.deck(QStringLiteral("threeslides.fodp"),
                 QStringLiteral("in/deck%1.fodp").arg(i, 4, 10, QLatin1Char('0')));
    box.handOver();
    Child run({program(QStringLiteral("quillmoor-convert")),
               {"--separate", "--fps", "1", "--codec", "mjpeg", "--output-dir", box.path("out"),
                box.path("in")},
               box.path(),
               box.environment()});

    // Per finished-row count: the highest memory seen and the fewest descriptors.
    QMap<int, qint64> memory;
    QMap<int, int> descriptors;
    const QDir out(box.path(QStringLiteral("out")));
    ASSERT_TRUE(run.waitFor(rows * 20000, [&] {
        const int done = int(out.entryList({QStringLiteral("*.avi")}, QDir::Files).size());
        memory[done] = qMax(memory.value(done), TreeResidentKiB(run.pid()));
        const int fds = OpenFdCount(run.pid());
        if (fds > 0)
            descriptors[done] = descriptors.contains(done) ? qMin(descriptors[done], fds) : fds;
    }));
    EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
    const QStringList videos = out.entryList({QStringLiteral("*.avi")}, QDir::Files);
    EXPECT_EQ(videos.size(), rows);
    for (int i = 0; i < videos.size(); i += 10)
        EXPECT_EQ(FrameCount(out.filePath(videos[i])), 3) << videos[i].toStdString();

    qint64 firstThird = 0, lastThird = 0, peak = 0;
    for (auto it = memory.cbegin(); it != memory.cend(); ++it) {
        peak = qMax(peak, it.value());
        if (it.key() < rows / 3) firstThird = qMax(firstThird, it.value());
        if (it.key() >= rows - rows / 3) lastThird = qMax(lastThird, it.value());
    }
    std::printf(
        "rows converted: %lld of %d; peak memory of the program and its helpers: %lld MiB "
        "(first third %lld MiB, last third %lld MiB)\n",
        qint64(videos.size()), rows, peak / 1024, firstThird / 1024, lastThird / 1024);
    EXPECT_LE(lastThird, firstThird * 11 / 10);
    // Descriptors at an early row and a late one, between rows' work; engines
    // working ahead hold one each, so a late row may hold fewer, never more.
    const auto fewest = [&](int from, int to) {
        int least = INT_MAX;
        for (int row = from; row <= to; ++row) least = qMin(least, descriptors.value(row, INT_MAX));
        return least;
    };
    EXPECT_LE(fewest(rows - 5, rows - 2), fewest(2, 5));
    EXPECT_EQ(Leftovers(), QList<pid_t>{});
}
