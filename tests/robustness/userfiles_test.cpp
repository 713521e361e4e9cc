// The user's files: targets that are no regular file, the frames a --frames
// run reads, odd bitmap headers and the numbers of the command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include "../platform/avifile/support/avidecode.h"
#include "../platform/avifile/support/dibbuilder.h"
#include "../support/testsupport.h"
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

// Every entry of the folder with its kind and contents.
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
             QDir().mkpath(QFileInfo(p).path() + "/real");
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
        struct stat before;
        ASSERT_EQ(::lstat(QFile::encodeName(output).constData(), &before), 0);
        box.handOver();
        Child run(convert(box, {"--frames", box.path("in/F"), "--fps", "1", "--output", output}));
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        struct stat after;
        ASSERT_EQ(::lstat(QFile::encodeName(output).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
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
    EXPECT_TRUE(run.err().contains(QStringLiteral("Failed: ") + box.path("in/c/talk.fodp")));
    EXPECT_FALSE(QFileInfo(box.path("in/c/talk.avi")).isFile());
}

TEST(UserFrames, AFrameRunNeverChangesTheFrameFolder) {
    enum class Ends { Written, Partial, Failed, Interrupted };
    const struct {
        const char* name;
        std::function<void(const QStringList&)> spoil;
        qint64 fileSizeLimit;
        Ends ends;
        QString says;
        const char* codec = "raw";
    } cases[] = {
        {"written", [](const QStringList&) {}, -1, Ends::Written, QString()},
        {"a frame without its pixels",
         [](const QStringList& f) { QFile::resize(f[1], QFileInfo(f[1]).size() - 1); }, -1,
         Ends::Partial, QStringLiteral("(missing: Slide2.bmp)")},
        {"an unreadable frame",
         [](const QStringList& f) { ::chmod(QFile::encodeName(f[5]).constData(), 0); }, -1,
         Ends::Failed, QStringLiteral("/Slide6.bmp: Permission denied")},
        {"a file size limit", [](const QStringList&) {}, 3 << 20, Ends::Failed,
         QStringLiteral("File too large")},
        {"interrupted", [](const QStringList&) {}, -1, Ends::Interrupted, QString(), "cinepak"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        const QStringList frames = writeFrames(box, 8, 640, 480);
        box.handOver();
        c.spoil(frames);
        const QByteArray before = snapshot(box.path("in/F"));
        ChildOptions options = convert(box, {"--frames", box.path("in/F"), "--fps", "1", "--output",
                                             box.path("out/v.avi"), "--codec", c.codec});
        options.fileSizeLimit = c.fileSizeLimit;
        Child run(options);
        if (c.ends == Ends::Interrupted) {
            run.waitFor(RunLimitMs, [&] {
                if (!TemporaryVideos(box.path("out")).isEmpty()) run.signal(SIGINT);
            });
        }
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        const QString err = run.err();
        EXPECT_EQ(snapshot(box.path("in/F")), before) << err.toStdString();
        EXPECT_EQ(run.exitCode(), c.ends == Ends::Written       ? 0
                                  : c.ends == Ends::Interrupted ? 128 + SIGINT
                                                                : 1)
            << err.toStdString();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_EQ(FrameCount(box.path("out/v.avi")), c.ends == Ends::Written   ? 8
                                                     : c.ends == Ends::Partial ? 7
                                                                               : -1);
    }
}

TEST(OddBitmaps, AFrameIsRefusedOnlyWhenItsPixelsAreNotInTheFile) {
    // 321 x 241 at 24 bits: rows of 963 bytes, padded to 964.
    const QByteArray plain = MakeBmpFile(MakeDib(TestPattern(321, 241, 1), 24));
    const auto withSizeField = [&](quint32 size) {
        QByteArray bytes = plain;
        qToLittleEndian<quint32>(size, bytes.data() + 34);
        return bytes;
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
        if (bitmap.written) {
            ASSERT_EQ(video.frames.size(), 1);
            EXPECT_EQ(MaxChannelDifference(video.frames[0], TestPattern(321, 241, 1)), 0);
        } else {
            EXPECT_TRUE(run.err().contains("File is not a supported bitmap format:\n" + frame));
        }
    }
}

TEST(Numbers, AreReadAlikeInEveryRunAndRefusedBeforeAnythingStarts) {
    Sandbox box;
    writeFrames(box, 2);
    const QString deck = box.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/d.fodp"));
    const QStringList frames{"--frames", box.path("in/F"), "--output", box.path("out/v.avi")};
    const QStringList decks{"--separate", "--output-dir", box.path("out"), deck};
    const struct {
        QStringList arguments;
        int exitCode;
        QString firstLine;  // of stderr, when refused
    } runs[] = {
        {frames + QStringList{"--fps", "7.5"}, 0, QString()},
        {frames + QStringList{"--fps", "1e9"}, 2,
         "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)"},
        {decks + QStringList{"--fps", "1e9"}, 2,
         "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)"},
        {decks + QStringList{"--fps", "x"}, 2,
         "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)"},
        {frames + QStringList{"--fps", "1", "--quality", "7.5"}, 2,
         "--quality takes a whole number from 0 to 100"},
        {frames + QStringList{"--fps", "1", "--codec", "ffv1", "--quality", "5", "--kbps", "9"}, 2,
         "--quality has no effect on FFV1; choose a compressor that uses it with --codec"},
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
        if (r.exitCode == 2) {
            EXPECT_EQ(run.err().section(QLatin1Char('\n'), 0, 0), r.firstLine);
        }
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
