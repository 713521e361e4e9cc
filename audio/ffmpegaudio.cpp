#include "audio/ffmpegaudio.h"

#include "audio/pcm.h"

QString AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

SwrContextPtr MakeResampler(const AVChannelLayout& layout, AVSampleFormat format, int rate) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout from{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&layout) == 0)
        av_channel_layout_default(&from, layout.nb_channels > 0 ? layout.nb_channels : 1);
    else if (av_channel_layout_copy(&from, &layout) < 0)
        return nullptr;
    SwrContext* made = nullptr;
    const int error = swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_FLT, PcmRate, &from, format,
                                          rate, 0, nullptr);
    const bool mono = from.nb_channels == 1;
    av_channel_layout_uninit(&from);
    SwrContextPtr context(made);
    if (error < 0 || !context) return nullptr;
    // A mono recording plays at its own level on both sides, not 3 dB below it.
    const double bothSides[] = {1.0, 1.0};
    if (mono && swr_set_matrix(context.get(), bothSides, 1) < 0) return nullptr;
    if (swr_init(context.get()) < 0) return nullptr;
    return context;
}
