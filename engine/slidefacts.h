#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The transition that brings a slide in, as the document names it.
struct SlideTransitionFact {
    QString type;     // smil:type; empty: the slide appears at once
    QString subtype;  // smil:subtype
    bool reverse = false;
    QString fadeColor;  // "#rrggbb", for fades over a colour
    qint64 durationMs = 0;

    bool operator==(const SlideTransitionFact&) const = default;
};

// What the author set on one slide, as LibreOffice read the presentation.
struct SlideFact {
    bool hidden = false;
    // The automatic advance time; none when the slide waits for a click.
    std::optional<qint64> advanceMs;
    // The speaker's notes, one line a paragraph; empty when there are none.
    QString notes;
    // The text of its title placeholder, on one line; empty when it has none.
    QString title;
    SlideTransitionFact transition;
    // The notes' language as the deck tags it ("en-US", "de"); empty when untagged.
    QString language = {};
    // The sounds the slide plays from its start (its media), as the document
    // names them: a place in its package, or a link.
    QStringList sounds = {};
    // The sound its transition plays from the transition's start; empty when none.
    QString transitionSound = {};

    bool operator==(const SlideFact&) const = default;
};

// The slides of an ODP document's content (flat, or the package's content.xml)
// in order, or why it cannot be read.
struct SlideFacts {
    QList<SlideFact> slides;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

SlideFacts ParseSlideFacts(const QByteArray& flatDocument);

// An ISO 8601 duration as ODF writes it ("PT5S", "PT00H01M02.5S", "P1DT2H"),
// in milliseconds rounded to the nearest; none when malformed or past a day.
std::optional<qint64> ParseOdfDuration(const QString& text);

// A SMIL clock value ("2s", "500ms", "1.5min", "00:00:02.5", "2.5"), in
// milliseconds rounded to the nearest; none when malformed, "indefinite" or past a day.
std::optional<qint64> ParseSmilDuration(const QString& text);
