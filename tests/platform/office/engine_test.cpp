// SPDX-License-Identifier: GPL-3.0-or-later
// The real engine on the project's own fixtures: each test starts LibreOffice
// at most a few times, so they are grouped by what they prove.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "officetesting.h"
#include "platform/office/client/officeclient.h"
#include "util/failure.h"

struct Finished {
    int code = -1;
    QString out;
    QString err;
};

// Runs `program` once with `arguments`, with `environment` added.
static Finished runProgram(const QString& program, const QStringList& arguments,
                           const QStringList& environment = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : environment)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(300'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

static QString helperProgram() {
    return binDir() + QStringLiteral("/quillmoor-office");
}

static Finished runHelper(const QStringList& arguments, const QStringList& environment = {}) {
    return runProgram(helperProgram(), arguments, environment);
}

// Checks the slides exported to folder `folder`: their number, size and the
// colour in the lower middle of each, which tells the slides apart.
static void expectSlides(const QString& folder, int width, int height,
                         const std::vector<unsigned>& colours) {
    for (size_t i = 0; i < colours.size(); ++i) {
        const QString path = QStringLiteral("%1/Slide%2.bmp").arg(folder).arg(i + 1);
        const BmpInfo bmp = readBmp(path);
        ASSERT_TRUE(bmp.readable) << path.toStdString();
        EXPECT_EQ(bmp.width, width) << path.toStdString();
        EXPECT_EQ(bmp.height, height) << path.toStdString();
        EXPECT_EQ(bmp.pixel(width / 2, height * 3 / 4), colours[i]) << path.toStdString();
        // No outline around the page.
        EXPECT_EQ(bmp.pixel(0, 0), colours[i]) << path.toStdString();
    }
    EXPECT_FALSE(
        QFile::exists(QStringLiteral("%1/Slide%2.bmp").arg(folder).arg(colours.size() + 1)));
}

static const std::vector<unsigned> redGreenBlue{0xff0000, 0x00ff00, 0x0000ff};

TEST(Engine, ConvertedFixturesExportEverySlideInOrderHiddenOnesToo) {
    QTemporaryDir dir;
    for (const QString& format : {QStringLiteral("pptx"), QStringLiteral("ppt"),
                                  QStringLiteral("odp"), QStringLiteral("pdf")}) {
        const Finished converted =
            runHelper({QStringLiteral("convert"), fixture(QStringLiteral("threeslides.fodp")),
                       dir.filePath(QStringLiteral("three.") + format)});
        ASSERT_EQ(converted.code, 0) << converted.err.toStdString();
    }
    // Any name passes intact, a newline in it too.
    const QString oddName = dir.filePath(QStringLiteral("wide #1 100% ?é\nnew line.pptx"));
    ASSERT_EQ(
        runHelper({QStringLiteral("convert"), fixture(QStringLiteral("widescreen.fodp")), oddName})
            .code,
        0);

    OfficeHelper helper;
    const QStringList fours{
        fixture(QStringLiteral("threeslides.fodp")), dir.filePath(QStringLiteral("three.pptx")),
        dir.filePath(QStringLiteral("three.ppt")), dir.filePath(QStringLiteral("three.odp"))};
    for (int i = 0; i < fours.size(); ++i) {
        SCOPED_TRACE(fours[i].toStdString());
        EXPECT_EQ(helper.open(fours[i]), 3);
        EXPECT_EQ(helper.slideCount(), 3);
        EXPECT_EQ(helper.saveAs(dir.filePath(QStringLiteral("out%1.bmp").arg(i))), 3);
        expectSlides(dir.filePath(QStringLiteral("out%1").arg(i)), 960, 720, redGreenBlue);
        helper.close();
    }
    // A PDF opens as a drawing: its pages (the visible slides) are the frames.
    EXPECT_EQ(helper.open(dir.filePath(QStringLiteral("three.pdf"))), 2);
    EXPECT_EQ(helper.saveAs(dir.filePath(QStringLiteral("pdf.bmp"))), 2);
    expectSlides(dir.filePath(QStringLiteral("pdf")), 960, 720, {0xff0000, 0x00ff00});
    helper.close();

    EXPECT_EQ(helper.open(oddName), 2);
    EXPECT_EQ(helper.saveAs(dir.filePath(QStringLiteral("wide out #%\n.BMP"))), 2);
    expectSlides(dir.filePath(QStringLiteral("wide out #%\n")), 1280, 720, {0xffff00, 0x00ffff});
    helper.close();
    helper.quit();
    EXPECT_EQ(childProcessCount(), 0);
}

TEST(Engine, RefusesWhatIsNoPresentationNamingFileAndReason) {
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("x.pptx"));
    writeFile(empty, {});
    const QString text = dir.filePath(QStringLiteral("x.ppt"));
    writeFile(text, "Just some words in a text file.\n");
    const QString missing = dir.filePath(QStringLiteral("gone.pptx"));
    const QString folder = dir.filePath(QStringLiteral("folder.pptx"));
    QDir().mkpath(folder);
    const QString letter = fixture(QStringLiteral("letter.fodt"));

    OfficeHelper helper;
    const auto refusal = [&](const QString& path) { return failureOf([&] { helper.open(path); }); };
    EXPECT_EQ(refusal(empty), QStringLiteral("Cannot open \"%1\": the file is empty").arg(empty));
    EXPECT_EQ(
        refusal(text),
        QStringLiteral(
            "Cannot open \"%1\": LibreOffice cannot read it (damaged, protected by a password, or not a document it knows)")
            .arg(text));
    EXPECT_EQ(
        refusal(letter),
        QStringLiteral("Cannot open \"%1\": not a presentation (a text document)").arg(letter));
    EXPECT_EQ(refusal(missing),
              QStringLiteral("Cannot open \"%1\": the file does not exist").arg(missing));
    EXPECT_EQ(refusal(folder), QStringLiteral("Cannot open \"%1\": it is a folder").arg(folder));
    EXPECT_EQ(failureOf([&] { helper.saveAs(dir.filePath(QStringLiteral("t.bmp"))); }),
              QStringLiteral("SaveAs: no presentation is open"));

    // Refusals leave the helper ready for the next file.
    ASSERT_EQ(helper.open(fixture(QStringLiteral("threeslides.fodp"))), 3);
    const QString notBmp = dir.filePath(QStringLiteral("t.png"));
    EXPECT_EQ(failureOf([&] { helper.saveAs(notBmp); }),
              QStringLiteral("Cannot save \"%1\": the target must end in .bmp").arg(notBmp));
    // A file where the slide folder should go: nothing is exported.
    writeFile(dir.filePath(QStringLiteral("temp")), "in the way");
    const QString blocked = dir.filePath(QStringLiteral("temp.bmp"));
    EXPECT_EQ(failureOf([&] { helper.saveAs(blocked); }),
              QStringLiteral("Cannot save \"%1\": \"%2\" is not a folder")
                  .arg(blocked, dir.filePath(QStringLiteral("temp"))));
    // A page metres wide at 96 pixels per inch would take gigabytes to paint.
    const QString huge = dir.filePath(QStringLiteral("huge.fodp"));
    writeFile(huge,
              readFile(fixture(QStringLiteral("widescreen.fodp"))).replace("33.867cm", "500cm"));
    ASSERT_EQ(helper.open(huge), 2);
    const QString hugeTarget = dir.filePath(QStringLiteral("huge.bmp"));
    EXPECT_EQ(failureOf([&] { helper.saveAs(hugeTarget); }),
              QStringLiteral("Cannot paint slide 1 of \"%1\": at 96 pixels per inch it would be "
                             "18898 x 720 pixels, more than 16384 on a side or 70778880 in all")
                  .arg(huge));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("huge/Slide1.bmp"))));
    helper.quit();
    EXPECT_EQ(childProcessCount(), 0);
}

