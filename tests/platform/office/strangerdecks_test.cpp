// Decks from strangers: what they link from outside their folder, or from a
// network, never reaches a slide, and their macros never run.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/office/client/engineparent.h"
#include "platform/office/client/officeclient.h"
#include "tests/platform/office/officetesting.h"
#include "tests/support/testsupport.h"

namespace {
// A Flat ODP deck of one red 4:3 slide with a 3 cm frame at (1 + 4i) cm, 8 cm
// for each of `links`, each linking its picture.
QByteArray linkingDeck(const QStringList& links, const QByteArray& scripts = {}) {
    QByteArray frames;
    for (int i = 0; i < links.size(); ++i)
        frames +=
            QStringLiteral(
                "<draw:frame svg:x=\"%1cm\" svg:y=\"8cm\" svg:width=\"3cm\" svg:height=\"3cm\">"
                "<draw:image xlink:href=\"%2\" xlink:type=\"simple\" xlink:show=\"embed\" "
                "xlink:actuate=\"onLoad\"/></draw:frame>")
                .arg(1 + 4 * i)
                .arg(links[i].toHtmlEscaped())
                .toUtf8();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
           " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
           " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
           " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
           " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
           " xmlns:xlink=\"http://www.w3.org/1999/xlink\""
           " xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\""
           " xmlns:ooo=\"http://openoffice.org/2004/office\""
           " xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\""
           " office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.presentation\">" +
           scripts +
           "<office:styles/><office:automatic-styles><style:page-layout style:name=\"PM1\">"
           "<style:page-layout-properties fo:page-width=\"25.4cm\" fo:page-height=\"19.05cm\"/>"
           "</style:page-layout><style:style style:name=\"dp1\" style:family=\"drawing-page\">"
           "<style:drawing-page-properties draw:fill=\"solid\" draw:fill-color=\"#ff0000\"/>"
           "</style:style></office:automatic-styles><office:master-styles>"
           "<style:master-page style:name=\"Default\" style:page-layout-name=\"PM1\"/>"
           "</office:master-styles><office:body><office:presentation>"
           "<draw:page draw:name=\"s1\" draw:style-name=\"dp1\" draw:master-page-name=\"Default\">" +
           frames + "</draw:page></office:presentation></office:body></office:document>\n";
}

void writePicture(const QString& path, QRgb colour) {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(path, "PNG"));
}
}  // namespace

TEST(StrangerDecks, OnlyLinksInsideTheDecksFolderReachTheSlideAndNoMacroRuns) {
    QTemporaryDir dir;
    for (const char* folder : {"deck", "outside", "staging"}) QDir(dir.path()).mkdir(folder);
    const QString deck = dir.filePath(QStringLiteral("deck"));
    const QString secret = dir.filePath(QStringLiteral("outside/secret.png"));
    writePicture(secret, qRgb(255, 0, 255));
    writePicture(deck + QStringLiteral("/inside.png"), qRgb(0, 0, 255));
    QFile::link(secret, deck + QStringLiteral("/beside.png"));

    // A local server that must hear nothing, and an address that never answers.
    const LoopbackServer server;
    ASSERT_TRUE(server.listening());
    const QString local = QStringLiteral("http://127.0.0.1:%1/pixel.png").arg(server.port());
    const QString silent = QStringLiteral("http://10.255.255.1/pixel.png");

    const QString realSecret = QFileInfo(secret).canonicalFilePath();
    const QString outside = QStringLiteral("it is outside the presentation's folder");
    const QString network = QStringLiteral("network addresses are never fetched");
    const struct {
        QString link;
        bool shown;
        QString leftOut;
    } frames[] = {
        {QUrl::fromLocalFile(secret).toString(), false,
         QStringLiteral("\"%1\": %2").arg(secret, outside)},
        {QStringLiteral("../outside/secret.png"), false,
         QStringLiteral("\"%1\": %2").arg(secret, outside)},
        {QStringLiteral("beside.png"), false,
         QStringLiteral("\"%1/beside.png\": it leads to \"%2\", outside the presentation's folder")
             .arg(QFileInfo(deck).canonicalFilePath(), realSecret)},
        {QStringLiteral("inside.png"), true, {}},
        {local, false, QStringLiteral("\"%1\": %2").arg(local, network)},
        {silent, false, QStringLiteral("\"%1\": %2").arg(silent, network)},
    };
    QStringList links, leftOut;
    for (const auto& frame : frames) {
        links << frame.link;
        if (!frame.shown)
            leftOut << QStringLiteral("Left out the picture linked to ") + frame.leftOut;
    }
    writeFile(deck + QStringLiteral("/links.fodp"), linkingDeck(links));
    // The load event runs a macro that would write into the one folder the engine may write.
    const QString ran = dir.filePath(QStringLiteral("staging/macro-ran.txt"));
    writeFile(
        deck + QStringLiteral("/macro.fodp"),
        linkingDeck(
            {},
            "<office:scripts><office:script script:language=\"ooo:Basic\">"
            "<ooo:libraries><ooo:library-embedded ooo:name=\"Standard\">"
            "<ooo:module ooo:name=\"Module1\"><ooo:source-code>Sub Main\n"
            "Open \"" +
                ran.toUtf8() +
                "\" For Output As #1\nPrint #1, \"ran\"\n"
                "Close #1\nEnd Sub\n</ooo:source-code></ooo:module>"
                "</ooo:library-embedded></ooo:libraries></office:script>"
                "<office:event-listeners><script:event-listener script:language=\"ooo:script\""
                " script:event-name=\"dom:load\" xlink:href=\"vnd.sun.star.script:"
                "Standard.Module1.Main?language=Basic&amp;location=document\"/>"
                "</office:event-listeners></office:scripts>"));

    EngineParent parent;
    {
        OfficeHelper helper(parent, deck + QStringLiteral("/links.fodp"),
                            dir.filePath(QStringLiteral("staging")));
        EXPECT_EQ(helper.open(deck + QStringLiteral("/links.fodp")), 1);
        EXPECT_EQ(helper.linksLeftOut(), leftOut);
        EXPECT_EQ(helper.saveAs(dir.filePath(QStringLiteral("staging/links.bmp"))), 1);
        const BmpInfo slide = readBmp(dir.filePath(QStringLiteral("staging/links/Slide1.bmp")));
        ASSERT_TRUE(slide.readable);
        // 960 pixels for 25.4 cm: each frame's middle.
        for (int i = 0; i < int(std::size(frames)); ++i)
            EXPECT_EQ(slide.pixel(int((2.5 + 4 * i) * 960 / 25.4), int(9.5 * 960 / 25.4)),
                      frames[i].shown ? 0x0000ffu : 0xff0000u)
                << frames[i].link.toStdString();
        helper.quit();
    }
    EXPECT_FALSE(server.heard()) << "the local server heard from the engine";
    {
        OfficeHelper helper(parent, deck + QStringLiteral("/macro.fodp"),
                            dir.filePath(QStringLiteral("staging")));
        EXPECT_EQ(helper.open(deck + QStringLiteral("/macro.fodp")), 1);
        EXPECT_TRUE(helper.linksLeftOut().isEmpty());
        helper.quit();
    }
    EXPECT_FALSE(QFile::exists(ran)) << "the deck's macro ran";
}
