// Targets that are no regular file, the user's frames, odd bitmaps, numbers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "../video/support/dibbuilder.h"
#include "robustness.h"

namespace {
constexpr int RunLimitMs = 120000;

QStringList writeFrames(const Sandbox& box, int count, int width = 64, int height = 48) {
    QStringList paths;
    for (int n = 1; n <= count; ++n) {
        paths << box.path(QStringLiteral("in/F/Slide%1.bmp").arg(n));
        writeFile(paths.last(), MakeBmpFile(MakeDib(TestPattern(width, height, n), 24)));
    }
    return paths;
}

ChildOptions convert(const Sandbox& box, const QStringList& arguments) {
    return {program(QStringLiteral("quillmoor-convert")), arguments, box.path(), box.environment()};
}

// The name and contents of every entry of the folder.
QByteArray snapshot(const QString& folder) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QFileInfo& entry : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        hash.addData(QFile::encodeName(entry.fileName()));
        QFile file(entry.filePath());
        hash.addData(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return hash.result();
}
}  // namespace

TEST(Targets, WhatIsNoRegularFileIsRefusedAndLeftAsItWasALinkIsWrittenThrough) {
    const struct {
        const char* name;
        std::function<bool(const QString&)> make;  // false: this machine cannot make it
        QString reason;                            // empty: written through
    } targets[] = {
        {"a FIFO",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0666) == 0; },
         "Not a regular file (a named pipe)"},
        {"a device",
         [](const QString& p) {
             return ::mknod(QFile::encodeName(p).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         },
         "Not a regular file (a device)"},
        {"a folder", [](const QString& p) { return QDir().mkpath(p); }, "Is a directory"},
        {"a link to a FIFO",
         [](const QString& p) {
             return ::mkfifo(QFile::encodeName(p + ".real").constData(), 0666) == 0 &&
                    QFile::link(p + ".real", p);
         },
         "Not a regular file (a named pipe)"},
        {"a link to a video",
         [](const QString& p) {
             writeFile(QFileInfo(p).path() + "/real/v.avi", "earlier");
             return QFile::link(QFileInfo(p).path() + "/real/v.avi", p);
         },
         QString()},
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(target.name);
        Sandbox box;
        writeFrames(box, 2);
        const QString output = box.path(QStringLiteral("out/v.avi"));
        if (!target.make(output)) {
            std::printf("%s: skipped, it cannot be made here\n", target.name);
            continue;
        }
        struct stat before, after;
        ASSERT_EQ(::lstat(QFile::encodeName(output).constData(), &before), 0);
        box.handOver();
        Child run(convert(box, {"--frames", box.path("in/F"), "--fps", "1", "--output", output}));
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        ASSERT_EQ(::lstat(QFile::encodeName(output).constData(), &after), 0);
        EXPECT_EQ(std::pair(after.st_mode, after.st_ino), std::pair(before.st_mode, before.st_ino));
        if (target.reason.isEmpty()) {
            EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
            EXPECT_EQ(FrameCount(box.path(QStringLiteral("out/real/v.avi"))), 2);
        } else {
            EXPECT_EQ(run.exitCode(), 1);
            EXPECT_TRUE(run.err().contains(QStringLiteral("There was an error writing to file\n") +
                                           output + "\n" + target.reason + "\n"))
                << run.err().toStdString();
        }
        EXPECT_EQ(TemporaryVideos(box.path("out")) + TemporaryVideos(box.path("out/real")),
                  QStringList{});
    }

    // Presentation runs: a linked folder names the same video twice; a FIFO is refused.
    Sandbox box;
    box.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/a/x.fodp"));
    box.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/c/talk.fodp"));
    ASSERT_TRUE(QFile::link(box.path("in/a"), box.path("in/b")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(box.path("in/c/talk.avi")).constData(), 0666), 0);
    box.handOver();
    Child run(convert(box, {"--separate", "--beside", box.path("in/a/x.fodp"),
                            box.path("in/b/x.fodp"), box.path("in/c/talk.fodp")}));
    ASSERT_TRUE(run.waitFor(RunLimitMs * 2));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_EQ(FrameCount(box.path("in/a/x.avi")), 3);
    EXPECT_EQ(FrameCount(box.path("in/a/x (2).avi")), 3) << run.err().toStdString();
    EXPECT_TRUE(run.err().contains(QStringLiteral("quillmoor-convert: ") +
                                   box.path("in/c/talk.fodp") + QStringLiteral(": ")));
    EXPECT_FALSE(QFileInfo(box.path("in/c/talk.avi")).isFile());
}

