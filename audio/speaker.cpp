#include "audio/speaker.h"

#include <espeak-ng/speak_lib.h>

#include <vector>

#include "audio/ffmpegaudio.h"

namespace {
// eSpeak hands its samples to one callback for the whole process; each
// synthesis names its own buffer through the user data.
int collect(short* samples, int count, espeak_EVENT* events) {
    if (samples && count > 0 && events && events->user_data)
        static_cast<std::vector<short>*>(events->user_data)
            ->insert(static_cast<std::vector<short>*>(events->user_data)->end(), samples,
                     samples + count);
    return 0;
}

const char* const DefaultVoice = "en";

bool hasVoiceFor(const QByteArray& language) {
    espeak_VOICE wanted{};
    wanted.languages = language.constData();
    const espeak_VOICE** voices = espeak_ListVoices(&wanted);
    return voices && voices[0];
}

// eSpeak's samples (16-bit mono at its own rate) appended to `pcm` at 48 kHz stereo.
bool appendResampled(const std::vector<short>& samples, int rate, Pcm& pcm) {
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContextPtr resampler = MakeResampler(mono, AV_SAMPLE_FMT_S16, rate);
    if (!resampler) return false;
    const auto* in = reinterpret_cast<const uint8_t*>(samples.data());
    for (bool flushing : {false, true}) {
        const int count = flushing ? 0 : int(samples.size());
        const int room = swr_get_out_samples(resampler.get(), count);
        if (room < 0) return false;
        const size_t before = pcm.samples.size();
        pcm.samples.resize(before + size_t(room) * PcmChannels);
        auto* out = reinterpret_cast<uint8_t*>(pcm.samples.data() + before);
        const int made = swr_convert(resampler.get(), &out, room, flushing ? nullptr : &in, count);
        if (made < 0) return false;
        pcm.samples.resize(before + size_t(made) * PcmChannels);
    }
    return true;
}

// eSpeak NG's state is the process's own, and its espeak_Terminate waits
// forever on its own thread once it has been started twice: it starts once.
int startedSampleRate() {
    static const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    return rate;
}
}  // namespace

Speaker::Speaker(const SpeechOptions& options) : options_(options) {
    sampleRate_ = startedSampleRate();
    if (sampleRate_ <= 0) {
        error_ =
            QStringLiteral("eSpeak NG cannot start (are its voices, espeak-ng-data, installed?)");
        return;
    }
    started_ = true;
    espeak_SetSynthCallback(collect);
    if (options_.wordsPerMinute > 0) espeak_SetParameter(espeakRATE, options_.wordsPerMinute, 0);
}

Speaker::~Speaker() = default;

bool Speaker::selectVoice(const QString& language, QString& note) {
    if (!options_.voice.isEmpty()) {
        if (espeak_SetVoiceByName(options_.voice.toUtf8().constData()) == EE_OK) return true;
        note = QStringLiteral("eSpeak NG has no voice \"%1\": the default voice speaks the notes")
                   .arg(options_.voice);
    } else if (!language.isEmpty()) {
        const QByteArray tag = language.toLower().toUtf8();
        const QByteArray base = tag.left(tag.indexOf('-') < 0 ? tag.size() : tag.indexOf('-'));
        for (const QByteArray& wanted : {tag, base}) {
            if (!hasVoiceFor(wanted)) continue;
            espeak_VOICE voice{};
            voice.languages = wanted.constData();
            if (espeak_SetVoiceByProperties(&voice) == EE_OK) return true;
        }
        note =
            QStringLiteral(
                "eSpeak NG has no voice for the language \"%1\": the default voice speaks the notes")
                .arg(language);
    }
    return espeak_SetVoiceByName(DefaultVoice) == EE_OK;
}

Speech Speaker::speak(const QStringList& paragraphs, const QString& language) {
    Speech speech;
    if (!started_) {
        speech.error = error_;
        return speech;
    }
    if (!selectVoice(language, speech.note)) {
        speech.error = QStringLiteral("eSpeak NG has no default voice");
        return speech;
    }
    if (options_.wordsPerMinute > 0) espeak_SetParameter(espeakRATE, options_.wordsPerMinute, 0);
    for (const QString& paragraph : paragraphs) {
        SpokenSpan span;
        span.startMs = speech.pcm.milliseconds();
        const QByteArray text = paragraph.trimmed().toUtf8();
        if (!text.isEmpty()) {
            std::vector<short> samples;
            const espeak_ERROR said =
                espeak_Synth(text.constData(), size_t(text.size()) + 1, 0, POS_CHARACTER, 0,
                             espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, &samples);
            if (said != EE_OK || !appendResampled(samples, sampleRate_, speech.pcm)) {
                speech.error = QStringLiteral("eSpeak NG could not speak the notes");
                return speech;
            }
        }
        span.endMs = speech.pcm.milliseconds();
        speech.paragraphs << span;
    }
    return speech;
}
