#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "../video/support/codecfacts.h"
#include "app/compressiondialog.h"
#include "util/settingsstore.h"
#include "video/codeclist.h"
#include "video/compressoptions.h"

namespace {
QSettings store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Tervalko", "Tervalko");
}

void forgetChoice() {
    QSettings s = store();
    s.remove(QLatin1String(CompressionSettingsGroup));
    s.sync();
}

// Answers the next modal dialog: accept or reject it once it is shown.
void answerNextDialog(bool accept, std::function<void(CompressionDialog&)> before = {}) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<CompressionDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (before) before(*dialog);
        accept ? dialog->accept() : dialog->reject();
    });
}
}  // namespace

TEST(CodecList, OffersUncompressedFirstThenTheEncodersThisBuildHasInTheDialogOrder) {
    const QStringList names = AvailableCodecNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), QStringLiteral("Full Frames (Uncompressed)"));
    const QStringList order{"Full Frames (Uncompressed)",
                            "Motion JPEG",
                            "MPEG-4 part 2",
                            "H.264",
                            "FFV1",
                            "HuffYUV",
                            "Cinepak",
                            "Microsoft Video 1",
                            "PNG",
                            "ZMBV"};
    int last = -1;
    for (const QString& name : names) {
        const int at = int(order.indexOf(name));
        ASSERT_GT(at, last) << name.toStdString();
        last = at;
        EXPECT_NE(FindCodec(name), nullptr);
    }
    // FFmpeg 5.1 on Debian has all of these.
    EXPECT_TRUE(names.contains(QStringLiteral("Motion JPEG")));
    EXPECT_EQ(FindCodec(QString()), FindCodec(QStringLiteral("Full Frames (Uncompressed)")));
    EXPECT_EQ(FindCodec(QStringLiteral("Indeo")), nullptr);
}

TEST(CompressOptionsStore, RemembersTheChoiceInItsOwnGroupAndFallsBackOnNonsense) {
    forgetChoice();
    const CompressOptions defaults = LoadCompressOptions();
    EXPECT_EQ(defaults.codec, QString());
    EXPECT_EQ(defaults.keyFrameEvery, 1);
    EXPECT_EQ(defaults.quality, 0);
    EXPECT_EQ(defaults.dataRateBitsPerSecond, 0);

    SaveQuillmoorSetting(QStringLiteral("Fps"), QStringLiteral("5"));
    CompressOptions chosen{QStringLiteral("Motion JPEG"), 80, 4, 900 * BitsPerDialogKilobyte};
    SaveCompressOptions(chosen);
    const CompressOptions loaded = LoadCompressOptions();
    EXPECT_EQ(loaded.codec, chosen.codec);
    EXPECT_EQ(loaded.quality, 80);
    EXPECT_EQ(loaded.keyFrameEvery, 4);
    EXPECT_EQ(loaded.dataRateBitsPerSecond, 900 * BitsPerDialogKilobyte);
    {
        QSettings s = store();
        s.beginGroup(QStringLiteral("Quillmoor"));
        EXPECT_EQ(s.childKeys(), QStringList{QStringLiteral("Fps")});
    }

    SaveSetting("Tervalko", "Compression", "Codec", "Indeo 5");
    SaveSetting("Tervalko", "Compression", "KeyFrameEvery", "0");
    SaveSetting("Tervalko", "Compression", "Quality", "many");
    const CompressOptions fallback = LoadCompressOptions();
    EXPECT_EQ(fallback.codec, QString());
    EXPECT_EQ(fallback.keyFrameEvery, 1);
    EXPECT_EQ(fallback.quality, 0);
    forgetChoice();
}

TEST(CompressionDialog, GreysOutWhatTheChosenEncoderIgnores) {
    CompressionDialog dialog(CompressOptions{});
    auto* codec = dialog.findChild<QComboBox*>(QStringLiteral("codec"));
    auto* quality = dialog.findChild<QSlider*>(QStringLiteral("quality"));
    auto* keyFrames = dialog.findChild<QSpinBox*>(QStringLiteral("keyFrameEvery"));
    auto* dataRate = dialog.findChild<QSpinBox*>(QStringLiteral("dataRate"));
    ASSERT_TRUE(codec && quality && keyFrames && dataRate);
    EXPECT_EQ(codec->currentText(), QStringLiteral("Full Frames (Uncompressed)"));
    EXPECT_EQ(keyFrames->value(), 1);
    for (int i = 0; i < codec->count(); ++i) {
        codec->setCurrentIndex(i);
        const CodecFacts facts = FactsOf(codec->currentText());
        SCOPED_TRACE(codec->currentText().toStdString());
        ASSERT_GT(facts.alignment, 0);
        EXPECT_EQ(quality->isEnabled(), facts.quality);
        EXPECT_EQ(keyFrames->isEnabled(), facts.keyFrames);
        EXPECT_EQ(dataRate->isEnabled(), facts.dataRate);
    }
    codec->setCurrentIndex(0);
    EXPECT_FALSE(quality->isEnabled());
    EXPECT_FALSE(keyFrames->isEnabled());
}

TEST(CompressionDialog, OkReturnsOneAndRemembersCancelReturnsZeroAndLeavesTheOptions) {
    forgetChoice();
    CompressOptions options;
    answerNextDialog(true, [](CompressionDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("codec"))
            ->setCurrentText(QStringLiteral("MPEG-4 part 2"));
        d.findChild<QSpinBox*>(QStringLiteral("keyFrameEvery"))->setValue(5);
        d.findChild<QSlider*>(QStringLiteral("quality"))->setValue(70);
    });
    EXPECT_EQ(ShowCompressionDialog(nullptr, options), 1);
    EXPECT_EQ(options.codec, QStringLiteral("MPEG-4 part 2"));
    EXPECT_EQ(options.keyFrameEvery, 5);
    EXPECT_EQ(options.quality, 70);

    // Opens on the last choice; cancelling changes nothing.
    CompressOptions untouched;
    untouched.codec = QStringLiteral("untouched");
    answerNextDialog(false, [](CompressionDialog& d) {
        EXPECT_EQ(d.options().codec, QStringLiteral("MPEG-4 part 2"));
        EXPECT_EQ(d.options().keyFrameEvery, 5);
    });
    EXPECT_EQ(ShowCompressionDialog(nullptr, untouched), 0);
    EXPECT_EQ(untouched.codec, QStringLiteral("untouched"));
    forgetChoice();
}

// Each container remembers its own compressor; MP4 starts on H.264.
TEST(CompressionDialog, OffersTheContainersCompressorsAndRemembersEachOnesChoice) {
    forgetChoice();
    CompressOptions mp4;
    mp4.container = VideoContainer::Mp4;
    answerNextDialog(true, [](CompressionDialog& d) {
        auto* codec = d.findChild<QComboBox*>(QStringLiteral("codec"));
        EXPECT_EQ(codec->currentText(), QStringLiteral("H.264"));
        EXPECT_EQ(codec->findText(QLatin1String(UncompressedCodecName)), -1);
        codec->setCurrentText(QStringLiteral("MPEG-4 part 2"));
    });
    EXPECT_EQ(ShowCompressionDialog(nullptr, mp4), 1);
    EXPECT_EQ(mp4.container, VideoContainer::Mp4);
    EXPECT_EQ(LoadCompressOptions(VideoContainer::Mp4).codec, QStringLiteral("MPEG-4 part 2"));
    EXPECT_EQ(LoadCompressOptions(VideoContainer::Avi).codec, QString());
    forgetChoice();
}
