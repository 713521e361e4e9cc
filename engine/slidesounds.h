#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "audio/slideaudio.h"
#include "engine/deckpackage.h"
#include "engine/slidefacts.h"

class Speaker;

// Which sounds a video's slides get.
struct SoundChoice {
    bool deckSounds = false;     // the deck's own media and transition sounds
    Speaker* speaker = nullptr;  // speaks the notes when set
    bool anyFolder = false;      // a linked sound may lie outside the deck's folder
    bool any() const { return deckSounds || speaker; }
};

// The sound of each slide in `slides` (as many, in order; `numbers` their
// 1-based places in the presentation) from the copy `package` the engine
// saved at `packagePath` of the presentation at `deckPath`. What cannot be
// heard is left out with one line in `notes`; media files are extracted
// into `folder` for decoding and removed again.
QList<SlideAudio> LoadSlideAudio(const DeckPackage& package, const QString& packagePath,
                                 const QString& deckPath, const QList<SlideFact>& slides,
                                 const QList<int>& numbers, const SoundChoice& choice,
                                 const QString& folder, QStringList& notes);

// The file a linked sound `href` names, written in the copy at `packagePath`,
// when it is a local file inside the folder of the deck at `deckPath` (with
// `anyFolder`, anywhere); else empty, with why in `reason`.
QString LinkedSoundPath(const QString& href, const QString& packagePath, const QString& deckPath,
                        bool anyFolder, QString& reason);
