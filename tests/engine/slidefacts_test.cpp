#include <gtest/gtest.h>

#include "engine/slidefacts.h"

namespace {
// A Flat ODP body around `pages`, with `styles` as its automatic styles.
QByteArray document(const char* styles, const char* pages) {
    return QByteArray(
               R"(<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
               R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
               R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
               R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
               R"(xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0">)"
               "<office:automatic-styles>") +
           styles +
           "</office:automatic-styles><office:master-styles><style:master-page style:name=\"M\">"
           "<presentation:notes><draw:frame presentation:class=\"notes\"><draw:text-box>"
           "<text:p>master notes</text:p></draw:text-box></draw:frame></presentation:notes>"
           "</style:master-page></office:master-styles><office:body><office:presentation>" +
           pages + "</office:presentation></office:body></office:document>";
}

QByteArray pageStyle(const char* name, const char* properties) {
    return QByteArray("<style:style style:family=\"drawing-page\" style:name=\"") + name + "\">" +
           "<style:drawing-page-properties " + properties + "/></style:style>";
}

QByteArray notesPage(const char* notes) {
    return QByteArray("<draw:page draw:style-name=\"dp\"><presentation:notes>") +
           "<draw:page-thumbnail presentation:class=\"page\"/>" + notes +
           "</presentation:notes></draw:page>";
}

QByteArray notesFrame(const char* text) {
    return QByteArray("<draw:frame presentation:class=\"notes\"><draw:text-box>") + text +
           "</draw:text-box></draw:frame>";
}
}  // namespace