TEST(Engine, UnreadableFileIsRefused) {
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString locked = dir.filePath(QStringLiteral("locked.pptx"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), locked));
    ::chmod(QFile::encodeName(locked).constData(), 0);
    const QString expected = QStringLiteral("Cannot open \"%1\": permission denied").arg(locked);
    if (::geteuid() != 0) {
        OfficeHelper helper;
        EXPECT_EQ(failureOf([&] { helper.open(locked); }), expected);
        return;
    }
    // Root reads any file, so the helper runs as nobody, with a cache of its own.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) GTEST_SKIP() << "running as root without setpriv to drop privileges";
    const QString cache = dir.filePath(QStringLiteral("cache"));
    QDir().mkpath(cache);
    ASSERT_EQ(::chown(QFile::encodeName(cache).constData(), 65534, 65534), 0);
    const Finished refused =
        runProgram(setpriv,
                   {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                    QStringLiteral("--clear-groups"), helperProgram(), QStringLiteral("export"),
                    locked, cache + QStringLiteral("/out.bmp")},
                   {QStringLiteral("XDG_CACHE_HOME=") + cache, QStringLiteral("HOME=") + cache});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, expected + QLatin1Char('\n'));
}

TEST(Engine, OneShotExportProbeAndTheirFailures) {
    QTemporaryDir dir;
    // Nothing of the engine's stays in the user's temporary folder.
    QTemporaryDir userTemp;
    const Finished exported =
        runHelper({QStringLiteral("export"), fixture(QStringLiteral("threeslides.fodp")),
                   dir.filePath(QStringLiteral("slides.bmp"))},
                  {QStringLiteral("TMPDIR=") + userTemp.path()});
    EXPECT_EQ(exported.code, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.out, QStringLiteral("3\n"));
    expectSlides(dir.filePath(QStringLiteral("slides")), 960, 720, redGreenBlue);
    EXPECT_TRUE(QDir(userTemp.path()).isEmpty());

    const QString empty = dir.filePath(QStringLiteral("empty.pptx"));
    writeFile(empty, {});
    const Finished refused =
        runHelper({QStringLiteral("export"), empty, dir.filePath(QStringLiteral("e.bmp"))});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.out, QString());
    EXPECT_EQ(refused.err, QStringLiteral("Cannot open \"%1\": the file is empty\n").arg(empty));

    EXPECT_EQ(runHelper({QStringLiteral("probe")}).code, 0);
    const Finished missing = runHelper({QStringLiteral("probe")},
                                       {QStringLiteral("QUILLMOOR_LO_PATH=/nowhere/program")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, QStringLiteral("LibreOffice was not found in /nowhere/program\n"));
    EXPECT_EQ(runHelper({QStringLiteral("export"), empty}).code, 2);
}

