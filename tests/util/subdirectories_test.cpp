#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
#include "util/folderscan.h"
#include "util/steptrap.h"

namespace {

const QString ScanTag = QStringLiteral("in Fellmarrow2021/08/31.AddFolder.GetSubDirectories2016 ");

class FolderScan : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void TearDown() override {
        // Give the folders their permissions back so the temporary tree can go.
        for (const QByteArray& path : restricted_) ::chmod(path.constData(), 0755);
    }
    void restrict(const QString& relative, mode_t mode) {
        restricted_ << native(relative);
        ASSERT_EQ(::chmod(native(relative).constData(), mode), 0);
    }
    QString root() const { return dir_.path() + QLatin1Char('/'); }
    QByteArray native(const QString& relative) const {
        return QFile::encodeName(root() + relative);
    }
    void mkdirs(std::initializer_list<const char*> paths) {
        for (const char* path : paths)
            ASSERT_TRUE(QDir().mkpath(root() + QString::fromUtf8(path))) << path;
    }
    // The scan's result with the temporary root cut off each entry.
    QStringList scan(bool recursive = true) {
        QStringList folders{root()};
        GetSubDirectories2016(folders, recursive, prompts);
        QStringList relative;
        for (const QString& folder : folders) relative << folder.mid(root().size());
        return relative;
    }

    ScriptedPrompts prompts;

  private:
    QTemporaryDir dir_;
    QList<QByteArray> restricted_;
};

}  // namespace

TEST_F(FolderScan, ListsBreadthFirstInNameOrder) {
    mkdirs({"b/y/deep", "a/z", "a/x", "C", ".hidden/inner"});
    writeFile(root() + QStringLiteral("a/file.ppt"), "x");
    EXPECT_EQ(scan(), (QStringList{"", ".hidden/", "a/", "b/", "C/", ".hidden/inner/", "a/x/",
                                   "a/z/", "b/y/", "b/y/deep/"}));
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FolderScan, NonRecursiveTakesOneLevel) {
    mkdirs({"a/x", "b"});
    EXPECT_EQ(scan(false), (QStringList{"", "a/", "b/"}));
}

TEST_F(FolderScan, AFolderWithoutSubFoldersIsLeftAlone) {
    writeFile(root() + QStringLiteral("only.ppt"), "x");
    EXPECT_EQ(scan(), QStringList{""});
    // A missing folder stays listed: it is neither entered nor removed.
    QStringList folders{root() + QStringLiteral("missing/")};
    GetSubDirectories2016(folders, true, prompts);
    EXPECT_EQ(folders, QStringList{root() + QStringLiteral("missing/")});
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FolderScan, RefusesNamesWithUnsafeCharacters) {
    mkdirs({"ok"});
    for (const QByteArray& name :
         {QByteArray("tab\there"), QByteArray("what?"), QByteArray("bell\x07"),
          QByteArray("c1\xc2\x85"), QByteArray("bad\xff"), QByteArray("del\x7f")}) {
        ASSERT_EQ(::mkdir((QFile::encodeName(root()) + name).constData(), 0755), 0)
            << name.constData();
        ASSERT_EQ(::mkdir((QFile::encodeName(root()) + name + "/inner").constData(), 0755), 0);
    }
    mkdirs({"Ünïcödé/日本"});
    EXPECT_EQ(scan(), (QStringList{"", "ok/", "Ünïcödé/", "Ünïcödé/日本/"}));
    ::rmdir((QFile::encodeName(root()) + "bad\xff/inner").constData());
    ::rmdir((QFile::encodeName(root()) + "bad\xff").constData());  // QDir cannot name it
}

TEST_F(FolderScan, NeverEntersADirectoryTwiceThroughLinks) {
    mkdirs({"a/b", "outside/c"});
    ASSERT_EQ(::symlink("..", native(QStringLiteral("a/b/up")).constData()), 0);
    ASSERT_EQ(::symlink(native(QStringLiteral("a")).constData(),
                        native(QStringLiteral("a/b/again")).constData()),
              0);
    ASSERT_EQ(::symlink("/nonexistent", native(QStringLiteral("a/dangling")).constData()), 0);
    EXPECT_EQ(scan(), (QStringList{"", "a/", "outside/", "a/b/", "outside/c/"}));
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FolderScan, FollowsALinkToAFolderNotSeenBefore) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir().mkpath(elsewhere.path() + QStringLiteral("/inner")));
    mkdirs({"a"});
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.path()).constData(),
                        native(QStringLiteral("link")).constData()),
              0);
    EXPECT_EQ(scan(), (QStringList{"", "a/", "link/", "link/inner/"}));
    EXPECT_EQ(GetAttributes(root() + QStringLiteral("link/")), Directory | ReparsePoint);
}

TEST_F(FolderScan, KeepsThe260CharacterLimit) {
    // Each level adds 51 characters; the folder that reaches 260 is listed but not entered.
    QString path = root();
    QString relative;
    const QString step = QString(50, u'n') + QLatin1Char('/');
    QStringList expected{""};
    while (path.size() < 260) {
        path += step;
        relative += step;
        expected << relative;
    }
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("beyond")));
    EXPECT_EQ(scan(), expected);
}

