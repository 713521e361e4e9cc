#include "video/muxeroptions.h"

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/macros.h>
#include <libavutil/mem.h>
}

const char* MuxerName(VideoContainer container) {
    switch (container) {
        case VideoContainer::Avi:
            break;
        case VideoContainer::Mp4:
            return "mp4";
        case VideoContainer::Matroska:
            return "matroska";
    }
    return "avi";
}

int SetMuxerOptions(VideoContainer container, bool bottomUpRows, AVCodecParameters* parameters,
                    AVDictionary** options) {
    switch (container) {
        case VideoContainer::Avi:
            return av_dict_set(options, "flipped_raw_rgb", bottomUpRows ? "1" : "0", 0);
        case VideoContainer::Mp4:
            if (parameters->codec_id == AV_CODEC_ID_HEVC)
                parameters->codec_tag = MKTAG('h', 'v', 'c', '1');
            return av_dict_set(options, "movflags", "+faststart", 0);
        case VideoContainer::Matroska: {
            // Stored as Video for Windows does, which is how Matroska holds them.
            const int set = av_dict_set(options, "allow_raw_vfw", "1", 0);
            return set < 0 ? set : av_dict_set(options, "cues_to_front", "1", 0);
        }
    }
    return 0;
}

int AddChapters(AVFormatContext* format, const QList<VideoChapter>& chapters) {
    const QList<VideoChapter> listed = InnermostChapters(chapters);
    for (const VideoChapter& chapter : listed) {
        auto* grown = static_cast<AVChapter**>(
            av_realloc_array(format->chapters, format->nb_chapters + 1, sizeof(AVChapter*)));
        if (grown == nullptr) return AVERROR(ENOMEM);
        format->chapters = grown;
        auto* added = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (added == nullptr) return AVERROR(ENOMEM);
        format->chapters[format->nb_chapters++] = added;
        added->id = format->nb_chapters;
        added->time_base = AVRational{1, 1000};
        added->start = chapter.startMs;
        added->end = chapter.endMs;
        const int set =
            av_dict_set(&added->metadata, "title", chapter.title.toUtf8().constData(), 0);
        if (set < 0) return set;
    }
    return 0;
}
