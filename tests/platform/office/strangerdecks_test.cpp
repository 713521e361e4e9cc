// Decks from strangers: what they link from outside their folder, or from a
// network, never reaches a slide, and their macros never run.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/office/client/engineparent.h"
#include "platform/office/client/officeclient.h"
#include "tests/platform/office/officetesting.h"
#include "tests/support/storedzip.h"
#include "tests/support/testsupport.h"

namespace {
// A Flat ODP deck of one red 4:3 slide with a 3 cm frame at (1 + 4i) cm, 8 cm
// for each of `links`, each linking its picture.
QByteArray linkingDeck(const QStringList& links) {
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
           " xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\""
           " office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.presentation\">"
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

// The same slide as a .pptx, each picture linked from outside the package.
QList<std::pair<QByteArray, QByteArray>> linkingPptx(const QStringList& links) {
    const QByteArray names =
        " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships\" xmlns:p=\"http://schemas.openxmlformats.org/"
        "presentationml/2006/main\"";
    const QByteArray tree =
        "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/>"
        "<p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>";
    const auto rels = [](const QByteArray& relations) {
        return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
               "relationships\">" +
               relations + "</Relationships>";
    };
    const auto rel = [](int id, const char* type, const QByteArray& target, bool external) {
        return "<Relationship Id=\"rId" + QByteArray::number(id) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
               type + "\" Target=\"" + target + (external ? "\" TargetMode=\"External" : "") +
               "\"/>";
    };
    const auto part = [](const char* name, const char* type) {
        return QByteArray("<Override PartName=\"/ppt/") + name +
               ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
               "presentationml." +
               type + "+xml\"/>";
    };
    QByteArray pictures, pictureRels;
    for (int i = 0; i < links.size(); ++i) {
        const QByteArray id = QByteArray::number(i + 2);
        pictures += "<p:pic><p:nvPicPr><p:cNvPr id=\"" + id + "\" name=\"P" + id +
                    "\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:link=\"rId" + id +
                    "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm>"
                    "<a:off x=\"" +
                    QByteArray::number((1 + 4 * i) * 360000) +
                    "\" y=\"2880000\"/><a:ext cx=\"1080000\" cy=\"1080000\"/></a:xfrm>"
                    "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
        pictureRels += rel(i + 2, "image", links[i].toHtmlEscaped().toUtf8(), true);
    }
    return {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/"
         "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
         "ContentType=\"application/xml\"/>" +
             part("presentation", "presentation.main") + part("slides/slide1", "slide") +
             "</Types>"},
        {"_rels/.rels", rels(rel(1, "officeDocument", "ppt/presentation.xml", false))},
        {"ppt/presentation.xml",
         "<p:presentation" + names +
             "><p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst>"
             "<p:sldSz cx=\"9144000\" cy=\"6858000\"/><p:notesSz cx=\"6858000\" "
             "cy=\"9144000\"/></p:presentation>"},
        {"ppt/_rels/presentation.xml.rels", rels(rel(2, "slide", "slides/slide1.xml", false))},
        {"ppt/slides/slide1.xml",
         "<p:sld" + names +
             "><p:cSld><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>"
             "<a:effectLst/></p:bgPr></p:bg>" +
             tree + pictures + "</p:spTree></p:cSld></p:sld>"},
        {"ppt/slides/_rels/slide1.xml.rels", rels(pictureRels)},
    };
}

// An .odp package whose load event runs a macro that creates `ran`.
QList<std::pair<QByteArray, QByteArray>> macroDeck(const QString& ran) {
    const QByteArray library = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><library:";
    const QByteArray names = " xmlns:library=\"http://openoffice.org/2000/library\"";
    // A package's parts that its manifest does not name are not read.
    const auto entry = [](const QByteArray& path) {
        return "<manifest:file-entry manifest:full-path=\"" + path +
               "\" manifest:media-type=\"text/xml\"/>";
    };
    return {
        {"mimetype", "application/vnd.oasis.opendocument.presentation"},
        {"META-INF/manifest.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest xmlns:manifest="
         "\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.3\">"
         "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.3\" "
         "manifest:media-type=\"application/vnd.oasis.opendocument.presentation\"/>"
         "<manifest:file-entry manifest:full-path=\"content.xml\" "
         "manifest:media-type=\"text/xml\"/>" +
             entry("Basic/script-lc.xml") + entry("Basic/Standard/script-lb.xml") +
             entry("Basic/Standard/Module1.xml") + "</manifest:manifest>"},
        {"Basic/script-lc.xml", library + "libraries" + names +
                                    "><library:library library:name=\"Standard\" "
                                    "library:link=\"false\"/></library:libraries>"},
        {"Basic/Standard/script-lb.xml",
         library + "library" + names +
             " library:name=\"Standard\"><library:element library:name=\"Module1\"/>"
             "</library:library>"},
        {"Basic/Standard/Module1.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><script:module xmlns:script="
         "\"http://openoffice.org/2000/script\" script:name=\"Module1\" "
         "script:language=\"StarBasic\">Sub Main\nOpen &quot;" +
             ran.toHtmlEscaped().toUtf8() +
             "&quot; For Output As #1\nClose #1\nEnd Sub\n</script:module>"},
        {"content.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
         "xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
         "xmlns:dom=\"http://www.w3.org/2001/xml-events\" "
         "xmlns:ooo=\"http://openoffice.org/2004/office\" office:version=\"1.3\">"
         "<office:scripts><office:event-listeners><script:event-listener "
         "script:language=\"ooo:script\" script:event-name=\"dom:load\" "
         "xlink:href=\"vnd.sun.star.script:Standard.Module1.Main?language=Basic&amp;"
         "location=document\" xlink:type=\"simple\"/></office:event-listeners>"
         "</office:scripts><office:body><office:presentation><draw:page draw:name=\"s1\"/>"
         "</office:presentation></office:body></office:document-content>"},
    };
}

// `package` (an ODF package LibreOffice wrote) with a sound embedded on its
// first slide: LibreOffice cannot save such a deck as one flat file.
bool embedSound(const QString& package) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(package).constData(), ZIP_RDONLY, &error);
    if (!zip) return false;
    QList<std::pair<QByteArray, QByteArray>> entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t stat;
        zip_file_t* file = zip_stat_index(zip, zip_uint64_t(i), 0, &stat) == 0
                               ? zip_fopen_index(zip, zip_uint64_t(i), 0)
                               : nullptr;
        if (!file) continue;
        QByteArray data(qsizetype(stat.size), '\0');
        const bool read = zip_fread(file, data.data(), stat.size) == zip_int64_t(stat.size);
        zip_fclose(file);
        if (read) entries.append({QByteArray(stat.name), data});
    }
    zip_discard(zip);
    // A tenth of a second of 8 kHz 8-bit silence.
    QByteArray wave(
        "RIFF\x44\x03\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0"
        "\x01\0\x08\0data\x20\x03\0\0",
        44);
    wave.append(800, char(0x80));
    for (auto& [name, data] : entries) {
        if (name == "content.xml")
            data.replace(
                "</draw:page>",
                "<draw:frame svg:x=\"20cm\" svg:y=\"15cm\" svg:width=\"2cm\" "
                "svg:height=\"2cm\"><draw:plugin xlink:href=\"Media/beep.wav\" "
                "xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\" "
                "draw:mime-type=\"application/vnd.sun.star.media\"/></draw:frame></draw:page>");
        if (name == "META-INF/manifest.xml")
            data.replace("</manifest:manifest>",
                         "<manifest:file-entry manifest:full-path=\"Media/beep.wav\" "
                         "manifest:media-type=\"audio/x-wav\"/></manifest:manifest>");
    }
    entries.append({"Media/beep.wav", wave});
    return WriteStoredZip(package, entries);
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
    // The load event runs a macro that would write into the one folder the engine may
    // write.
    const QString ran = dir.filePath(QStringLiteral("staging/macro-ran.txt"));
    ASSERT_TRUE(WriteStoredZip(deck + QStringLiteral("/macro.odp"), macroDeck(ran)));

    ASSERT_TRUE(WriteStoredZip(deck + QStringLiteral("/links.pptx"), linkingPptx(links)));
    QProcess office;
    office.start(binDir() + QStringLiteral("/quillmoor-office"),
                 {QStringLiteral("convert"), deck + QStringLiteral("/links.fodp"),
                  deck + QStringLiteral("/sound.odp")});
    ASSERT_TRUE(office.waitForFinished(120'000) && office.exitCode() == 0);
    ASSERT_TRUE(embedSound(deck + QStringLiteral("/sound.odp")));
    office.start(binDir() + QStringLiteral("/quillmoor-office"),
                 {QStringLiteral("convert"), deck + QStringLiteral("/sound.odp"),
                  deck + QStringLiteral("/sound.pptx")});
    ASSERT_TRUE(office.waitForFinished(120'000) && office.exitCode() == 0);
    EngineParent parent;
    for (const char* name : {"links.fodp", "links.pptx", "sound.odp"}) {
        SCOPED_TRACE(name);
        const QString path = deck + QLatin1Char('/') + QLatin1String(name);
        OfficeHelper helper(parent, path, dir.filePath(QStringLiteral("staging")));
        EXPECT_EQ(helper.open(path), 1);
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
    {
        // Its sound kept in the package: the deck still opens, its links checked.
        const QString path = deck + QStringLiteral("/sound.pptx");
        OfficeHelper helper(parent, path, dir.filePath(QStringLiteral("staging")));
        EXPECT_EQ(helper.open(path), 1);
        EXPECT_EQ(helper.saveAs(dir.filePath(QStringLiteral("staging/sound.bmp"))), 1);
        helper.quit();
    }
    EXPECT_FALSE(server.heard()) << "the local server heard from the engine";
    {
        OfficeHelper helper(parent, deck + QStringLiteral("/macro.odp"),
                            dir.filePath(QStringLiteral("staging")));
        EXPECT_EQ(helper.open(deck + QStringLiteral("/macro.odp")), 1);
        EXPECT_TRUE(helper.linksLeftOut().isEmpty());
        helper.quit();
    }
    EXPECT_FALSE(QFile::exists(ran)) << "the deck's macro ran";
}