TEST(UserFrames, AFrameRunNeverChangesTheFrameFolder) {
    const auto keep = [](const QStringList&) {};
    const struct {
        const char* name;
        std::function<void(const QStringList&)> spoil;
        qint64 fileSizeLimit;
        int exitCode;  // 130: interrupted by SIGINT once the video is being written
        int frames;    // in the video; -1: none
        QString says;
    } cases[] = {
        {"written", keep, -1, 0, 8, QString()},
        {"a frame without its pixels",
         [](const QStringList& f) { QFile::resize(f[1], QFileInfo(f[1]).size() - 1); }, -1, 1, 7,
         "(missing: Slide2.bmp)"},
        {"an unreadable frame",
         [](const QStringList& f) { ::chmod(QFile::encodeName(f[5]).constData(), 0); }, -1, 1, -1,
         "/Slide6.bmp: Permission denied"},
        {"a file size limit", keep, 3 << 20, 1, -1, "File too large"},
        {"interrupted", keep, -1, 128 + SIGINT, -1, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        const QStringList frames = writeFrames(box, 8, 640, 480);
        box.handOver();
        c.spoil(frames);
        const QByteArray before = snapshot(box.path("in/F"));
        const bool interrupt = c.exitCode == 128 + SIGINT;
        ChildOptions options =
            convert(box, {"--frames", box.path("in/F"), "--fps", "1", "--output",
                          box.path("out/v.avi"), "--codec", interrupt ? "cinepak" : "raw"});
        options.fileSizeLimit = c.fileSizeLimit;
        Child run(options);
        ASSERT_TRUE(run.waitFor(RunLimitMs, [&] {
            if (interrupt && !TemporaryVideos(box.path("out")).isEmpty()) run.signal(SIGINT);
        }));
        const QString err = run.err();
        EXPECT_EQ(snapshot(box.path("in/F")), before) << err.toStdString();
        EXPECT_EQ(run.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_EQ(FrameCount(box.path("out/v.avi")), c.frames);
    }
}

TEST(OddBitmaps, AFrameIsRefusedOnlyWhenItsPixelsAreNotInTheFile) {
    // 321 x 241 at 24 bits: rows of 963 bytes, padded to 964.
    const QByteArray plain = MakeBmpFile(MakeDib(TestPattern(321, 241, 1), 24));
    const auto withSizeField = [&](quint32 size) {
        const quint32 field = qToLittleEndian(size);
        return plain.left(34) + QByteArray(reinterpret_cast<const char*>(&field), 4) +
               plain.mid(38);
    };
    const struct {
        const char* name;
        QByteArray bytes;
        qint64 padTo;
        bool written;
    } bitmaps[] = {
        {"size field without row padding", withSizeField(963 * 241), 0, true},
        {"size field past the rows", withSizeField(964 * 241 + 2), 0, true},
        {"size field 0", withSizeField(0), 0, true},
        {"padded to 2 GiB after its pixels", plain, qint64(2) << 30, true},
        {"the last pixel byte missing", plain.chopped(1), 0, false},
    };
    for (const auto& bitmap : bitmaps) {
        SCOPED_TRACE(bitmap.name);
        Sandbox box;
        const QString frame = box.path(QStringLiteral("in/F/Slide1.bmp"));
        writeFile(frame, bitmap.bytes);
        if (bitmap.padTo > 0) QFile::resize(frame, bitmap.padTo);
        box.handOver();
        ChildOptions options = convert(
            box, {"--frames", box.path("in/F"), "--fps", "1", "--output", box.path("out/v.avi")});
        options.dataLimit = qint64(512) << 20;  // a frame costs what its pixels take
        Child run(options);
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        EXPECT_EQ(run.exitCode(), bitmap.written ? 0 : 1) << run.err().toStdString();
        const DecodedVideo video = DecodeVideo(box.path("out/v.avi"));
        ASSERT_EQ(video.frames.size(), bitmap.written ? 1 : 0);
        EXPECT_TRUE(bitmap.written
                        ? MaxChannelDifference(video.frames[0], TestPattern(321, 241, 1)) == 0
                        : run.err().contains("File is not a supported bitmap format:\n" + frame));
    }
}

TEST(CommandLineNumbers, AreReadAlikeInEveryRunAndRefusedBeforeAnythingStarts) {
    Sandbox box;
    writeFrames(box, 2);
    const QString deck = box.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/d.fodp"));
    const QStringList frames{"--frames", box.path("in/F"), "--output", box.path("out/v.avi")};
    const QStringList decks{"--separate", "--output-dir", box.path("out"), deck};
    const QString fps =
        "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)";
    const struct {
        QStringList arguments;
        int exitCode;
        QString firstLine;  // of stderr, when refused
    } runs[] = {
        {frames + QStringList{"--fps", "7.5"}, 0, QString()},
        {frames + QStringList{"--fps", "1e9"}, 2, fps},
        {decks + QStringList{"--fps", "1e9"}, 2, fps},
        {decks + QStringList{"--fps", "x"}, 2, fps},
        {frames + QStringList{"--fps", "1", "--quality", "7.5"}, 2,
         "--quality takes a whole number from 0 to 100"},
    };
    box.handOver();
    for (const auto& r : runs) {
        SCOPED_TRACE(r.arguments.join(' ').toStdString());
        // No engine can start: a refusal must come before one is needed.
        ChildOptions options = convert(box, r.arguments);
        options.environment << QStringLiteral("QUILLMOOR_LO_PATH=/nonexistent");
        Child run(options);
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        EXPECT_EQ(run.exitCode(), r.exitCode) << run.err().toStdString();
        EXPECT_EQ(r.firstLine.isEmpty() ? QString() : run.err().section('\n', 0, 0),
                  r.firstLine.isEmpty() ? QString() : "quillmoor-convert: " + r.firstLine);
    }
    EXPECT_EQ(DecodeVideo(box.path("out/v.avi"), false).rateNum, 8);

    // --quality and --kbps both apply where the compressor takes both.
    for (const char* codec : {"mjpeg", "mpeg4"}) {
        QList<qint64> sizes;
        for (const char* quality : {"1", "100"}) {
            Child run(convert(box, frames + QStringList{"--fps", "1", "--codec", codec, "--kbps",
                                                        "200", "--quality", quality}));
            ASSERT_TRUE(run.waitFor(RunLimitMs));
            EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
            sizes << QFileInfo(box.path("out/v.avi")).size();
        }
        EXPECT_LT(sizes[0], sizes[1]) << codec;
    }
}