TEST(OdfDuration, ReadsTheFormsLibreOfficeWritesAndRefusesTheRest) {
    const struct {
        const char* text;
        std::optional<qint64> ms;
    } cases[] = {
        {"PT5S", 5000},
        {"PT00H00M05S", 5000},
        {"PT1.500000000S", 1500},
        {"PT5.12S", 5120},
        {"PT0.0005S", 1},
        {"PT0.0004S", 0},
        {"PT1H2M3.25S", 3'723'250},
        {"P1D", 86'400'000},
        {"P1DT1S", std::nullopt},  // past a day
        {"PT5", std::nullopt},
        {"P5S", std::nullopt},
        {"PT", std::nullopt},
        {"PT1.5M", std::nullopt},
        {"PT2S1M", std::nullopt},
        {"-PT5S", std::nullopt},
        {"P1M", std::nullopt},
        {"PT99999999999999999999S", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseOdfDuration(QString::fromLatin1(c.text)), c.ms) << c.text;
}

TEST(SlideFacts, TellsHiddenSlidesAndAutomaticAdvanceTimesFromThePageStyles) {
    const QByteArray styles =
        pageStyle("auto",
                  "presentation:transition-type=\"automatic\" presentation:duration=\"PT2S\"") +
        pageStyle("hidden", "presentation:visibility=\"hidden\"") +
        pageStyle(
            "semi",
            "presentation:transition-type=\"semi-automatic\" presentation:duration=\"PT2S\"") +
        pageStyle("manual", "presentation:duration=\"PT2S\"") +
        pageStyle("zero",
                  "presentation:transition-type=\"automatic\" presentation:duration=\"PT0S\"");
    // An embedded object's own pages and styles are not the document's.
    const QByteArray embedded =
        "<draw:page draw:style-name=\"auto\"><draw:frame><draw:object><office:document>"
        "<office:automatic-styles>" +
        pageStyle("auto", "presentation:visibility=\"hidden\"") +
        "</office:automatic-styles><office:body><office:presentation><draw:page/><draw:page/>"
        "</office:presentation></office:body></office:document></draw:object></draw:frame>"
        "</draw:page>";
    const SlideFacts facts = ParseSlideFacts(document(
        styles,
        embedded +
            "<draw:page draw:style-name=\"hidden\"/>"
            "<draw:page draw:style-name=\"semi\"/><draw:page draw:style-name=\"manual\"/>"
            "<draw:page draw:style-name=\"zero\"/><draw:page draw:style-name=\"unknown\"/><draw:page/>"));
    ASSERT_TRUE(facts.ok()) << facts.error.toStdString();
    const QList<SlideFact> expected = {
        {false, 2000, {}, {}, {}},         {true, std::nullopt, {}, {}, {}},
        {false, std::nullopt, {}, {}, {}}, {false, std::nullopt, {}, {}, {}},
        {false, std::nullopt, {}, {}, {}}, {false, std::nullopt, {}, {}, {}},
        {false, std::nullopt, {}, {}, {}}};
    EXPECT_EQ(facts.slides, expected);
}

TEST(SlideFacts, NotesAreTheTextOfTheNotesFrameOnly) {
    const struct {
        QByteArray notes;
        const char* expected;
    } cases[] = {
        {notesFrame("<text:p>One</text:p><text:p>Two</text:p>"), "One\nTwo"},
        {notesFrame("<text:p>  spread\n  over   lines </text:p>"), "spread over lines"},
        {notesFrame("<text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d</text:p>"),
         "a   b c\nd"},
        {notesFrame("<text:list><text:list-item><text:p><text:span>item</text:span></text:p>"
                    "</text:list-item></text:list>"),
         "item"},
        {notesFrame("<text:p>Slide <text:page-number>3</text:page-number> of "
                    "<text:date>today</text:date><presentation:footer/>x</text:p>"),
         "Slide of x"},
        {notesFrame("<text:p/><text:p>middle</text:p><text:p></text:p>"), "middle"},
        {QByteArray("<draw:frame presentation:class=\"header\"><draw:text-box><text:p>head</text:p>"
                    "</draw:text-box></draw:frame><draw:frame presentation:class=\"page-number\">"
                    "<draw:text-box><text:p>7</text:p></draw:text-box></draw:frame>") +
             notesFrame("<text:p>body</text:p>"),
         "body"},
        {"<draw:frame><draw:text-box><text:p>a plain box</text:p></draw:text-box></draw:frame>",
         ""},
        {notesFrame("<text:p>A &amp; B &lt;\xc3\xa9&gt;</text:p>"), "A & B <\xc3\xa9>"},
    };
    for (const auto& c : cases) {
        const SlideFacts facts = ParseSlideFacts(document("", notesPage(c.notes.constData())));
        ASSERT_TRUE(facts.ok()) << facts.error.toStdString();
        ASSERT_EQ(facts.slides.size(), 1);
        EXPECT_EQ(facts.slides[0].notes, QString::fromUtf8(c.expected)) << c.notes.constData();
    }
}

TEST(SlideFacts, RefusesDocumentsItCannotVouchFor) {
    const struct {
        QByteArray document;
        const char* error;
    } cases[] = {
        {document("", ""), "no slides"},
        {document("", "<draw:page>"), "not well-formed"},
        {"", "not well-formed"},
        {document(pageStyle("bad",
                            "presentation:transition-type=\"automatic\" "
                            "presentation:duration=\"soon\"")
                      .constData(),
                  "<draw:page draw:style-name=\"bad\"/>"),
         "\"soon\" cannot be read"},
    };
    for (const auto& c : cases) {
        const SlideFacts facts = ParseSlideFacts(c.document);
        EXPECT_FALSE(facts.ok());
        EXPECT_TRUE(facts.error.contains(QLatin1String(c.error))) << facts.error.toStdString();
    }
}

// A slide's media, its timing tree's sounds and its transition's sound, each
// once, without the package scheme; the notes' language from their text style.
TEST(SlideFacts, TellsEachSlidesSoundsAndTheNotesLanguage) {
    const QByteArray styles =
        pageStyle("dp", "") +
        "<style:style style:family=\"drawing-page\" style:name=\"sounding\">"
        "<style:drawing-page-properties><presentation:sound "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "xlink:href=\"vnd.sun.star.Package:Media/bell.wav\"/></style:drawing-page-properties>"
        "</style:style><style:style style:family=\"text\" style:name=\"T1\">"
        "<style:text-properties xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
        "fo:language=\"de\" fo:country=\"AT\"/></style:style>";
    const QByteArray pages =
        "<draw:page draw:style-name=\"sounding\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "xmlns:anim=\"urn:oasis:names:tc:opendocument:xmlns:animation:1.0\">"
        "<draw:frame><draw:plugin xlink:href=\"ppt/media/a.wav\"/></draw:frame>"
        "<anim:par><anim:par><anim:transitionFilter/><anim:audio xlink:href=\"Media/bell.wav\"/>"
        "</anim:par><anim:seq><anim:par><anim:audio xlink:href=\"../b.mp3\"/></anim:par></anim:seq>"
        "</anim:par></draw:page>" +
        notesPage(
            notesFrame("<text:p><text:span text:style-name=\"T1\">Servus</text:span></text:p>"));
    const SlideFacts facts = ParseSlideFacts(document(styles.constData(), pages.constData()));
    ASSERT_TRUE(facts.ok()) << facts.error.toStdString();
    ASSERT_EQ(facts.slides.size(), 2);
    EXPECT_EQ(facts.slides[0].sounds, (QStringList{"ppt/media/a.wav", "../b.mp3"}));
    EXPECT_EQ(facts.slides[0].transitionSound, QStringLiteral("Media/bell.wav"));
    EXPECT_TRUE(facts.slides[0].language.isEmpty());
    EXPECT_TRUE(facts.slides[1].sounds.isEmpty());
    EXPECT_EQ(facts.slides[1].language, QStringLiteral("de-AT"));
}

TEST(SmilDuration, ReadsClockValues) {
    const struct {
        const char* text;
        std::optional<qint64> ms;
    } cases[] = {{"2s", 2000},          {"0.7s", 700},
                 {"500ms", 500},        {"1.5min", 90'000},
                 {"1h", 3'600'000},     {"2.25", 2250},
                 {"00:00:02.5", 2500},  {"01:30", 90'000},
                 {"0.0004s", 0},        {"indefinite", std::nullopt},
                 {"", std::nullopt},    {"1:60", std::nullopt},
                 {"-2s", std::nullopt}, {"2.s", std::nullopt},
                 {"25h", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseSmilDuration(QString::fromLatin1(c.text)), c.ms) << c.text;
}

// The style names the kind; the page's own timing its length, else the
// style's length or speed, else the middle speed. The title is the title
// placeholder's text on one line.
TEST(SlideFacts, ReadsEachSlidesTransitionAndTitle) {
    const QByteArray styles =
        pageStyle("push", "smil:type=\"pushWipe\" smil:subtype=\"fromRight\"") +
        pageStyle("slow",
                  "smil:type=\"fade\" smil:subtype=\"fadeOverColor\" "
                  "smil:fadeColor=\"#ffffff\" presentation:transition-speed=\"slow\"") +
        pageStyle("back",
                  "smil:type=\"slideWipe\" smil:subtype=\"fromTop\" "
                  "smil:direction=\"reverse\" smil:dur=\"0.5s\"") +
        pageStyle("plain", "draw:fill=\"none\"");
    const char* timing =
        "<anim:par presentation:node-type=\"timing-root\"><anim:par>"
        "<anim:transitionFilter smil:dur=\"1.25s\" smil:type=\"pushWipe\" smil:subtype=\"fromRight\"/>"
        "</anim:par><anim:seq><anim:par><anim:transitionFilter smil:dur=\"9s\" "
        "smil:type=\"zoom\"/></anim:par></anim:seq></anim:par>";
    QByteArray pages = QByteArray("<draw:page draw:style-name=\"push\">") +
                       "<draw:frame presentation:class=\"title\"><draw:text-box><text:p>Opening"
                       "</text:p><text:p>  words </text:p></draw:text-box></draw:frame>" +
                       timing + "</draw:page>" +
                       "<draw:page draw:style-name=\"slow\"/><draw:page draw:style-name=\"back\"/>"
                       "<draw:page draw:style-name=\"plain\">" +
                       timing + "</draw:page><draw:page draw:style-name=\"plain\"/>";
    QByteArray doc = document(styles, pages);
    doc.replace("<office:document ",
                "<office:document xmlns:smil=\"urn:oasis:names:tc:opendocument:xmlns:"
                "smil-compatible:1.0\" xmlns:anim=\"urn:oasis:names:tc:opendocument:xmlns:"
                "animation:1.0\" ");
    const SlideFacts facts = ParseSlideFacts(doc);
    ASSERT_TRUE(facts.ok()) << facts.error.toStdString();
    const QList<SlideTransitionFact> expected = {
        {"pushWipe", "fromRight", false, {}, 1250},
        {"fade", "fadeOverColor", false, "#ffffff", 3000},
        {"slideWipe", "fromTop", true, {}, 500},
        {"pushWipe", "fromRight", false, {}, 1250},  // the page's own kind where the style has none
        {}};
    ASSERT_EQ(facts.slides.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(facts.slides[i].transition, expected[i]) << "slide " << i + 1;
    EXPECT_EQ(facts.slides[0].title, QStringLiteral("Opening words"));
    EXPECT_EQ(facts.slides[1].title, QString());
}
