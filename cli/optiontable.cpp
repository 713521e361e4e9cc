#include "cli/optiontable.h"

#include <QCommandLineParser>
#include <QStringList>

#include "cli/wraptext.h"
#include "joblist/droppedfiles.h"

namespace {
constexpr int HelpWidth = 80;
constexpr int HelpColumn = 26;  // where the help of each option starts

using enum OptionRun;

// Help lists the options in this order.
constexpr ConvertOption options[] = {
    {"combine", 0, nullptr, "One video for all presentations, named after the first.",
     Presentations},
    {"separate", 0, nullptr, "One video for each presentation, named after it.", Presentations},
    {"output-dir", 'o', "DIR", "Write the videos into DIR.", Presentations},
    {"beside", 0, nullptr, "Write each video beside its presentation.", Presentations},
    {"samples", 0, nullptr,
     "Convert the shipped sample presentations into the current folder (or --output-dir).",
     Presentations},
    {"frames", 0, "DIR",
     "Folder of Slide1.bmp, Slide2.bmp, ... to write as frames (nothing in it is changed).",
     Frames},
    {"fps", 0, "N",
     "Frames per second, 1 to 30 (other values up to 32767 are brought into that range; "
     "fractions round to even).",
     Any},
    {"seconds-per-slide", 0, "S",
     "Instead of --fps: each slide one frame lasting S seconds, 0.1 to 3600 with at most three "
     "decimals (2.5: two slides in five seconds).",
     Any},
    {"height", 0, "N",
     "Paint the slides N pixels high (even, 240 to 4320; 1080: 1440 x 1080 for 4:3, 1920 x 1080 "
     "for 16:9) instead of 96 pixels per inch of the slide.",
     Presentations},
    {"use-timings", 0, nullptr,
     "Each slide lasts its automatic advance time (\"advance after\") where the presentation "
     "sets one; the others last --seconds-per-slide, or one frame at --fps.",
     Presentations},
    {"skip-hidden", 0, nullptr, "Leave hidden slides out (else every slide is a frame).",
     Presentations},
    {"subtitles", 0, nullptr,
     "Write the speaker notes as subtitles: an .srt beside each video, with the video's name, "
     "one cue a slide that has notes.",
     Presentations},
    {"sound", 0, nullptr,
     "Give the video the deck's own sounds: a slide's sound or video sound and its "
     "transition's sound, from the slide's start; a slide lasts at least its sound (with "
     "--use-timings a timed slide keeps its time and cuts the sound).",
     Presentations},
    {"narrate", 0, nullptr,
     "Speak each slide's speaker notes with eSpeak NG, in the notes' language; a slide lasts "
     "at least its narration and a short pause.",
     Presentations},
    {"voice", 0, "NAME",
     "The eSpeak NG voice that speaks the notes (as espeak-ng --voices names it).", Presentations},
    {"speech-rate", 0, "WPM",
     "How fast the notes are spoken, 80 to 450 words a minute (default 175).", Presentations},
    {"music", 0, "FILE",
     "Play FILE (any sound file FFmpeg reads) under the whole video: looped or cut to its "
     "length, faded out at the end, lowered while a slide's sound or narration plays.",
     Presentations},
    {"transitions", 0, nullptr,
     "Play each slide's own transition before it, adding its time (MP4 and Matroska: 30 "
     "pictures a second; AVI: at the frame rate, a transition shorter than a frame left out). "
     "Drawn as they are: fade and dissolve (cross-fade), fade through black or white, push, "
     "cover, uncover and wipe from each side, split, zoom. Drawn as the nearest: random kinds "
     "and LibreOffice's shape and 3D kinds as a cross-fade; comb as a push; bars, blinds, "
     "checkerboard, snake, spiral, diagonal, clock, fan, sweep and zig-zag wipes as a wipe; "
     "barn door, vee, bow tie, box, iris, circle, oval, eye, star and other shapes as a split.",
     Presentations},
    {"chapters", 0, nullptr,
     "Mark each slide as a chapter named by its title (else \"Slide N\"), from where its "
     "transition starts; a combined video has one chapter a presentation holding its slides'. "
     "MP4 and Matroska only: AVI carries no chapters.",
     Presentations},
    {"chapter-list", 0, nullptr,
     "With --chapters: also write NAME.chapters.txt beside each video, \"00:00 Title\" a line.",
     Presentations},
    {"allow-links", 0, nullptr,
     "Let each presentation's linked pictures, media and objects come from any local file, not "
     "only its own folder (for your own presentations; network addresses are never fetched).",
     Presentations},
    {"jobs", 'j', "N",
     "Presentations opened and exported at once, 1 to 64 (default: one for each core, and one "
     "more).",
     Presentations},
    {"output", 0, "FILE.avi",
     "The video to write (.mp4 makes an MP4, .mkv a Matroska file, any other name an AVI); an "
     "earlier file of that name is replaced only when the new one is complete.",
     Frames},
    {"container", 0, "avi|mp4|mkv",
     "The kind of video presentations become (default: the window's choice, else avi); videos "
     "get its extension.",
     Presentations},
    {"codec", 0, "NAME",
     "Compressor, as --list-codecs names it or by encoder name (default: the window's choice; "
     "else uncompressed in AVI and Matroska, H.264 in MP4).",
     Any},
    {"quality", 0, "Q", "Compression quality 1 to 100 (0: the compressor's default).", Any},
    {"keyframe", 0, "N", "A key frame every N frames (default 1: every frame).", Any},
    {"kbps", 0, "N", "Data rate limit in kilobits per second (0: none).", Any},
    {"verbose", 0, nullptr,
     "Print every failure in the window's full report format as it happens, besides the one "
     "line for each failed presentation, and FFmpeg's own errors and warnings.",
     Any},
    {"quiet", 'q', nullptr, "Print errors only: no \"Written:\" lines, notes or progress line.",
     Any},
    {"report", 0, "FILE.json",
     "Write the run as JSON: each presentation's outcome, videos, reasons, slides and seconds, "
     "and the totals. With - the JSON goes to stdout and the \"Written:\" lines to stderr.",
     Presentations},
    {"replace", 'y', nullptr,
     "Replace an earlier video of the same name, once the new one is complete (the default).",
     Presentations},
    {"no-replace", 'n', nullptr,
     "Never replace an earlier video: its presentation is skipped and reported as not "
     "converted (exit status 0).",
     Presentations},
    {"no-settings", 0, nullptr,
     "Ignore the settings the window stored: what no option gives is the program's own "
     "default (combine into the desktop folder, 1 frame a second, AVI, uncompressed).",
     Presentations},
    {"list-codecs", 0, nullptr,
     "Print the compressors on offer, one a line (for --container, default avi).", Query},
    {"help", 'h', nullptr, "Print this help.", Query},
    {"version", 0, nullptr,
     "Print the version and those of the FFmpeg libraries and LibreOffice, and which protections confine the presentation engine.",
     Query},
};

const char* const synopsis[] = {
    "quillmoor-convert [OPTION]... PATH...",
    "quillmoor-convert --samples [OPTION]...",
    "quillmoor-convert --frames DIR (--fps N | --seconds-per-slide S) --output FILE.avi "
    "[--codec NAME] [--quality Q] [--keyframe N] [--kbps N]",
    "quillmoor-convert --list-codecs [--container avi|mp4|mkv] | --version | --help",
};

const char* const description =
    "Turns presentations into videos, without a window. A PATH that is a folder adds the "
    "presentations in its tree, by their extension:";

const char* const settings =
    "Options not given are taken from the settings the window stored (each one that changes "
    "a default is named on stderr), unless --no-settings; no dialog is ever shown.";

const struct {
    const char* status;
    const char* meaning;
} exitStatuses[] = {
    {"0", "Every presentation became its video."},
    {"1",
     "A presentation failed, a video lacks frames, the report could not be written, or the "
     "run was ended early."},
    {"2", "The command line or the stored settings cannot be used; nothing was converted."},
    {"128+N", "Ended by signal N (SIGINT, SIGTERM or SIGHUP); the video in hand is removed."},
};

// A left column and its text, the text wrapped beside it (or below, when the
// left column is too wide).
QString entry(const QString& left, const QString& text, int column) {
    if (left.size() + 1 >= column)
        return left + QLatin1Char('\n') + WrapText(text, HelpWidth, column, column);
    return left + WrapText(text, HelpWidth, column, column).mid(left.size());
}
}  // namespace

