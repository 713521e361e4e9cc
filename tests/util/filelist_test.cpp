#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "../support/testsupport.h"
#include "util/folderscan.h"

namespace {

class FileListing : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path() const { return dir_.path(); }
    QString folder() const { return dir_.path() + QLatin1Char('/'); }
    void make(const QString& name) { writeFile(folder() + name, "x"); }
    void makeAll(std::initializer_list<const char*> names) {
        for (const char* name : names) make(QString::fromUtf8(name));
    }
    QByteArray native(const QString& name) const { return QFile::encodeName(folder() + name); }

  private:
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(FileListing, NoMatchGivesUpperIndexZero) {
    const FileList none = GetFileList(folder(), QStringLiteral("*.ppt"));
    EXPECT_EQ(none.upperIndex(), 0);
    EXPECT_EQ(none.at(0), QString());
    EXPECT_EQ(none.at(1), QString());
    EXPECT_EQ(GetFileList(folder() + QStringLiteral("missing"), QStringLiteral("*.*")).upperIndex(),
              0);
}

TEST_F(FileListing, ListsMatchingFilesHiddenIncludedFoldersExcluded) {
    makeAll({"b.ppt", "A.PPT", ".hidden.ppt", "c.pptx", "d.ppt.bak", "e.txt"});
    QDir().mkdir(folder() + QStringLiteral("folder.ppt"));
    const FileList list = GetFileList(folder(), QStringLiteral("*.ppt"));
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral(".hidden.ppt"), QStringLiteral("A.PPT"),
                                         QStringLiteral("b.ppt")}));
    EXPECT_EQ(list.upperIndex(), 3);
    EXPECT_EQ(list.at(1), QStringLiteral(".hidden.ppt"));
    EXPECT_EQ(list.at(3), QStringLiteral("b.ppt"));
    // The folder may be given without its trailing "/".
    EXPECT_EQ(GetFileList(path(), QStringLiteral("*.ppt")).names(), list.names());
}

TEST_F(FileListing, StarDotStarMatchesEveryNameAndQuestionMarkOneCharacter) {
    makeAll({"README", "a.b", "ab.c", "é.c", "trail."});
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("*.*")).upperIndex(), 5);
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("?.*")).names(),
              (QStringList{QStringLiteral("a.b"), QStringLiteral("é.c")}));
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("??.c")).names(),
              QStringList{QStringLiteral("ab.c")});
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("readme")).names(),
              QStringList{QStringLiteral("README")});
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("É.C")).names(),
              QStringList{QStringLiteral("é.c")});
    EXPECT_EQ(GetFileList(folder(), QStringLiteral("*.")).names(),
              QStringList{QStringLiteral("trail.")});
}

TEST_F(FileListing, SortsByNameAsAWindowsUserSawIt) {
    makeAll({"b.ppt", "B.ppt", "a.ppt", "_x.ppt", "Z.ppt", "10.ppt", "9.ppt"});
    // Upper-case comparison puts letters before "_" (0x5F), as NTFS does.
    EXPECT_EQ(
        GetFileList(folder(), QStringLiteral("*.ppt")).names(),
        (QStringList{QStringLiteral("10.ppt"), QStringLiteral("9.ppt"), QStringLiteral("a.ppt"),
                     QStringLiteral("B.ppt"), QStringLiteral("b.ppt"), QStringLiteral("Z.ppt"),
                     QStringLiteral("_x.ppt")}));
}

TEST_F(FileListing, FramesFollowTheirSlideNumbers) {
    makeAll({"Slide10.bmp", "Slide9.bmp", "Slide1.bmp", "slide2.BMP", "Slide02.bmp", "cover.bmp",
             "Slide.bmp", "Slide3a.bmp", "Slide123456789012345678901.bmp"});
    EXPECT_EQ(
        GetFrameList(folder(), QStringLiteral("*.bmp")).names(),
        (QStringList{QStringLiteral("Slide1.bmp"), QStringLiteral("Slide02.bmp"),
                     QStringLiteral("slide2.BMP"), QStringLiteral("Slide9.bmp"),
                     QStringLiteral("Slide10.bmp"),
                     QStringLiteral("Slide123456789012345678901.bmp"), QStringLiteral("cover.bmp"),
                     QStringLiteral("Slide.bmp"), QStringLiteral("Slide3a.bmp")}));
    EXPECT_EQ(GetFrameList(folder(), QStringLiteral("*.png")).upperIndex(), 0);
}

TEST_F(FileListing, OnlyNamesThatCanBeOpenedAgainAreListed) {
    make(QStringLiteral("real.ppt"));
    ASSERT_EQ(::symlink(native(QStringLiteral("real.ppt")).constData(),
                        native(QStringLiteral("link.ppt")).constData()),
              0);
    ASSERT_EQ(::symlink("/nonexistent/x", native(QStringLiteral("dangling.ppt")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(folder()).constData(),
                        native(QStringLiteral("dirlink.ppt")).constData()),
              0);
    const QByteArray invalid = QFile::encodeName(folder()) + "bad\xff.ppt";
    ::close(::creat(invalid.constData(), 0644));
    const FileList list = GetFileList(folder(), QStringLiteral("*.ppt"));
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("link.ppt"), QStringLiteral("real.ppt")}));
    ::unlink(invalid.constData());  // QDir cannot name it to clean up
}