TEST_F(FolderScan, YieldsWhileItWorksAndReportsWithItsTagAndStep) {
    mkdirs({".scanned/inner", ".scanned/kept"});
    const QString scanned = root() + QStringLiteral(".scanned/");
    // The first yield comes before the hidden folder's attribute test; removing the folder then
    // makes that test fail, which is reported and then counts as passed.
    QTimer::singleShot(0, [&] { QDir(scanned).removeRecursively(); });
    QStringList folders{scanned};
    GetSubDirectories2016(folders, true, prompts);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("Path not found\r\n") + ScanTag +
                  QStringLiteral("at line 116\r\rPlease email screenshot of this message to ") +
                  QLatin1String(SupportEmail));
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Application Error"));
    // The vanished folder could not be enumerated, so it left the list silently.
    EXPECT_TRUE(folders.isEmpty());
}

namespace {

// The scan of `root` as an unprivileged user (root would read every folder).
QStringList scanWithoutPrivileges(const QString& root) {
    const QByteArray result = runWithoutPrivileges([&] {
        ScriptedPrompts prompts;
        QStringList folders{root};
        GetSubDirectories2016(folders, true, prompts);
        for (const QString& folder : folders) {
            if (!GetFileList(folder, QStringLiteral("*.*")).names().isEmpty())
                folders << QStringLiteral("files in ") + folder.mid(root.size());
        }
        folders << QString::number(prompts.shown.size()) + QStringLiteral(" reports");
        return folders.join(QLatin1Char('\n')).toUtf8();
    });
    return QString::fromUtf8(result).split(QLatin1Char('\n'));
}

}  // namespace

TEST_F(FolderScan, DropsUnreadableFoldersSilently) {
    mkdirs({"open/sub", "locked/inner", "listonly/inner"});
    for (const char* file : {"open/a.ppt", "locked/b.ppt", "listonly/c.ppt"})
        writeFile(root() + QString::fromLatin1(file), "x");
    ASSERT_EQ(::chmod(QFile::encodeName(root()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(native(QStringLiteral("locked")).constData(), 0311), 0);  // cannot be read
    ASSERT_EQ(::chmod(native(QStringLiteral("listonly")).constData(), 0444),
              0);  // read, not searched
    // The child (as "nobody") must reach the temporary folder itself.
    if (!nobodyCanReach(root())) GTEST_SKIP() << "nobody cannot reach " << root().toStdString();
    // "locked" is gone from the list; "listonly" is listed (its names could be
    // read) but its sub-folder and files cannot be looked up.
    EXPECT_EQ(scanWithoutPrivileges(root()),
              (QStringList{root(), root() + "listonly/", root() + "open/", root() + "open/sub/",
                           QStringLiteral("files in open/"), QStringLiteral("0 reports")}));
}

TEST(UnsafeChars, RefusesControlsQuestionMarksAndBrokenUtf8) {
    EXPECT_FALSE(HasUnsafeChars(QByteArray("Lecture 1 (final)")));
    EXPECT_FALSE(HasUnsafeChars(QByteArray("Ünïcödé \xe6\x97\xa5\xf0\x9f\x98\x80")));
    EXPECT_FALSE(HasUnsafeChars(QByteArray("\xc2\xa0nbsp")));  // U+00A0, just past the C1 range
    EXPECT_FALSE(HasUnsafeChars(QByteArray()));
    for (const QByteArray& name :
         {QByteArray("a\nb"), QByteArray("x\x1f"), QByteArray("why?"), QByteArray("\x7f"),
          QByteArray("c1\xc2\x80"), QByteArray("c1\xc2\x9f"), QByteArray("\xff"),
          QByteArray("\xc0\xaf"), QByteArray("\xed\xa0\x80"), QByteArray("cut\xe6\x97")})
        EXPECT_TRUE(HasUnsafeChars(name)) << name.toHex().constData();

    EXPECT_FALSE(HasUnsafeChars(QStringLiteral("Ünïcödé 日本 😀")));
    EXPECT_TRUE(HasUnsafeChars(QStringLiteral("a\tb")));
    EXPECT_TRUE(HasUnsafeChars(QStringLiteral("why?")));
    EXPECT_TRUE(HasUnsafeChars(QString(QChar(0x85))));
    EXPECT_TRUE(HasUnsafeChars(QString(QChar(0xD800))));  // a lone surrogate has no UTF-8 form
}

TEST_F(FolderScan, AttributesFollowTheMapping) {
    mkdirs({"dir", ".hid"});
    writeFile(root() + QStringLiteral("file.ppt"), "x");
    writeFile(root() + QStringLiteral(".dotfile"), "x");
    ASSERT_EQ(::chmod(native(QStringLiteral(".dotfile")).constData(), 0444), 0);
    ASSERT_EQ(::symlink(native(QStringLiteral("file.ppt")).constData(),
                        native(QStringLiteral("link")).constData()),
              0);
    ASSERT_EQ(::symlink("/nonexistent", native(QStringLiteral("dangling")).constData()), 0);

    EXPECT_EQ(GetAttributes(root() + QStringLiteral("dir")), Directory);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral("dir/")), Directory);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral(".hid/")), Directory | Hidden);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral("file.ppt")), Archive);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral(".dotfile")), Archive | Hidden | ReadOnly);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral("link")), Archive | ReparsePoint);
    EXPECT_EQ(GetAttributes(root() + QStringLiteral("dangling")), ReparsePoint);
    EXPECT_THROW(GetAttributes(root() + QStringLiteral("missing")), Failure);
    EXPECT_THROW(GetAttributes(QString()), Failure);
}
