#include "engine/slidefacts.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {
const QString Office = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString Style = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString Text = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString Draw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString Presentation =
    QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:presentation:1.0");
const QString XLink = QStringLiteral("http://www.w3.org/1999/xlink");
const QString Formatting =
    QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString Smil = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0");
const QString Anim = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:animation:1.0");

constexpr qint64 DayMs = 24LL * 60 * 60 * 1000;
// More repeated spaces than any note holds: a hostile count must not allocate gigabytes.
constexpr int MostSpaces = 1000;

// A transition that names no length plays at the office suite's middle speed.
constexpr qint64 MediumTransitionMs = 2000;

struct PageStyle {
    bool hidden = false;
    std::optional<qint64> advanceMs;
    SlideTransitionFact transition;
    QString sound;  // the transition's
};

struct Page {
    QString style;
    QStringList paragraphs;
    QString language;
    QStringList sounds;
    QString transitionSound;  // beside its transition filter in the page's own timing
    QString title;
    // What the page's own timing says of its transition: its length over the style's.
    std::optional<SlideTransitionFact> filter;
    bool filterTimed = false;
};

// The length of a transition from a smil:dur, or why it cannot be read.
bool readTransitionLength(const QString& duration, qint64& ms, QString& error) {
    const std::optional<qint64> length = ParseSmilDuration(duration);
    if (!length) {
        error = QStringLiteral("a slide's transition time \"%1\" cannot be read").arg(duration);
        return false;
    }
    ms = *length;
    return true;
}

// smil:type, smil:subtype, smil:direction and smil:fadeColor of a style or a transition filter.
SlideTransitionFact readTransitionKind(const QXmlStreamAttributes& attributes) {
    SlideTransitionFact kind;
    kind.type = attributes.value(Smil, QStringLiteral("type")).toString();
    kind.subtype = attributes.value(Smil, QStringLiteral("subtype")).toString();
    kind.reverse = attributes.value(Smil, QStringLiteral("direction")) == QLatin1String("reverse");
    kind.fadeColor = attributes.value(Smil, QStringLiteral("fadeColor")).toString();
    return kind;
}

// Text styles' languages by style name.
using Languages = QHash<QString, QString>;

// A media reference as LibreOffice writes it, without the package scheme.
QString soundReference(const QXmlStreamReader& xml) {
    QString href = xml.attributes().value(XLink, QStringLiteral("href")).toString().trimmed();
    if (href.startsWith(QLatin1String("vnd.sun.star.Package:"))) href.remove(0, 21);
    if (href.startsWith(QLatin1String("./"))) href.remove(0, 2);
    return href;
}

void addSound(QStringList& sounds, const QString& href) {
    if (!href.isEmpty() && !sounds.contains(href)) sounds << href;
}

// The language a text element's style gives, if any.
QString elementLanguage(const QXmlStreamReader& xml, const Languages& languages) {
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QString& ns : {Text, Presentation, Draw}) {
        const QString style = attributes.value(ns, QStringLiteral("style-name")).toString();
        if (!style.isEmpty() && languages.contains(style)) return languages.value(style);
    }
    return {};
}

bool isText(const QXmlStreamReader& xml, const char* name) {
    return xml.namespaceUri() == Text && xml.name() == QLatin1String(name);
}

// Fields of a notes page (slide number, header, footer, date) and footnotes,
// annotations and the like inside a paragraph are not what the speaker wrote.
bool isSkippedInParagraph(const QXmlStreamReader& xml) {
    if (xml.namespaceUri() == Presentation || xml.namespaceUri() == Office) return true;
    static const char* const fields[] = {
        "page-number", "page-count",        "date",     "time",    "note",
        "ruby-text",   "page-continuation", "sequence", "chapter", "file-name"};
    if (xml.namespaceUri() != Text) return false;
    for (const char* field : fields)
        if (xml.name() == QLatin1String(field)) return true;
    return false;
}

