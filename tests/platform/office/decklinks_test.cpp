#include "platform/office/engine/decklinks.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/support/testsupport.h"

namespace {
std::string local(const QString& path) {
    return QDir(path).canonicalPath().toStdString();
}
}  // namespace

// Which links an engine follows: only to files really inside the deck's
// folder, whatever way the link is written; never to a network address.
TEST(DeckLinks, OnlyFilesReallyInsideTheDecksFolderAreFollowed) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("deck/sub")));
    QDir().mkpath(dir.filePath(QStringLiteral("outside")));
    writeFile(dir.filePath(QStringLiteral("deck/in side.png")), "p");
    writeFile(dir.filePath(QStringLiteral("deck/sub/pic.png")), "p");
    writeFile(dir.filePath(QStringLiteral("outside/secret.png")), "s");
    QDir().mkpath(dir.filePath(QStringLiteral("deck-twin")));
    writeFile(dir.filePath(QStringLiteral("deck-twin/x.png")), "t");
    QFile::link(dir.filePath(QStringLiteral("outside/secret.png")),
                dir.filePath(QStringLiteral("deck/beside.png")));
    QFile::link(dir.filePath(QStringLiteral("deck/sub/pic.png")),
                dir.filePath(QStringLiteral("deck/inner.png")));
    const std::string deck = local(dir.filePath(QStringLiteral("deck")));
    const std::string root = local(dir.path());
    const std::string outside = "it is outside the presentation's folder";
    const std::string network = "network addresses are never fetched";
    const struct {
        std::string target;
        bool everyLocalFile;
        bool allowed;
        std::string reason;
    } cases[] = {
        {"in%20side.png", false, true, ""},
        {"sub/pic.png", false, true, ""},
        {"sub/../sub/./pic.png", false, true, ""},
        {"inner.png", false, true, ""},  // a link that stays inside
        {"file://" + deck + "/sub/pic.png", false, true, ""},
        {"FILE://localhost" + deck + "/in%20side.png", false, true, ""},
        {"../outside/secret.png", false, false, outside},
        {"sub/../../outside/secret.png", false, false, outside},
        {"file://" + root + "/outside/secret.png", false, false, outside},
        {"../deck-twin/x.png", false, false, outside},  // a name that merely begins alike
        {"beside.png", false, false,
         "it leads to \"" + root + "/outside/secret.png\", outside the presentation's folder"},
        {"missing.png", false, false, "the file does not exist"},
        {"file://server.example/share/p.png", false, false, network},
        {"http://127.0.0.1:8999/p.png", false, false, network},
        {"https://example.com/p.png", true, false, network},
        {"smb://host/p.png", true, false, network},
        {"../outside/secret.png", true, true, ""},
        {"%00.png", false, false, "it is not a file name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const LinkVerdict verdict = JudgeLink(c.target, deck, deck, c.everyLocalFile);
        EXPECT_EQ(verdict.allowed, c.allowed);
        EXPECT_EQ(verdict.reason, c.reason);
        if (c.allowed) {
            EXPECT_EQ(verdict.file.rfind(c.everyLocalFile ? root : deck, 0), 0u);
        }
    }
}

// The scan finds what loads from outside (not hyperlinks, not embedded
// pictures), and the copy keeps allowed links pointing at their real files
// and leaves out the frames of refused ones, a frame with any refused link whole.
TEST(DeckLinks, ScanFindsLoadedLinksAndTheCopyLeavesOutRefusedFrames) {
    const std::string text =
        "<?xml version=\"1.0\"?><!-- <draw:image xlink:href=\"x\"/> -->"
        "<office:document><office:styles><draw:fill-image draw:name=\"f\" xlink:href=\"../fill.png\"/></office:styles>"
        "<draw:page><draw:frame n=\"1\"><draw:image xlink:href=\"in.png\"/></draw:frame>"
        "<draw:frame n=\"2\"><draw:image xlink:href='http://a/b?c=1&amp;d=2'><text:p/></draw:image></draw:frame>"
        "<draw:frame n=\"3\"><draw:object xlink:href=\"in.odg\"/><draw:image xlink:href=\"/etc/x.png\"/></draw:frame>"
        "<draw:frame n=\"4\"><draw:image><office:binary-data>AAAA</office:binary-data></draw:image></draw:frame>"
        "<draw:a xlink:href=\"http://hyper/link\"><draw:frame n=\"5\"/></draw:a>"
        "<presentation:sound xlink:href=\"#own\"/></draw:page></office:document>";
    const LinkScan scan = ScanDeckLinks(text);
    ASSERT_EQ(scan.error, "");
    std::vector<std::string> found;
    for (const DeckLink& link : scan.links) found.push_back(link.kind + " " + link.target);
    EXPECT_EQ(found, (std::vector<std::string>{"picture ../fill.png", "picture in.png",
                                               "picture http://a/b?c=1&d=2", "object in.odg",
                                               "picture /etc/x.png"}));
    std::vector<LinkVerdict> verdicts(5);
    verdicts[1] = {true, "in.png", "/d/in.png", ""};
    verdicts[3] = {true, "in.odg", "/d/in.odg", ""};
    EXPECT_EQ(
        RewriteDeckLinks(text, scan, verdicts),
        "<?xml version=\"1.0\"?><!-- <draw:image xlink:href=\"x\"/> -->"
        "<office:document><office:styles></office:styles>"
        "<draw:page><draw:frame n=\"1\"><draw:image xlink:href=\"file:///d/in.png\"/></draw:frame>"
        "<draw:frame n=\"4\"><draw:image><office:binary-data>AAAA</office:binary-data></draw:image></draw:frame>"
        "<draw:a xlink:href=\"http://hyper/link\"><draw:frame n=\"5\"/></draw:a>"
        "<presentation:sound xlink:href=\"#own\"/></draw:page></office:document>");

    // What LibreOffice never writes is refused, not guessed at.
    for (const std::string bad :
         {"<!DOCTYPE d [<!ENTITY e \"x\">]><d/>", "<a><b></a></b>",
          "<a><draw:image xlink:href=\"x\"", "<a xlink:href=x/>", "<a/><b/>",
          "<a><draw:image xlink:href=\"&e;\"/></a>", "", "<a>"}) {
        SCOPED_TRACE(bad);
        const LinkScan refused = ScanDeckLinks(bad);
        EXPECT_NE(refused.error, "");
        EXPECT_TRUE(refused.links.empty());
    }
}
