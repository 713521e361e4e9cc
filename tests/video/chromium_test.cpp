#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/dibbuilder.h"
#include "support/writeframes.h"

namespace {
// Plays the video, then reports its length, its size and the middle pixel of
// the first picture into the page, which Chromium prints.
constexpr const char* Page = R"(<!DOCTYPE html><html><body><video id="v" muted src="%1"></video>
<pre id="out">pending</pre><script>
const v = document.getElementById('v'), out = document.getElementById('out');
v.onerror = () => { out.textContent = 'error ' + (v.error ? v.error.code : ''); };
v.onloadeddata = () => { v.currentTime = 0.5; };
v.onseeked = () => {
  const c = document.createElement('canvas');
  c.width = v.videoWidth; c.height = v.videoHeight;
  const g = c.getContext('2d'); g.drawImage(v, 0, 0);
  const p = g.getImageData(c.width >> 1, c.height >> 1, 1, 1).data;
  out.textContent = `duration=${v.duration} size=${v.videoWidth}x${v.videoHeight} pixel=${p[0]},${p[1]},${p[2]}`;
};
</script></body></html>)";
}  // namespace

TEST(Chromium, PlaysTheMp4WithItsLengthSizeAndWhite) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString video = dir.filePath(QStringLiteral("slides.mp4"));
    QImage white(320, 240, QImage::Format_RGB32);
    white.fill(Qt::white);
    const Dib frame = MakeDib(white, 24);
    // 2.5 seconds a slide.
    ASSERT_TRUE(WriteFrames(video, {frame, frame}, 2, 5, CompressOptions{}).written);

    const QString page = dir.filePath(QStringLiteral("play.html"));
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::WriteOnly));
    html.write(QString::fromLatin1(Page).arg(QStringLiteral("slides.mp4")).toUtf8());
    html.close();
    // Chromium's virtual time runs ahead of the media threads on a busy machine:
    // a page still waiting is asked again.
    QString dom;
    QRegularExpressionMatch shown;
    for (int attempt = 0; attempt < 3 && !shown.hasMatch(); ++attempt) {
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--mute-audio",
                                 "--allow-file-access-from-files", "--virtual-time-budget=30000",
                                 "--user-data-dir=" + dir.filePath(QStringLiteral("profile")),
                                 "--dump-dom", QStringLiteral("file://") + page});
        ASSERT_TRUE(browser.waitForFinished(90000));
        dom = QString::fromUtf8(browser.readAllStandardOutput());
        shown = QRegularExpression(
                    QStringLiteral("duration=([0-9.]+) size=(\\d+x\\d+) pixel=(\\d+,\\d+,\\d+)"))
                    .match(dom);
    }
    ASSERT_TRUE(shown.hasMatch()) << dom.toStdString();
    EXPECT_NEAR(shown.captured(1).toDouble(), 5.0, 0.01);
    EXPECT_EQ(shown.captured(2).toStdString(), "320x240");
    EXPECT_EQ(shown.captured(3).toStdString(), "255,255,255");
}