// Paragraph text with ODF's white-space rule: runs of white space are one
// space, leading and trailing ones go; <text:s>, <text:tab> and
// <text:line-break> are kept as written.
class ParagraphText {
  public:
    void characters(QStringView text) {
        for (const QChar c : text) {
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
                c == QLatin1Char('\r')) {
                pendingSpace_ = !text_.isEmpty();
            } else {
                flush();
                text_ += c;
            }
        }
    }
    void literal(const QString& text) {
        flush();
        text_ += text;
    }
    QString take() {
        QString done = text_;
        text_.clear();
        pendingSpace_ = false;
        return done;
    }

  private:
    void flush() {
        if (pendingSpace_) text_ += QLatin1Char(' ');
        pendingSpace_ = false;
    }
    QString text_;
    bool pendingSpace_ = false;
};

// The text of one notes frame, read up to its end element.
QStringList readNotesFrame(QXmlStreamReader& xml, const Languages& languages, QString& language) {
    if (language.isEmpty()) language = elementLanguage(xml, languages);
    QStringList paragraphs;
    ParagraphText paragraph;
    int depth = 1;        // inside the frame
    int inParagraph = 0;  // depth of the open paragraph's element, 0 outside one
    int skipping = 0;     // depth of a skipped element, 0 when none
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                ++depth;
                if (skipping) break;
                if (language.isEmpty() && xml.namespaceUri() == Text)
                    language = elementLanguage(xml, languages);
                if (inParagraph == 0 && (isText(xml, "p") || isText(xml, "h"))) {
                    inParagraph = depth;
                } else if (inParagraph != 0 && isText(xml, "s")) {
                    bool ok = false;
                    const int count = xml.attributes().value(Text, QStringLiteral("c")).toInt(&ok);
                    paragraph.literal(QString(ok ? qBound(1, count, MostSpaces) : 1, u' '));
                } else if (inParagraph != 0 && isText(xml, "tab")) {
                    paragraph.literal(QStringLiteral(" "));
                } else if (inParagraph != 0 && isText(xml, "line-break")) {
                    paragraph.literal(QStringLiteral("\n"));
                } else if (inParagraph != 0 && isSkippedInParagraph(xml)) {
                    skipping = depth;
                }
                break;
            case QXmlStreamReader::EndElement:
                if (skipping == depth) skipping = 0;
                if (inParagraph == depth) {
                    paragraphs << paragraph.take();
                    inParagraph = 0;
                }
                --depth;
                break;
            case QXmlStreamReader::Characters:
                if (inParagraph != 0 && !skipping) paragraph.characters(xml.text());
                break;
            default:
                break;
        }
    }
    return paragraphs;
}

QStringList readNotesFrame(QXmlStreamReader& xml) {
    QString language;
    return readNotesFrame(xml, {}, language);
}

QString notesText(QStringList kept) {
    while (!kept.isEmpty() && kept.first().trimmed().isEmpty()) kept.removeFirst();
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty()) kept.removeLast();
    return kept.join(QLatin1Char('\n'));
}

// The notes of one slide: only frames of the notes class, never the page's
// thumbnail, header, footer, date or number.
void readNotes(QXmlStreamReader& xml, Page& page, const Languages& languages) {
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::StartElement) {
            if (xml.namespaceUri() == Draw && xml.name() == QLatin1String("frame") &&
                xml.attributes().value(Presentation, QStringLiteral("class")) ==
                    QLatin1String("notes")) {
                page.paragraphs << readNotesFrame(xml, languages, page.language);
            } else {
                ++depth;
            }
        }
    }
}

