#include <QImage>
#include <QPixmap>

#include "../support/testsupport.h"
#include "app/cursorfile.h"
#include "app/skin.h"
#include "formfixture.h"
#include "util/failure.h"

namespace {
QStringList styleWarnings;
void collectStyleWarnings(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (text.contains(QLatin1String("style"), Qt::CaseInsensitive)) styleWarnings << text;
}

bool hasTransparentAndOpaquePixels(const QImage& image) {
    bool clear = false;
    bool solid = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            clear |= alpha == 0;
            solid |= alpha == 255;
        }
    return clear && solid;
}
}  // namespace

TEST(ShippedFiles, TheHandCursorPointsWithItsFingertip) {
    const QCursor hand = LoadCursorFile(binDir() + QStringLiteral("/HAND-M.CUR"));
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.hotSpot(), QPoint(5, 0));
    const QImage image = hand.pixmap().toImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_TRUE(hasTransparentAndOpaquePixels(image));
    // The fingertip's outline is where the hotspot is.
    EXPECT_EQ(qAlpha(image.pixel(5, 0)), 255);
}

TEST(ShippedFiles, TheDragPointerAndTheIconAreReadablePictures) {
    const QCursor drag = LoadCursorFile(binDir() + QStringLiteral("/drag.ico"));
    EXPECT_EQ(drag.pixmap().size(), QSize(32, 32));
    EXPECT_TRUE(hasTransparentAndOpaquePixels(drag.pixmap().toImage()));
    const QImage icon(binDir() + QStringLiteral("/quillmoor.png"));
    EXPECT_GE(icon.width(), 64);
    EXPECT_TRUE(hasTransparentAndOpaquePixels(icon));
    EXPECT_THROW(LoadCursorFile(binDir() + QStringLiteral("/no-such.cur")), Failure);
}

TEST(ShippedFiles, TheSkinIsAStyleSheetQtAccepts) {
    clearStore();
    ScriptedPrompts prompts;
    Form1 form(&prompts);
    styleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectStyleWarnings);
    ApplySkin(form, binDir());
    form.show();
    form.ensurePolished();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(form.styleSheet().isEmpty());
    EXPECT_EQ(styleWarnings, QStringList());
}
