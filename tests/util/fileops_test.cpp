#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "../support/testsupport.h"
#include "util/folderscan.h"
#include "util/paths.h"

namespace {

class FileOps : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString at(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    QString folder() const { return dir_.path() + QLatin1Char('/'); }
    void make(const QString& name, const QByteArray& bytes = "x") { writeFile(at(name), bytes); }
    QStringList names() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(FileOps, ExistenceTestsNeverFail) {
    make(QStringLiteral("a.ppt"));
    QDir().mkdir(at(QStringLiteral("sub")));
    EXPECT_TRUE(PathExists(at(QStringLiteral("a.ppt"))));
    EXPECT_TRUE(PathExists(at(QStringLiteral("sub"))));
    EXPECT_FALSE(PathExists(at(QStringLiteral("none"))));
    EXPECT_FALSE(PathExists(QString()));

    EXPECT_TRUE(IsFolder(at(QStringLiteral("sub"))));
    EXPECT_TRUE(IsFolder(at(QStringLiteral("sub/"))));
    EXPECT_FALSE(IsFolder(at(QStringLiteral("a.ppt"))));
    EXPECT_FALSE(IsFolder(at(QStringLiteral("none"))));
    EXPECT_FALSE(IsFolder(QString()));

    EXPECT_TRUE(IsFileAccessible(at(QStringLiteral("a.ppt"))));
    EXPECT_FALSE(IsFileAccessible(at(QStringLiteral("sub"))));
    EXPECT_FALSE(IsFileAccessible(at(QStringLiteral("none"))));
    EXPECT_FALSE(IsFileAccessible(at(QStringLiteral("*.ppt"))));
}

TEST_F(FileOps, AnEmbeddedNulNeverReachesAnotherFile) {
    make(QStringLiteral("a"));
    const QString tricked = at(QStringLiteral("a")) + QChar(0) + QStringLiteral("b");
    EXPECT_FALSE(PathExists(tricked));
    EXPECT_FALSE(IsFileAccessible(tricked));
    KillFile(tricked);
    EXPECT_TRUE(PathExists(at(QStringLiteral("a"))));
}

TEST_F(FileOps, KillFileDeletesOneFileEvenReadOnly) {
    make(QStringLiteral("keep.bmp"));
    make(QStringLiteral("locked.bmp"));
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("locked.bmp"))).constData(), 0444), 0);
    KillFile(at(QStringLiteral("locked.bmp")));
    EXPECT_EQ(names(), QStringList{QStringLiteral("keep.bmp")});
    KillFile(at(QStringLiteral("locked.bmp")));  // gone already: nothing happens
    KillFile(QString());
}

TEST_F(FileOps, KillFilePatternsMatchTheLastPartWithoutCase) {
    for (const char* name :
         {"Slide1.BMP", "slide2.bmp", ".hidden.bmp", "notes.txt", "README", "x.bmpx"})
        make(QString::fromLatin1(name));
    QDir().mkdir(at(QStringLiteral("folder.bmp")));
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("slide2.bmp"))).constData(), 0400), 0);

    KillFile(at(QStringLiteral("*.bmp")));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("README"), QStringLiteral("folder.bmp"),
                                    QStringLiteral("notes.txt"), QStringLiteral("x.bmpx")}));
    KillFile(at(QStringLiteral("*.none")));  // matches nothing: no failure
    KillFile(at(QStringLiteral("?????.txt")));
    EXPECT_EQ(names().size(), 3);
    // "*.*" takes names without a dot too, but never a folder.
    KillFile(at(QStringLiteral("*.*")));
    EXPECT_EQ(names(), QStringList{QStringLiteral("folder.bmp")});
}

TEST_F(FileOps, KillFileRemovesALinkButNotWhatItPointsTo) {
    make(QStringLiteral("target/frame.bmp"));
    ASSERT_EQ(::symlink(QFile::encodeName(at(QStringLiteral("target/frame.bmp"))).constData(),
                        QFile::encodeName(at(QStringLiteral("link.bmp"))).constData()),
              0);
    ASSERT_EQ(::symlink(QFile::encodeName(at(QStringLiteral("target"))).constData(),
                        QFile::encodeName(at(QStringLiteral("dirlink.bmp"))).constData()),
              0);
    KillFile(at(QStringLiteral("*.bmp")));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("dirlink.bmp"), QStringLiteral("target")}));
    EXPECT_TRUE(IsFileAccessible(at(QStringLiteral("target/frame.bmp"))));
}

