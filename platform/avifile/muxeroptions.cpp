#include "platform/avifile/muxeroptions.h"

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavutil/dict.h>
#include <libavutil/macros.h>
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

void SetMuxerOptions(VideoContainer container, bool bottomUpRows, AVCodecParameters* parameters,
                     AVDictionary** options) {
    switch (container) {
        case VideoContainer::Avi:
            av_dict_set(options, "flipped_raw_rgb", bottomUpRows ? "1" : "0", 0);
            break;
        case VideoContainer::Mp4:
            av_dict_set(options, "movflags", "+faststart", 0);
            if (parameters->codec_id == AV_CODEC_ID_HEVC)
                parameters->codec_tag = MKTAG('h', 'v', 'c', '1');
            break;
        case VideoContainer::Matroska:
            // Stored as Video for Windows does, which is how Matroska holds them.
            av_dict_set(options, "allow_raw_vfw", "1", 0);
            av_dict_set(options, "cues_to_front", "1", 0);
            break;
    }
}