std::span<const ConvertOption> ConvertOptionTable() {
    return options;
}

void AddConvertOptions(QCommandLineParser& parser) {
    for (const ConvertOption& option : options) {
        QStringList names{QLatin1String(option.name)};
        if (option.shortName != 0) names.prepend(QString(QLatin1Char(option.shortName)));
        QCommandLineOption added(names, QString::fromUtf8(option.help));
        if (option.valueName != nullptr) added.setValueName(QLatin1String(option.valueName));
        parser.addOption(added);
    }
}

QString OptionNames(const ConvertOption& option) {
    const QString name = QStringLiteral("--") + QLatin1String(option.name);
    return option.shortName == 0
               ? name
               : QStringLiteral("-%1, %2").arg(QLatin1Char(option.shortName)).arg(name);
}

QString ConvertUsage() {
    QString text;
    // Each form wrapped with its words under the first word after the program's name.
    for (const char* form : synopsis) {
        const QString lead = text.isEmpty() ? QStringLiteral("Usage: ") : QStringLiteral("  or:  ");
        text += lead + WrapText(QString::fromUtf8(form), HelpWidth,
                                int(lead.size() + qstrlen("quillmoor-convert ")), int(lead.size()))
                           .mid(lead.size());
    }
    const QString extensions =
        PresentationExtensions().join(QStringLiteral(", ")) + QLatin1Char('.');
    text +=
        QLatin1Char('\n') +
        WrapText(QString::fromUtf8(description) + QLatin1Char(' ') + extensions, HelpWidth, 0, 0) +
        WrapText(QString::fromUtf8(settings), HelpWidth, 0, 0);
    text += QStringLiteral("\nOptions:\n");
    for (const ConvertOption& option : options) {
        QString left = QStringLiteral("  ") +
                       (option.shortName == 0 ? QStringLiteral("    ") : QString()) +
                       OptionNames(option);
        if (option.valueName != nullptr) left += QLatin1Char(' ') + QLatin1String(option.valueName);
        text += entry(left, QString::fromUtf8(option.help), HelpColumn);
    }
    text += QStringLiteral("\nExit status:\n");
    for (const auto& status : exitStatuses)
        text += entry(QStringLiteral("  ") + QLatin1String(status.status),
                      QString::fromUtf8(status.meaning), 10);
    return text;
}
