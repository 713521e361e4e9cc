#include "audio/audiomix.h"

#include <algorithm>

void AudioMix::add(qint64 start, qint64 end, SharedPcm pcm) {
    if (!pcm || start < 0) return;
    end = std::min({end, length_, start + pcm->frames()});
    if (end <= start) return;
    clips_ << Clip{start, end, std::move(pcm)};
    heard_ << std::pair{start, end};
    std::sort(heard_.begin(), heard_.end());
    QList<std::pair<qint64, qint64>> merged;
    for (const auto& span : heard_) {
        if (!merged.isEmpty() && span.first <= merged.last().second)
            merged.last().second = std::max(merged.last().second, span.second);
        else
            merged << span;
    }
    heard_ = merged;
}

void AudioMix::setMusic(SharedPcm music) {
    music_ = music && music->frames() > 0 ? std::move(music) : nullptr;
}

float AudioMix::duck(qint64 frame, qsizetype& from) const {
    while (from < heard_.size() && heard_[from].second + DuckFrames <= frame) ++from;
    float most = 0;
    for (qsizetype i = from; i < heard_.size() && heard_[i].first - DuckFrames < frame; ++i) {
        const auto [start, end] = heard_[i];
        const qint64 distance = frame < start ? start - frame : frame >= end ? frame - end + 1 : 0;
        most = std::max(most, 1.0f - float(distance) / float(DuckFrames));
    }
    return most;
}

float AudioMix::fade(qint64 frame) const {
    const qint64 fadeFrames = std::min(LongestFadeFrames, length_ / 2);
    const qint64 left = length_ - frame;
    return left >= fadeFrames || fadeFrames == 0 ? 1.0f : float(left) / float(fadeFrames);
}

void AudioMix::render(qint64 first, std::span<float> out) const {
    std::fill(out.begin(), out.end(), 0.0f);
    const qint64 count = qint64(out.size()) / PcmChannels;
    const qint64 last = first + count;  // exclusive
    for (const Clip& clip : clips_) {
        const qint64 from = std::max(first, clip.start);
        const qint64 to = std::min(last, clip.end);
        for (qint64 frame = from; frame < to; ++frame)
            for (int channel = 0; channel < PcmChannels; ++channel)
                out[size_t((frame - first) * PcmChannels + channel)] +=
                    clip.pcm->samples[size_t((frame - clip.start) * PcmChannels + channel)];
    }
    if (music_) {
        const qint64 musicFrames = music_->frames();
        qsizetype from = 0;
        for (qint64 frame = std::max<qint64>(first, 0); frame < std::min(last, length_); ++frame) {
            const float gain =
                MusicLevel * (1.0f - (1.0f - DuckedShare) * duck(frame, from)) * fade(frame);
            const qint64 at = frame % musicFrames;
            for (int channel = 0; channel < PcmChannels; ++channel)
                out[size_t((frame - first) * PcmChannels + channel)] +=
                    gain * music_->samples[size_t(at * PcmChannels + channel)];
        }
    }
    for (float& sample : out) sample = std::clamp(sample, -1.0f, 1.0f);
}
