#include "platform/avifile/avifile.h"

#include <cstring>

#include "platform/avifile/avimuxer.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {
int initCount = 0;
}

quint32 mmioStringToFOURCC(const char* text, unsigned) {
    quint32 code = 0;
    for (int i = 0; i < 4 && text != nullptr && text[i] != '\0'; ++i)
        code |= quint32(static_cast<unsigned char>(text[i])) << (8 * i);
    for (int i = text == nullptr ? 0 : int(std::strlen(text)); i < 4; ++i)
        code |= quint32(' ') << (8 * i);
    return code;
}

void SetRect(AviRect& rect, qint32 left, qint32 top, qint32 right, qint32 bottom) {
    rect = AviRect{left, top, right, bottom};
}

AviFile& AviFile::operator=(AviFile&& other) noexcept {
    if (this != &other) {
        if (muxer_) muxer_->discard();
        muxer_ = std::move(other.muxer_);
        reason_ = std::move(other.reason_);
    }
    return *this;
}

AviFile::~AviFile() {
    if (muxer_) muxer_->discard();
}

int AVIFileInit() {
    if (initCount++ == 0) av_log_set_level(AV_LOG_ERROR);
    return AVIERR_OK;
}

void AVIFileExit() {
    if (initCount > 0) --initCount;
}

int AVIFileOpen(AviFile& file, const QString& path, unsigned mode, const void*) {
    file = AviFile();
    if (initCount == 0) return CO_E_NOTINITIALIZED;
    if ((mode & (OF_WRITE | OF_CREATE)) != (OF_WRITE | OF_CREATE)) return AVIERR_UNSUPPORTED;
    return AviMuxer::open(path, file.muxer_, file.reason_);
}

int AVIFileCreateStream(AviFile& file, AviStream& stream, const AviStreamInfo& info) {
    stream = AviStream();
    if (!file) return AVIERR_BADPARAM;
    if (info.fccType != mmioStringToFOURCC("vids", 0)) return AVIERR_UNSUPPORTED;
    const int status = file.muxer_->addVideoStream(info.dwRate, info.dwScale);
    if (status != AVIERR_OK) return status;
    stream.muxer_ = file.muxer_;
    return AVIERR_OK;
}

int AVIMakeCompressedStream(AviStream& compressed, AviStream& source,
                            const CompressOptions& options, const void*) {
    compressed = AviStream();
    if (!source) return AVIERR_BADPARAM;
    compressed.muxer_ = source.muxer_;
    compressed.options_ = options;
    return AVIERR_OK;
}

int AVIStreamSetFormat(AviStream& stream, qint32 position, const void* format, qint32 formatSize) {
    if (!stream || position != 0) return AVIERR_BADPARAM;
    return stream.muxer_->setFormat(format, formatSize, stream.options_);
}

int AVIStreamWrite(AviStream& stream, qint32 start, qint32 samples, const void* buffer,
                   qint32 bufferSize, quint32 flags, qint32* samplesWritten, qint32* bytesWritten) {
    if (samplesWritten != nullptr) *samplesWritten = 0;
    if (bytesWritten != nullptr) *bytesWritten = 0;
    if (!stream) return AVIERR_BADPARAM;
    if (samples != 1) return stream.muxer_->fail(AVIERR_BADPARAM);
    const int status =
        stream.muxer_->write(start, buffer, bufferSize, (flags & AVIIF_KEYFRAME) != 0);
    if (status == AVIERR_OK) {
        if (samplesWritten != nullptr) *samplesWritten = 1;
        if (bytesWritten != nullptr) *bytesWritten = bufferSize;
    }
    return status;
}

int AVIStreamWriteHeld(AviStream& stream, qint32 start, qint32 positions, const void* buffer,
                       qint32 bufferSize, quint32 flags) {
    if (!stream) return AVIERR_BADPARAM;
    if (positions < 1) return stream.muxer_->fail(AVIERR_BADPARAM);
    return stream.muxer_->write(start, buffer, bufferSize, (flags & AVIIF_KEYFRAME) != 0,
                                positions);
}

int AVIFileSetTexts(AviFile& file, const QList<TimedText>& texts) {
    if (!file) return AVIERR_BADPARAM;
    return file.muxer_->setTexts(texts);
}

int AVIStreamRelease(AviStream& stream) {
    stream = AviStream();
    return AVIERR_OK;
}

int AVIFileRelease(AviFile& file) {
    if (!file) return AVIERR_OK;
    std::shared_ptr<AviMuxer> muxer = std::move(file.muxer_);
    const int status = muxer->finish();
    file.reason_ = muxer->reason();
    return status;
}

QString AVIFileErrorReason(const AviFile& file) {
    return file.muxer_ ? file.muxer_->reason() : file.reason_;
}
