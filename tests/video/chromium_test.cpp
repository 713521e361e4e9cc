#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "../support/tones.h"
#include "support/dibbuilder.h"
#include "support/playback.h"
#include "support/writeframes.h"

TEST(Chromium, ShowsTheMp4WithItsLengthSizeAndWhiteAndDecodesItsSound) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString video = dir.filePath(QStringLiteral("slides.mp4"));
    QImage white(320, 240, QImage::Format_RGB32);
    white.fill(Qt::white);
    const Dib frame = MakeDib(white, 24);
    // 2.5 seconds a slide, a tone under both.
    ASSERT_TRUE(WriteFrames(video, {frame, frame}, 2, 5, CompressOptions{}, {}, StereoTone(5, 0.5f))
                    .written);

    const std::optional<BrowserPlayback> shown = PlayInChromium(video);
    if (!shown) GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";
    ASSERT_TRUE(shown->ok()) << shown->error.toStdString();
    EXPECT_NEAR(shown->duration, 5.0, 0.03);
    EXPECT_EQ(shown->size.toStdString(), "320x240");
    EXPECT_EQ(shown->pixel.toStdString(), "255,255,255");
    EXPECT_GT(shown->audioBytes, 0);
}
