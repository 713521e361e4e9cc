// SPDX-License-Identifier: GPL-3.0-or-later
// Staging on real folders under a private temporary folder per test.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "engine/staging.h"
#include "tests/platform/office/officetesting.h"
#include "util/failure.h"

class StagingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("TEMP", QFile::encodeName(temp.path()));
        t = temp.filePath(QStringLiteral("T"));
        QDir().mkpath(t + QStringLiteral("/temp2"));
    }
    void TearDown() override { qunsetenv("TEMP"); }

    // Files in `folder`, sorted, for comparing.
    static QStringList files(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void exportSlides(const QString& prefix, int count) {
        for (int i = 1; i <= count; ++i)
            writeFile(QStringLiteral("%1/temp2/Slide%2.bmp").arg(t).arg(i),
                      (prefix + QString::number(i)).toUtf8());
    }
    QByteArray frame(int n) const {
        return readFile(QStringLiteral("%1/temp/Slide%2.bmp").arg(t).arg(n));
    }

    QTemporaryDir temp;
    QString t;
};

TEST_F(StagingTest, TwoPresentationsOfThreeAndTwoSlidesBecomeFramesOneToFive) {
    PrepareFrameFolder(t);
    int running = 1;
    exportSlides(QStringLiteral("first "), 3);
    StageExportedSlides(t, running);
    EXPECT_TRUE(files(t + QStringLiteral("/temp2")).isEmpty());
    exportSlides(QStringLiteral("second "), 2);
    StageExportedSlides(t, running);
    EXPECT_TRUE(files(t + QStringLiteral("/temp2")).isEmpty());

    EXPECT_EQ(running, 6);
    const QList<QByteArray> expected{"first 1", "first 2", "first 3", "second 1", "second 2"};
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(frame(n), expected[n - 1]) << n;
    EXPECT_EQ(files(t + QStringLiteral("/temp")).size(), 5);
    EXPECT_TRUE(FirstFrameExists(t));
}

TEST_F(StagingTest, ASlideIsMovedIntoItsFrameNotCopied) {
    PrepareFrameFolder(t);
    int running = 1;
    exportSlides(QStringLiteral("slide "), 1);
    struct stat exported {};
    struct stat staged {};
    ASSERT_EQ(::stat(QFile::encodeName(t + QStringLiteral("/temp2/Slide1.bmp")), &exported), 0);
    StageExportedSlides(t, running);
    ASSERT_EQ(::stat(QFile::encodeName(t + QStringLiteral("/temp/Slide1.bmp")), &staged), 0);
    EXPECT_EQ(staged.st_ino, exported.st_ino);
}

TEST_F(StagingTest, ASlideThatCanBeNeitherMovedNorCopiedFailsWithItsReasonAndStays) {
    PrepareFrameFolder(t);
    exportSlides(QStringLiteral("slide "), 1);
    // A folder in the frame's place refuses both the rename and the copy.
    ASSERT_TRUE(QDir().mkpath(t + QStringLiteral("/temp/Slide1.bmp")));
    int running = 1;
    try {
        StageExportedSlides(t, running);
        ADD_FAILURE() << "staging passed without its slide";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.description().contains(QStringLiteral("Slide1.bmp cannot be moved to")))
            << failure.description().toStdString();
    }
    EXPECT_EQ(readFile(t + QStringLiteral("/temp2/Slide1.bmp")), QByteArray("slide 1"));
}

TEST_F(StagingTest, SlidesAreStagedInNumericOrderSoSlideTenFollowsNine) {
    PrepareFrameFolder(t);
    exportSlides(QStringLiteral("slide "), 12);
    int running = 1;
    StageExportedSlides(t, running);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(frame(n), QStringLiteral("slide %1").arg(n).toUtf8()) << n;
}

TEST_F(StagingTest, TildeFilesSurviveStagingAndTheRowPurgeButNotTheCombinedPurge) {
    PrepareFrameFolder(t);
    writeFile(t + QStringLiteral("/temp2/~lock.bmp"), "kept");
    writeFile(t + QStringLiteral("/temp2/Slide1.BMP"), "one");
    int running = 1;
    StageExportedSlides(t, running);
    EXPECT_EQ(running, 2);
    EXPECT_EQ(files(t + QStringLiteral("/temp2")), QStringList{QStringLiteral("~lock.bmp")});

    writeFile(t + QStringLiteral("/temp/~keep.bmp"), "kept");
    writeFile(t + QStringLiteral("/temp/SLIDE2.BMP"), "two");
    writeFile(t + QStringLiteral("/temp/notes.txt"), "not a frame");
    writeFile(t + QStringLiteral("/temp.bmp"), "scratch");
    PurgeAfterRow(t);
    EXPECT_EQ(files(t + QStringLiteral("/temp")),
              (QStringList{QStringLiteral("notes.txt"), QStringLiteral("~keep.bmp")}));
    EXPECT_FALSE(QFile::exists(t + QStringLiteral("/temp.bmp")));

    writeFile(t + QStringLiteral("/temp.bmp"), "scratch");
    PurgeAfterCombinedRun(t);
    EXPECT_TRUE(files(t + QStringLiteral("/temp")).isEmpty());
    EXPECT_TRUE(files(t + QStringLiteral("/temp2")).isEmpty());
    EXPECT_FALSE(QFile::exists(t + QStringLiteral("/temp.bmp")));
    // The folders themselves stay.
    EXPECT_TRUE(QFileInfo(t + QStringLiteral("/temp")).isDir());
    EXPECT_TRUE(QFileInfo(t + QStringLiteral("/temp2")).isDir());
}