TEST_F(FileOps, KillFileLetsPendingEventsRunFirst) {
    make(QStringLiteral("a.bmp"));
    bool ranWhileFilePresent = false;
    QTimer::singleShot(0, [&] { ranWhileFilePresent = PathExists(at(QStringLiteral("a.bmp"))); });
    KillFile(at(QStringLiteral("a.bmp")));
    EXPECT_TRUE(ranWhileFilePresent);
    EXPECT_FALSE(PathExists(at(QStringLiteral("a.bmp"))));
}

TEST_F(FileOps, SafeCopyFileReplacesTheDestination) {
    make(QStringLiteral("src.bmp"), "new");
    make(QStringLiteral("out/dst.bmp"), "old and longer");
    SafeCopyFile(at(QStringLiteral("src.bmp")), at(QStringLiteral("out//dst.bmp")));
    EXPECT_EQ(readFile(at(QStringLiteral("out/dst.bmp"))), QByteArray("new"));
    // A destination ending in "/" receives the source's name.
    SafeCopyFile(at(QStringLiteral("src.bmp")), at(QStringLiteral("out/")));
    EXPECT_EQ(readFile(at(QStringLiteral("out/src.bmp"))), QByteArray("new"));
    EXPECT_EQ(QDir(at(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(FileOps, SafeCopyFileRefusesQuietly) {
    make(QStringLiteral("src.bmp"), "data");
    QDir().mkdir(at(QStringLiteral("dir")));
    SafeCopyFile(at(QStringLiteral("src.bmp")), at(QStringLiteral("missing/dst.bmp")));
    SafeCopyFile(at(QStringLiteral("none.bmp")), at(QStringLiteral("dst.bmp")));
    SafeCopyFile(at(QStringLiteral("*.bmp")), at(QStringLiteral("dir/x.bmp")));
    SafeCopyFile(at(QStringLiteral("src.bmp")), QStringLiteral("   "));
    SafeCopyFile(QStringLiteral(" "), at(QStringLiteral("dst.bmp")));
    SafeCopyFile(at(QStringLiteral("src.bmp")), QStringLiteral("relative.bmp"));
    SafeCopyFile(at(QStringLiteral("src.bmp")), at(QStringLiteral("dir")));  // a folder stays one
    EXPECT_EQ(names(), (QStringList{QStringLiteral("dir"), QStringLiteral("src.bmp")}));
    EXPECT_TRUE(QDir(at(QStringLiteral("dir")))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(FileOps, SafeCopyFileTakesAnyNameWritesThroughLinksAndSparesReadOnlyFiles) {
    const auto native = [&](const char* name) {
        return QFile::encodeName(at(QLatin1String(name)));
    };
    const auto mode = [&](const QString& name) {
        struct stat info;
        return ::lstat(QFile::encodeName(at(name)).constData(), &info) == 0 ? info.st_mode : 0u;
    };
    make(QStringLiteral("src"), "new");
    ASSERT_EQ(::chmod(native("src").constData(), 06750), 0);
    const QString longest = QString(255, u'n');
    make(QStringLiteral("real"), "old");
    ASSERT_EQ(::symlink("real", native("link").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", native("dangling").constData()), 0);
    make(QStringLiteral("locked"), "old");
    ASSERT_EQ(::chmod(native("locked").constData(), 0444), 0);

    for (const QString& name :
         {longest, QStringLiteral("link"), QStringLiteral("dangling"), QStringLiteral("locked")})
        SafeCopyFile(at(QStringLiteral("src")), at(name));
    EXPECT_EQ(readFile(at(longest)), QByteArray("new"));
    EXPECT_EQ(mode(longest) & 07777, 0750u);
    EXPECT_TRUE(S_ISLNK(mode(QStringLiteral("link"))));
    EXPECT_EQ(readFile(at(QStringLiteral("real"))), QByteArray("new"));
    EXPECT_TRUE(S_ISLNK(mode(QStringLiteral("dangling"))));
    EXPECT_EQ(readFile(at(QStringLiteral("locked"))), QByteArray("old"));
    // Nothing else appeared: no temporary file was left, no link target made
    // (a link to nothing is not listed).
    EXPECT_EQ(names(), (QStringList{QStringLiteral("link"), QStringLiteral("locked"), longest,
                                    QStringLiteral("real"), QStringLiteral("src")}));
}

TEST_F(FileOps, DesktopFolderFallsBackToHome) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop == QDir::homePath()) GTEST_SKIP() << "the desktop is the home folder here";
    QDir(desktop).removeRecursively();
    EXPECT_EQ(GetDesktopFolder(), QDir::homePath() + QLatin1Char('/'));
    ASSERT_TRUE(QDir().mkpath(desktop));
    EXPECT_EQ(GetDesktopFolder(), desktop + QLatin1Char('/'));
    QDir(desktop).removeRecursively();
}
