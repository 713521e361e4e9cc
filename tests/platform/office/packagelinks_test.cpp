#include "platform/office/engine/packagelinks.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/storedzip.h"
#include "tests/support/testsupport.h"

namespace {
using Entries = QList<std::pair<QByteArray, QByteArray>>;

QByteArray rels(const QByteArray& relationships) {
    return "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
           "package/2006/relationships\">" +
           relationships + "</Relationships>";
}

QByteArray rel(const QByteArray& type, const QByteArray& target, const QByteArray& mode = {}) {
    return "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
           "2006/relationships/" +
           type + "\" Target=\"" + target + "\"" +
           (mode.isEmpty() ? QByteArray() : " TargetMode=\"" + mode + "\"") + "/>";
}

Entries openXml(const QByteArray& slideRels, const Entries& more = {}) {
    Entries entries{{"[Content_Types].xml", "<Types/>"},
                    {"_rels/.rels", rels(rel("officeDocument", "ppt/presentation.xml"))},
                    {"ppt/presentation.xml", "<p:presentation/>"},
                    {"ppt/slides/_rels/slide1.xml.rels", rels(slideRels)}};
    return entries + more;
}

Entries odf(const QByteArray& body) {
    return {
        {"mimetype", "application/vnd.oasis.opendocument.presentation"},
        {"content.xml", "<office:document-content xmlns:xlink=\"http://www.w3.org/1999/xlink\">" +
                            body + "</office:document-content>"},
        {"styles.xml", "<office:document-styles/>"},
        {"Pictures/a.png", "png"}};
}

QByteArray flat(const QByteArray& body) {
    return "<?xml version=\"1.0\"?><office:document xmlns:xlink=\"http://www.w3.org/1999/xlink\">" +
           body + "</office:document>";
}
}  // namespace

// Only a deck whose own parts show it names nothing outside itself skips the
// full check; whatever cannot be read through counts as a link.
TEST(PackageLinks, OnlyDecksProvedSelfContainedSkipTheFullCheck) {
    QTemporaryDir dir;
    const QByteArray image = rel("image", "../media/image1.png");
    const struct {
        const char* what;
        Entries package;  // a zip package, or empty for `text`
        QByteArray text;
        bool mayLink;
    } cases[] = {
        {"pptx with its own picture", openXml(image), {}, false},
        {"pptx with a hyperlink only",
         openXml(image + rel("hyperlink", "https://x.org", "External")),
         {},
         false},
        {"pptx with an external picture",
         openXml(rel("image", "file:///home/u/secret.png", "External")),
         {},
         true},
        {"pptx with an internal target naming a scheme",
         openXml(rel("image", "file:///etc/x")),
         {},
         true},
        {"pptx with an entity in a relationship",
         openXml(rel("image", "a.png", "Ext&#101;rnal")),
         {},
         true},
        {"pptx with a document type",
         openXml(image, {{"x/_rels/a.rels", "<!DOCTYPE x []><x/>"}}),
         {},
         true},
        {"pptx with an embedded object",
         openXml(image, {{"ppt/embeddings/oleObject1.bin", "ole"}}),
         {},
         true},
        {"pptx with an empty relationships part",
         openXml(image, {{"x/_rels/b.rels", ""}}),
         {},
         true},
        {"odp with its own picture", odf("<draw:image xlink:href=\"Pictures/a.png\"/>"), {}, false},
        {"odp with a hyperlink", odf("<text:a xlink:href=\"https://x.org\">x</text:a>"), {}, false},
        {"odp with a picture beside it", odf("<draw:image xlink:href=\"../a.png\"/>"), {}, true},
        {"odp with an embedded object", odf("<draw:object xlink:href=\"./Object 1\"/>"), {}, true},
        {"odp with a picture it lacks",
         odf("<draw:image xlink:href=\"Pictures/b.png\"/>"),
         {},
         true},
        {"fodp without links", {}, flat("<draw:image><office:binary-data/></draw:image>"), false},
        {"fodp with a link", {}, flat("<draw:image xlink:href=\"/tmp/a.png\"/>"), true},
        {"other XML", {}, "<presentation/>", true},
        {"a binary deck", {}, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), true},
        {"a zip that is no deck", {{"a.txt", "a"}}, {}, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::number(++n));
        if (c.package.isEmpty())
            writeFile(path, c.text);
        else
            ASSERT_TRUE(WriteStoredZip(path, c.package)) << c.what;
        EXPECT_EQ(MayLinkOutside(QFile::encodeName(path).toStdString()), c.mayLink) << c.what;
    }
    EXPECT_TRUE(MayLinkOutside(QFile::encodeName(dir.filePath("none")).toStdString()));
}
