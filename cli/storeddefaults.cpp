#include "cli/storeddefaults.h"

#include <cstdio>

#include "app/videosettingsstore.h"
#include "util/failure.h"
#include "util/paths.h"
#include "util/settingsstore.h"
#include "video/codeclist.h"
#include "video/compressoptions.h"

namespace {
// The option buttons as the window restores them; a stored word that is no
// truth value is named, and its button keeps its first-run value.
OptionButtons storedOptions() {
    return RestoreOptionButtons([](int number, const std::function<void()>& assign) {
        try {
            assign();
        } catch (...) {
            std::fprintf(stderr,
                         "quillmoor-convert: the stored setting Option%d cannot be read (%s)\n",
                         number, describeCurrentException().toLocal8Bit().constData());
        }
    });
}

QString modeName(const OptionButtons& options) {
    return options[0] && !options[1]   ? QStringLiteral("combine")
           : options[1] && !options[0] ? QStringLiteral("separate")
                                       : QStringLiteral("neither mode");
}

QString destinationName(const OptionButtons& options) {
    return options[2] && !options[3]   ? QStringLiteral("a folder")
           : options[3] && !options[2] ? QStringLiteral("beside each presentation")
                                       : QStringLiteral("no save location");
}
}  // namespace

RunDefaults LoadRunDefaults(const ConvertRequest& request) {
    using Mode = ConvertRequest::Mode;
    using Destination = ConvertRequest::Destination;
    RunDefaults defaults;
    defaults.outputFolder = GetDesktopFolder();
    defaults.frameRate = QStringLiteral("1");
    const VideoContainer container = request.container.value_or(VideoContainer::Avi);
    if (const CodecEntry* codec = FindCodec(QString(), container))
        defaults.compression.codec = QLatin1String(codec->name);
    defaults.compression.container = container;
    if (request.noSettings) return defaults;

    RunDefaults stored = defaults;
    stored.options = storedOptions();
    stored.outputFolder = GetQuillmoorSetting(QStringLiteral("Text2"), defaults.outputFolder);
    stored.frameRate = GetQuillmoorSetting(QStringLiteral("Delay"), defaults.frameRate);
    stored.video = LoadVideoSettings();
    stored.video.slides = {};  // the command line takes these from its flags only
    stored.video.sound = {};
    stored.compression = LoadCompressOptions(request.container.value_or(stored.video.container));

    // Only what the run uses is named: a setting an option overrides changes nothing.
    QStringList& changed = stored.changed;
    const OptionButtons& options = stored.options;
    if (request.mode == Mode::Stored && (options[0] != true || options[1] != false))
        changed << QStringLiteral("mode ") + modeName(options);
    const bool toStoredFolder = request.destination == Destination::Stored && options[2];
    if (request.destination == Destination::Stored && (options[2] != true || options[3] != false))
        changed << QStringLiteral("save location ") + destinationName(options);
    if (toStoredFolder && stored.outputFolder != defaults.outputFolder)
        changed << QStringLiteral("output folder ") + stored.outputFolder;
    const bool timed = request.slideMilliseconds > 0 || !request.frameRateText.isEmpty();
    if (!timed && stored.video.slideMilliseconds > 0)
        changed
            << QStringLiteral("seconds per slide %1").arg(stored.video.slideMilliseconds / 1000.0);
    else if (!timed && stored.frameRate != defaults.frameRate)
        changed << QStringLiteral("frame rate ") + stored.frameRate;
    if (!request.container && stored.video.container != VideoContainer::Avi)
        changed << QStringLiteral("file type ") + ContainerKey(stored.video.container);
    if (request.slideHeight == 0 && stored.video.slideHeight > 0)
        changed << QStringLiteral("video height %1").arg(stored.video.slideHeight);
    const CodecEntry* fallback = FindCodec(QString(), stored.compression.container);
    if (!request.codecGiven && fallback != nullptr && !stored.compression.codec.isEmpty() &&
        stored.compression.codec != QLatin1String(fallback->name))
        changed << QStringLiteral("compressor ") + stored.compression.codec;
    return stored;
}