TEST_F(StagingTest, FirstFrameTestIgnoresCaseAndWantsSlideOne) {
    EXPECT_FALSE(FirstFrameExists(t));  // no frame folder at all
    PrepareFrameFolder(t);
    writeFile(t + QStringLiteral("/temp/Slide2.bmp"), "two");
    QDir().mkdir(t + QStringLiteral("/temp/Slide1.bmp"));  // a folder is no frame
    EXPECT_FALSE(FirstFrameExists(t));
    QDir().rmdir(t + QStringLiteral("/temp/Slide1.bmp"));
    writeFile(t + QStringLiteral("/temp/SLIDE1.BMP"), "one");
    EXPECT_TRUE(FirstFrameExists(t));
}

TEST_F(StagingTest, AFileNamedTempFailsStagingRatherThanLosingTheSlides) {
    writeFile(t + QStringLiteral("/temp"), "a file, not a folder");
    PrepareFrameFolder(t);
    EXPECT_FALSE(QFileInfo(t + QStringLiteral("/temp")).isDir());
    exportSlides(QStringLiteral("kept "), 2);
    int running = 1;
    EXPECT_THROW(StageExportedSlides(t, running), Failure);
    EXPECT_FALSE(FirstFrameExists(t));
    EXPECT_EQ(files(t + QStringLiteral("/temp2")).size(), 2);
}

TEST_F(StagingTest, RunStartEmptiesFramesLeftByARunThatWasCutOff) {
    PrepareFrameFolder(t);
    writeFile(t + QStringLiteral("/temp/Slide7.bmp"), "stale");
    writeFile(t + QStringLiteral("/temp/~stale.bmp"), "stale");
    writeFile(t + QStringLiteral("/temp2/Slide1.bmp"), "stale");
    writeFile(t + QStringLiteral("/temp.bmp"), "stale");
    writeFile(t + QStringLiteral("/temp2.bmp"), "stale");
    EmptyStagingFolders(t);
    EXPECT_TRUE(files(t + QStringLiteral("/temp")).isEmpty());
    EXPECT_TRUE(files(t + QStringLiteral("/temp2")).isEmpty());
    EXPECT_EQ(files(t), QStringList());
}

TEST_F(StagingTest, StagingFolderIsAPrivateLockedSlotUnderTheTemporaryFolder) {
    const QString root = temp.path() + QStringLiteral("/quillmoor-") + QString::number(::geteuid());
    EXPECT_EQ(StagingRoot(), root);
    qputenv("TEMP", QFile::encodeName(temp.path() + QStringLiteral("//")));
    EXPECT_EQ(StagingRoot(), root);

    // Another instance holds slot 0.
    QDir().mkpath(root + QStringLiteral("/0"));
    ::chmod(QFile::encodeName(root).constData(), 0700);
    const int other =
        ::open(QFile::encodeName(root + QStringLiteral("/0")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    const QString slot = AcquireStagingFolder();
    EXPECT_EQ(slot, root + QStringLiteral("/1"));
    EXPECT_EQ(AcquireStagingFolder(), slot);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(root).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    // Removed behind our back: a fresh slot is taken.
    QDir(slot).removeRecursively();
    ::close(other);
    EXPECT_EQ(AcquireStagingFolder(), root + QStringLiteral("/0"));
}

// The reason a root is refused, or "" when it is accepted.
static QString refusal() {
    try {
        AcquireStagingFolder();
    } catch (const StagingRefused& refused) {
        EXPECT_EQ(refused.path(), StagingRoot());
        EXPECT_EQ(refused.description(),
                  QStringLiteral("The temporary folder cannot be used safely:\r\n") +
                      StagingRoot() + QStringLiteral("\r\n") + refused.reason());
        return refused.reason();
    }
    return {};
}

TEST_F(StagingTest, UnsafeRootsAreRefusedWithTheReason) {
    EXPECT_EQ(
        StagingRefusedText(QStringLiteral("/tmp/quillmoor-1000"),
                           QStringLiteral("it is a symbolic link")),
        QStringLiteral(
            "The temporary folder cannot be used safely:\r\n/tmp/quillmoor-1000\r\nit is a symbolic link"));
    const QByteArray rootName = QFile::encodeName(StagingRoot());
    const char* const root = rootName.constData();
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    const bool asRoot = ::geteuid() == 0;
    const struct {
        const char* reason;
        std::function<bool()> make;  // false: the root cannot be made so here
    } cases[] = {
        {"it is a symbolic link",
         [&] {
             return QDir().mkpath(elsewhere) &&
                    ::symlink(QFile::encodeName(elsewhere).constData(), root) == 0;
         }},
        {"it is not a folder",
         [&] {
             writeFile(StagingRoot(), "a file");
             return QFileInfo(StagingRoot()).isFile();
         }},
        {"other users have access to it (mode 0755)",
         [&] { return ::mkdir(root, 0755) == 0 && ::chmod(root, 0755) == 0; }},
        // Only root can give a folder to another user.
        {"it belongs to another user",
         [&] { return asRoot && ::mkdir(root, 0700) == 0 && ::chown(root, 65534, 65534) == 0; }},
    };
    QStringList notMade;
    for (const auto& [reason, make] : cases) {
        SCOPED_TRACE(reason);
        if (!make()) {
            notMade << QLatin1String(reason);
            continue;
        }
        EXPECT_EQ(refusal(), QLatin1String(reason));
        ::unlink(root);
        ::rmdir(root);
    }
    if (!notMade.isEmpty())
        GTEST_SKIP() << "not checked (needs root): " << notMade.join(", ").toStdString();
}