PageStyle readPageStyle(const QXmlStreamAttributes& properties, QString& error) {
    PageStyle style;
    style.hidden =
        properties.value(Presentation, QStringLiteral("visibility")) == QLatin1String("hidden");
    // A slide waiting for a click, or one that only starts its effects by
    // itself ("semi-automatic"), has no advance time of its own.
    if (properties.value(Presentation, QStringLiteral("transition-type")) ==
        QLatin1String("automatic")) {
        const QString duration =
            properties.value(Presentation, QStringLiteral("duration")).toString();
        if (!duration.isEmpty()) {
            style.advanceMs = ParseOdfDuration(duration);
            if (!style.advanceMs)
                error =
                    QStringLiteral("a slide's advance time \"%1\" cannot be read").arg(duration);
            else if (*style.advanceMs == 0)
                style.advanceMs.reset();  // shown for no time: the chosen time instead
        }
    }
    style.transition = readTransitionKind(properties);
    const QString duration = properties.value(Smil, QStringLiteral("dur")).toString();
    const QStringView speed = properties.value(Presentation, QStringLiteral("transition-speed"));
    style.transition.durationMs = MediumTransitionMs;
    if (!duration.isEmpty()) {
        readTransitionLength(duration, style.transition.durationMs, error);
    } else if (!speed.isEmpty()) {
        if (speed == QLatin1String("slow"))
            style.transition.durationMs = 3000;
        else if (speed == QLatin1String("fast"))
            style.transition.durationMs = 1000;
    }
    return style;
}
}  // namespace

std::optional<qint64> ParseOdfDuration(const QString& text) {
    // P [nD] [T [nH] [nM] [n[.f]S]]; years and months have no fixed length.
    qsizetype i = 0;
    const qsizetype end = text.size();
    if (end < 2 || text[i++] != QLatin1Char('P')) return std::nullopt;
    bool inTime = false;
    bool anyPart = false;
    qint64 total = 0;
    const QString units = QStringLiteral("DHMS");
    int lastUnit = -1;
    while (i < end) {
        if (text[i] == QLatin1Char('T')) {
            if (inTime || i + 1 >= end) return std::nullopt;
            inTime = true;
            ++i;
            continue;
        }
        qint64 whole = 0;
        const qsizetype start = i;
        while (i < end && text[i].isDigit() && text[i].unicode() < 128) {
            whole = whole * 10 + (text[i].unicode() - '0');
            if (whole > DayMs) return std::nullopt;
            ++i;
        }
        if (i == start) return std::nullopt;
        qint64 fractionMs = 0;
        if (i < end && (text[i] == QLatin1Char('.') || text[i] == QLatin1Char(','))) {
            ++i;
            const qsizetype digits = i;
            qint64 scale = 100;
            bool roundUp = false;
            while (i < end && text[i].isDigit() && text[i].unicode() < 128) {
                const int digit = text[i].unicode() - '0';
                if (scale > 0)
                    fractionMs += digit * scale;
                else if (scale == 0)
                    roundUp = digit >= 5;
                scale = scale > 0 ? scale / 10 : -1;
                ++i;
            }
            if (i == digits) return std::nullopt;
            if (roundUp) ++fractionMs;
        }
        if (i >= end) return std::nullopt;
        const int unit = units.indexOf(text[i++]);
        // Units in order, each once; D before T, the others after it; fractions on seconds.
        if (unit < 0 || unit <= lastUnit || (unit == 0) == inTime) return std::nullopt;
        if (fractionMs != 0 && unit != 3) return std::nullopt;
        lastUnit = unit;
        static const qint64 unitMs[] = {DayMs, 3'600'000, 60'000, 1000};
        total += whole * unitMs[unit] + fractionMs;
        if (total > DayMs) return std::nullopt;
        anyPart = true;
    }
    if (!anyPart) return std::nullopt;
    return total;
}

namespace {
// Digits with an optional fraction, times `unitMs`, rounded to the nearest millisecond.
std::optional<qint64> decimalMs(QStringView number, qint64 unitMs) {
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? number : number.first(point);
    const QStringView fraction = point < 0 ? QStringView() : number.sliced(point + 1);
    if (whole.isEmpty() || (point >= 0 && fraction.isEmpty())) return std::nullopt;
    qint64 total = 0;
    for (const QChar c : whole) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        total = total * 10 + (c.unicode() - '0');
        if (total > DayMs) return std::nullopt;
    }
    total *= unitMs;
    qint64 numerator = 0;
    qint64 denominator = 1;
    for (const QChar c : fraction) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        if (denominator >= 1'000'000'000) continue;  // finer than any clock
        numerator = numerator * 10 + (c.unicode() - '0');
        denominator *= 10;
    }
    total += (numerator * unitMs * 2 + denominator) / (2 * denominator);
    if (total > DayMs) return std::nullopt;
    return total;
}
}  // namespace

