#include "playback.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {
// Shows the first picture, then writes what the page found into itself, which
// Chromium prints. Headless, a video with sound has no audio clock to run on:
// it neither plays on nor finishes a seek, so the page reads it as loaded.
constexpr const char* Page =
    R"(<!DOCTYPE html><html><body><video id="v" muted preload="auto" src="%1"></video>
<pre id="out">pending</pre><script>
const v = document.getElementById('v'), out = document.getElementById('out');
v.onerror = () => { out.textContent = 'error ' + (v.error ? v.error.code : ''); };
v.onloadeddata = () => {
  const c = document.createElement('canvas');
  c.width = v.videoWidth; c.height = v.videoHeight;
  const g = c.getContext('2d'); g.drawImage(v, 0, 0);
  const p = g.getImageData(c.width >> 1, c.height >> 1, 1, 1).data;
  out.textContent = `duration=${v.duration} size=${v.videoWidth}x${v.videoHeight} ` +
                    `pixel=${p[0]},${p[1]},${p[2]} audio=${v.webkitAudioDecodedByteCount}`;
};
</script></body></html>)";
}  // namespace

std::optional<BrowserPlayback> PlayInChromium(const QString& video) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) return std::nullopt;
    BrowserPlayback playback;
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("play.html"));
    QFile html(page);
    if (!dir.isValid() || !html.open(QIODevice::WriteOnly)) {
        playback.error = QStringLiteral("cannot write the page");
        return playback;
    }
    html.write(QString::fromLatin1(Page)
                   .arg(QUrl::fromLocalFile(QFileInfo(video).absoluteFilePath()).toString())
                   .toUtf8());
    html.close();
    // Chromium's virtual time runs ahead of the media threads on a busy machine:
    // a page still waiting is asked again.
    static const QRegularExpression shown(
        QStringLiteral("duration=([0-9.]+) size=(\\d+x\\d+) pixel=(\\d+,\\d+,\\d+) audio=(\\d+)"));
    QString dom;
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--mute-audio",
                                 "--allow-file-access-from-files", "--virtual-time-budget=30000",
                                 "--user-data-dir=" + dir.filePath(QStringLiteral("profile")),
                                 "--dump-dom", QUrl::fromLocalFile(page).toString()});
        if (!browser.waitForFinished(120000)) {
            playback.error = QStringLiteral("Chromium did not finish");
            return playback;
        }
        dom = QString::fromUtf8(browser.readAllStandardOutput());
        const QRegularExpressionMatch match = shown.match(dom);
        if (!match.hasMatch()) continue;
        playback.duration = match.captured(1).toDouble();
        playback.size = match.captured(2);
        playback.pixel = match.captured(3);
        playback.audioBytes = match.captured(4).toLongLong();
        return playback;
    }
    playback.error = QStringLiteral("the page shows: ") + dom.simplified().left(400);
    return playback;
}

std::optional<QString> PlayInGStreamer(const QString& video, const QString& wav) {
    const QString launch = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (launch.isEmpty()) return std::nullopt;
    QProcess gst;
    // The pictures are decoded too and dropped, so a picture GStreamer cannot
    // read fails the run as well.
    gst.start(launch, {"-q",
                       "uridecodebin",
                       "uri=" + QUrl::fromLocalFile(video).toString(),
                       "name=d",
                       "d.",
                       "!",
                       "queue",
                       "!",
                       "audioconvert",
                       "!",
                       "audioresample",
                       "!",
                       "audio/x-raw,format=S16LE,rate=48000,channels=2",
                       "!",
                       "wavenc",
                       "!",
                       "filesink",
                       "location=" + wav,
                       "d.",
                       "!",
                       "queue",
                       "!",
                       "fakesink"});
    if (!gst.waitForFinished(120000)) return QStringLiteral("gst-launch-1.0 did not finish");
    if (gst.exitStatus() != QProcess::NormalExit || gst.exitCode() != 0 || !QFile::exists(wav))
        return QStringLiteral("gst-launch-1.0 failed: ") +
               QString::fromUtf8(gst.readAllStandardError() + gst.readAllStandardOutput())
                   .simplified()
                   .left(400);
    return QString();
}