TEST(Engine, ProbeGivesTheReasonTheEngineCannotStart) {
    qputenv("QUILLMOOR_LO_PATH", "/nowhere/program");
    EXPECT_EQ(failureOf([] { ProbeHelper(); }),
              QStringLiteral("LibreOffice was not found in /nowhere/program"));
    qunsetenv("QUILLMOOR_LO_PATH");
    EXPECT_EQ(childProcessCount(), 0);
}

// The engine parent and the engines it forks keep to a profile of their own:
// the user's LibreOffice profile is never made or touched, and the profile
// holds LibreOffice's first-start record, so no engine repeats that start.
TEST(Engine, ForkedEnginesKeepToACompleteProfileOfTheirOwn) {
    ProbeHelper();
    EXPECT_FALSE(QDir(QDir::homePath() + QStringLiteral("/.config/libreoffice")).exists());
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/quillmoor");
    bool recorded = false;
    for (const QString& slot : QDir(cache).entryList({QStringLiteral("lo-profile-*")}, QDir::Dirs))
        recorded = recorded || readFile(cache + QLatin1Char('/') + slot +
                                        QStringLiteral("/user/registrymodifications.xcu"))
                                   .contains("<prop oor:name=\"ooSetupLastVersion\"");
    EXPECT_TRUE(recorded);
    EXPECT_EQ(childProcessCount(), 0);
}