std::optional<qint64> ParseSmilDuration(const QString& text) {
    const QString value = text.trimmed();
    if (value.contains(QLatin1Char(':'))) {
        const QStringList parts = value.split(QLatin1Char(':'));
        if (parts.size() > 3) return std::nullopt;
        qint64 total = 0;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const bool last = i + 1 == parts.size();
            if (!last && parts[i].contains(QLatin1Char('.'))) return std::nullopt;
            const std::optional<qint64> part = decimalMs(parts[i], last ? 1000 : 1);
            if (!part || (i > 0 && *part >= (last ? 60'000 : 60))) return std::nullopt;
            total = last ? total * 60'000 + *part : total * 60 + *part;
        }
        if (total > DayMs) return std::nullopt;
        return total;
    }
    static const struct {
        const char* metric;
        qint64 ms;
    } metrics[] = {{"ms", 1}, {"min", 60'000}, {"h", 3'600'000}, {"s", 1000}};
    for (const auto& metric : metrics)
        if (value.endsWith(QLatin1String(metric.metric)))
            return decimalMs(QStringView(value).chopped(qsizetype(qstrlen(metric.metric))),
                             metric.ms);
    return decimalMs(value, 1000);
}

SlideFacts ParseSlideFacts(const QByteArray& flatDocument) {
    SlideFacts facts;
    QHash<QString, PageStyle> styles;
    Languages languages;
    QString textStyle;  // the text or paragraph style being read
    QList<Page> pages;
    QXmlStreamReader xml(flatDocument);
    // Only the document's own styles and pages count: an embedded object (a
    // chart, another presentation) brings a body and styles of its own.
    QList<bool> isOffice;  // per open element: in the office namespace
    QStringList names;     // per open element: its local name
    QString styleName;     // the drawing-page style being read
    while (!xml.atEnd() && facts.ok()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            isOffice.removeLast();
            names.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        const qsizetype depth = names.size();  // of the parent
        const QStringView name = xml.name();
        const QString uri = xml.namespaceUri().toString();
        const bool topLevel = depth >= 1 && isOffice[0];
        if (topLevel && depth == 2 && uri == Style && name == QLatin1String("style") &&
            isOffice[1] &&
            (names[1] == QLatin1String("automatic-styles") ||
             names[1] == QLatin1String("styles"))) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView family = attributes.value(Style, QStringLiteral("family"));
            const QString name = attributes.value(Style, QStringLiteral("name")).toString();
            styleName = family == QLatin1String("drawing-page") ? name : QString();
            textStyle = family == QLatin1String("drawing-page") ? QString() : name;
        } else if (topLevel && depth == 3 && uri == Style &&
                   name == QLatin1String("text-properties") && !textStyle.isEmpty()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString language =
                attributes.value(Formatting, QStringLiteral("language")).toString();
            const QString country =
                attributes.value(Formatting, QStringLiteral("country")).toString();
            if (!language.isEmpty() && language != QLatin1String("zxx") &&
                !languages.contains(textStyle))
                languages.insert(textStyle, country.isEmpty() || country == QLatin1String("none")
                                                ? language
                                                : language + QLatin1Char('-') + country);
        } else if (topLevel && depth == 3 && uri == Style &&
                   name == QLatin1String("drawing-page-properties") && !styleName.isEmpty()) {
            styles.insert(styleName, readPageStyle(xml.attributes(), facts.error));
        } else if (topLevel && depth == 4 && uri == Presentation &&
                   name == QLatin1String("sound") && !styleName.isEmpty() &&
                   names[3] == QLatin1String("drawing-page-properties")) {
            styles[styleName].sound = soundReference(xml);
        } else if (topLevel && depth == 3 && uri == Draw && name == QLatin1String("page") &&
                   isOffice[1] && names[1] == QLatin1String("body") && isOffice[2]) {
            pages << Page();
            pages.last().style =
                xml.attributes().value(Draw, QStringLiteral("style-name")).toString();
        } else if (topLevel && depth == 4 && uri == Presentation &&
                   name == QLatin1String("notes") && names[3] == QLatin1String("page") &&
                   !pages.isEmpty()) {
            readNotes(xml, pages.last(), languages);  // up to its end element
            continue;
        } else if (topLevel && depth >= 5 && uri == Anim && name == QLatin1String("audio") &&
                   names[3] == QLatin1String("page") && !pages.isEmpty() &&
                   pages.last().transitionSound.isEmpty() &&
                   names.mid(4).count(QStringLiteral("par")) == depth - 4) {
            // The slide's own timing plays its transition's sound with the transition.
            pages.last().transitionSound = soundReference(xml);
        } else if (topLevel && depth >= 4 && names[3] == QLatin1String("page") &&
                   !pages.isEmpty() &&
                   ((uri == Draw && name == QLatin1String("plugin")) ||
                    (uri == Anim && name == QLatin1String("audio")))) {
            addSound(pages.last().sounds, soundReference(xml));
        } else if (topLevel && depth == 4 && uri == Draw && name == QLatin1String("frame") &&
                   names[3] == QLatin1String("page") && !pages.isEmpty() &&
                   xml.attributes().value(Presentation, QStringLiteral("class")) ==
                       QLatin1String("title")) {
            if (pages.last().title.isEmpty())
                pages.last().title = readNotesFrame(xml).join(QLatin1Char(' ')).simplified();
            continue;
        } else if (topLevel && depth >= 5 && uri == Anim &&
                   name == QLatin1String("transitionFilter") && names[3] == QLatin1String("page") &&
                   !pages.isEmpty() && !pages.last().filter &&
                   names.mid(4).count(QStringLiteral("par")) == depth - 4) {
            // The slide's own timing: only its outer parallel groups lead here.
            const QXmlStreamAttributes attributes = xml.attributes();
            Page& page = pages.last();
            page.filter = readTransitionKind(attributes);
            const QString duration = attributes.value(Smil, QStringLiteral("dur")).toString();
            page.filterTimed = !duration.isEmpty() &&
                               readTransitionLength(duration, page.filter->durationMs, facts.error);
        }
        isOffice << (uri == Office);
        names << name.toString();
    }
    if (facts.ok() && xml.hasError())
        facts.error = QStringLiteral("the document is not well-formed XML (%1, line %2)")
                          .arg(xml.errorString())
                          .arg(xml.lineNumber());
    if (facts.ok() && pages.isEmpty()) facts.error = QStringLiteral("the document has no slides");
    if (!facts.ok()) return facts;
    for (const Page& page : pages) {
        const PageStyle style = styles.value(page.style);
        const QString transitionSound =
            page.transitionSound.isEmpty() ? style.sound : page.transitionSound;
        QStringList sounds = page.sounds;
        sounds.removeAll(transitionSound);
        SlideTransitionFact transition = style.transition;
        if (page.filter) {
            // The style names the kind when it does; the page's timing its length.
            const qint64 styleMs = transition.durationMs;
            if (transition.type.isEmpty()) transition = *page.filter;
            transition.durationMs = page.filterTimed ? page.filter->durationMs
                                    : styleMs > 0    ? styleMs
                                                     : MediumTransitionMs;
        }
        if (transition.type.isEmpty()) transition = SlideTransitionFact();
        facts.slides << SlideFact{style.hidden, style.advanceMs, notesText(page.paragraphs),
                                  page.title,   transition,      page.language,
                                  sounds,       transitionSound};
    }
    return facts;
}
