#include "engine/slidesounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "audio/audiodecoder.h"
#include "audio/speaker.h"
#include "video/videosettings.h"

namespace {
void addNote(QStringList& notes, const QString& note) {
    if (!note.isEmpty() && !notes.contains(note)) notes << note;
}

// The deck's sound `href` on slide `number`, decoded, or null with a line in `notes`.
SharedPcm loadSound(const DeckPackage& package, const QString& packagePath, const QString& deckPath,
                    bool anyFolder, const QString& href, int number, const QString& folder,
                    int index, QStringList& notes) {
    QString reason;
    QString file;
    bool extracted = false;
    if (package.holds(href)) {
        file = folder + QStringLiteral("/sound-%1-%2.%3")
                            .arg(number)
                            .arg(index)
                            .arg(QFileInfo(href).suffix().left(8));
        reason = package.extract(href, file);
        extracted = true;
    } else {
        file = LinkedSoundPath(href, packagePath, deckPath, anyFolder, reason);
    }
    DecodedAudio decoded;
    if (reason.isEmpty()) decoded = DecodeAudioFile(file, LongestSlideMilliseconds);
    if (extracted) QFile::remove(file);
    if (reason.isEmpty() && !decoded.ok())
        reason = QStringLiteral("it cannot be decoded (%1)").arg(decoded.error);
    if (!reason.isEmpty()) {
        addNote(notes, QStringLiteral("The sound \"%1\" of slide %2 is left out: %3")
                           .arg(href)
                           .arg(number)
                           .arg(reason));
        return nullptr;
    }
    if (decoded.pcm.frames() == 0) return nullptr;  // a video without sound
    return std::make_shared<const Pcm>(std::move(decoded.pcm));
}
}  // namespace

QString LinkedSoundPath(const QString& href, const QString& packagePath, const QString& deckPath,
                        bool anyFolder, QString& reason) {
    const QUrl url(href);
    QString path;
    if (url.isLocalFile())
        path = url.toLocalFile();
    else if (!url.scheme().isEmpty() && url.scheme().size() > 1)
        reason = QStringLiteral("it is not a local file, and nothing is fetched from a network");
    else
        // A package's relative links start from the package itself, as if it were a folder.
        path = QDir::cleanPath(packagePath + QLatin1Char('/') +
                               QUrl::fromPercentEncoding(href.toUtf8()));
    if (!reason.isEmpty()) return {};
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString deckFolder = QFileInfo(QFileInfo(deckPath).absolutePath()).canonicalFilePath();
    if (real.isEmpty()) {
        reason = QStringLiteral("the linked file %1 does not exist").arg(path);
        return {};
    }
    if (!anyFolder && (deckFolder.isEmpty() || !real.startsWith(deckFolder + QLatin1Char('/')))) {
        reason =
            QStringLiteral("the linked file %1 lies outside the presentation's folder").arg(path);
        return {};
    }
    return real;
}

QList<SlideAudio> LoadSlideAudio(const DeckPackage& package, const QString& packagePath,
                                 const QString& deckPath, const QList<SlideFact>& slides,
                                 const QList<int>& numbers, const SoundChoice& choice,
                                 const QString& folder, QStringList& notes) {
    QList<SlideAudio> audio;
    for (qsizetype i = 0; i < slides.size(); ++i) {
        const SlideFact& slide = slides[i];
        const int number = i < numbers.size() ? numbers[i] : int(i + 1);
        SlideAudio heard;
        if (choice.deckSounds) {
            const auto load = [&](const QString& href, int index) {
                return loadSound(package, packagePath, deckPath, choice.anyFolder, href, number,
                                 folder, index, notes);
            };
            for (qsizetype k = 0; k < slide.sounds.size(); ++k)
                if (SharedPcm sound = load(slide.sounds[k], int(k))) heard.sounds << sound;
            if (!slide.transitionSound.isEmpty())
                heard.transitionSound = load(slide.transitionSound, int(slide.sounds.size()));
        }
        if (choice.speaker && !slide.notes.trimmed().isEmpty()) {
            Speech speech =
                choice.speaker->speak(slide.notes.split(QLatin1Char('\n')), slide.language);
            addNote(notes, speech.note);
            if (!speech.ok())
                addNote(notes, QStringLiteral("The notes of slide %1 are not spoken: %2")
                                   .arg(number)
                                   .arg(speech.error));
            else if (speech.pcm.frames() > 0) {
                heard.narration = std::make_shared<const Pcm>(std::move(speech.pcm));
                heard.spoken = speech.paragraphs;
            }
        }
        audio << heard;
    }
    return audio;
}
