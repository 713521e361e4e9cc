// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <zip.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "engine/ooxmladvancetimes.h"
#include "engine/stagedslides.h"

namespace {
using Times = std::optional<QList<std::optional<qint64>>>;

const char* const PackageRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="ppt/presentation.xml"/></Relationships>)";

std::string presentation(const std::string& ids) {
    return R"(<p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
           R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
           "<p:sldIdLst>" +
           ids + "</p:sldIdLst></p:presentation>";
}

std::string slide(const std::string& transition) {
    return R"(<p:sld xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
           R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><p:cSld/>)" +
           transition + "</p:sld>";
}

// Two slides, listed second file first, the way a reordered deck keeps them.
std::map<std::string, std::string> deck(const std::string& first, const std::string& second,
                                        const std::string& secondTarget = "slides/slide1.xml") {
    return {
        {"_rels/.rels", PackageRels},
        {"ppt/presentation.xml",
         presentation(R"(<p:sldId id="256" r:id="rId3"/><p:sldId id="257" r:id="rId2"/>)")},
        {"ppt/_rels/presentation.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId2" Type="x/slide" Target=")" +
             secondTarget +
             R"("/><Relationship Id="rId3" Type="x/slide" Target="slides/slide2.xml"/></Relationships>)"},
        {"ppt/slides/slide2.xml", slide(first)},
        {"ppt/slides/slide1.xml", slide(second)}};
}

QString writeZip(const QTemporaryDir& dir, const std::map<std::string, std::string>& entries) {
    const QString path = dir.filePath(QStringLiteral("deck.pptx"));
    QFile::remove(path);
    int error = 0;
    zip_t* zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, text] : entries) {
        zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
        EXPECT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    EXPECT_EQ(zip_close(zip), 0);
    return path;
}
}  // namespace

TEST(OoxmlAdvanceTimes, AreReadToTheMillisecondInSlideOrderOrNotAtAll) {
    QTemporaryDir dir;
    const std::string timed = R"(<p:transition advTm="63217"/>)";
    const std::string alternate =
        R"(<mc:AlternateContent><mc:Choice Requires="p14"><p:transition advTm="8312"/></mc:Choice>)"
        R"(<mc:Fallback><p:transition advTm="8000"/></mc:Fallback></mc:AlternateContent>)";
    auto missingSlide = deck(timed, alternate);
    missingSlide.erase("ppt/slides/slide1.xml");
    auto noRelations = deck(timed, alternate);
    noRelations.erase("_rels/.rels");
    const struct {
        const char* what;
        std::map<std::string, std::string> entries;
        Times expected;
    } cases[] = {
        {"listed order, alternate content's choice", deck(timed, alternate),
         QList<std::optional<qint64>>{63217, 8312}},
        {"absolute target, a slide that waits for a click",
         deck(timed, "<p:transition/>", "/ppt/slides/slide1.xml"),
         QList<std::optional<qint64>>{63217, std::nullopt}},
        {"no transition at all", deck("", timed),
         QList<std::optional<qint64>>{std::nullopt, 63217}},
        {"a time that is no number", deck(R"(<p:transition advTm="-5"/>)", timed), std::nullopt},
        {"a time past a day", deck(R"(<p:transition advTm="86400001"/>)", timed), std::nullopt},
        {"a listed slide the package lacks", missingSlide, std::nullopt},
        {"no package relations (an ODF package)", noRelations, std::nullopt},
        {"broken slide XML", deck("<p:transition advTm=", timed), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OoxmlAdvanceTimes(writeZip(dir, c.entries)), c.expected);
    }
    QFile text(dir.filePath(QStringLiteral("plain.pptx")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a zip at all");
    text.close();
    EXPECT_EQ(OoxmlAdvanceTimes(text.fileName()), std::nullopt);
    EXPECT_EQ(OoxmlAdvanceTimes(dir.filePath(QStringLiteral("none.pptx"))), std::nullopt);
}

TEST(OoxmlAdvanceTimes, ReplaceOnlyTheEngineTimesTheyRefine) {
    QTemporaryDir dir;
    const QString path =
        writeZip(dir, deck(R"(<p:transition advTm="63217"/>)", R"(<p:transition advTm="8312"/>)"));
    const auto facts = [](std::optional<qint64> first, std::optional<qint64> second) {
        QList<SlideFact> slides(2);
        slides[0].advanceMs = first;
        slides[1].advanceMs = second;
        return slides;
    };
    const struct {
        const char* what;
        QList<SlideFact> engine;
        std::optional<qint64> first, second;
    } cases[] = {
        {"rounded to seconds", facts(63000, 8000), 63217, 8312},
        {"a click the engine saw stays one", facts(63000, std::nullopt), 63217, std::nullopt},
        {"times that disagree are the engine's", facts(12000, 8000), 12000, 8312},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QList<SlideFact> slides = c.engine;
        TakeExactAdvanceTimes(slides, path);
        EXPECT_EQ(slides[0].advanceMs, c.first);
        EXPECT_EQ(slides[1].advanceMs, c.second);
    }
    QList<SlideFact> three(3);
    three[0].advanceMs = 63000;
    TakeExactAdvanceTimes(three, path);
    EXPECT_EQ(three[0].advanceMs, 63000) << "another slide count: nothing is taken";
}
