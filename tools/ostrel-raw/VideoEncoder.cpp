#include "VideoEncoder.h"

#include <QImage>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

const AVCodec* h264Encoder() {
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    return encoder != nullptr ? encoder : avcodec_find_encoder(AV_CODEC_ID_H264);
}

}  // namespace

VideoEncoder::~VideoEncoder() {
    sws_freeContext(scaler);
    av_frame_free(&picture);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    if (format != nullptr) {
        if (format->pb != nullptr) {
            avio_closep(&format->pb);
        }
        avformat_free_context(format);
    }
}

bool VideoEncoder::open(const std::string& path, int width, int height, int fps,
                        std::string& error) {
    // The encoder's statistics are not for the tool's user; its errors are.
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* encoder = h264Encoder();
    if (encoder == nullptr) {
        error = "this FFmpeg has no H.264 encoder";
        return false;
    }
    if (avformat_alloc_output_context2(&format, nullptr, "mp4", path.c_str()) < 0) {
        error = "this FFmpeg cannot write MP4";
        return false;
    }
    stream = avformat_new_stream(format, nullptr);
    codec = avcodec_alloc_context3(encoder);
    picture = av_frame_alloc();
    packet = av_packet_alloc();
    if (stream == nullptr || codec == nullptr || picture == nullptr || packet == nullptr) {
        error = "out of memory";
        return false;
    }
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, fps};
    codec->framerate = AVRational{fps, 1};
    codec->gop_size = fps;
    codec->thread_count = 0;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    // Single pixels are most of an event frame: a low constant rate factor keeps them visible.
    av_opt_set(codec->priv_data, "preset", "veryfast", 0);
    av_opt_set(codec->priv_data, "crf", "18", 0);
    int code = avcodec_open2(codec, encoder, nullptr);
    if (code >= 0) {
        code = avcodec_parameters_from_context(stream->codecpar, codec);
    }
    stream->time_base = codec->time_base;
    picture->format = codec->pix_fmt;
    picture->width = width;
    picture->height = height;
    if (code >= 0) {
        code = av_frame_get_buffer(picture, 0);
    }
    if (code >= 0) {
        code = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
    }
    if (code >= 0) {
        code = avformat_write_header(format, nullptr);
    }
    if (code < 0) {
        error = path + ": " + describe(code);
        return false;
    }
    return true;
}

bool VideoEncoder::addFrame(const QImage& frame, std::string& error) {
    // swscale's vector code reads a little past the last pixel it converts: a spare row below the
    // picture keeps that read inside the buffer.
    const QImage converted = frame.convertToFormat(QImage::Format_RGB888);
    QImage rgb(converted.width(), converted.height() + 1, QImage::Format_RGB888);
    std::memcpy(rgb.bits(), converted.constBits(),
                static_cast<std::size_t>(converted.sizeInBytes()));
    scaler = sws_getCachedContext(scaler, converted.width(), converted.height(), AV_PIX_FMT_RGB24,
                                  codec->width, codec->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC,
                                  nullptr, nullptr, nullptr);
    const int code = av_frame_make_writable(picture);
    if (scaler == nullptr || code < 0) {
        error = "cannot convert frames: " + describe(code);
        return false;
    }
    const uint8_t* source[1] = {rgb.constBits()};
    const int stride[1] = {static_cast<int>(rgb.bytesPerLine())};
    sws_scale(scaler, source, stride, 0, converted.height(), picture->data, picture->linesize);
    picture->pts = nextPts++;
    return send(picture, error);
}

bool VideoEncoder::finish(std::string& error) {
    if (!send(nullptr, error)) {
        return false;
    }
    const int code = av_write_trailer(format);
    if (code < 0) {
        error = "cannot complete the video: " + describe(code);
        return false;
    }
    return avio_closep(&format->pb) >= 0;
}

// A null frame drains the encoder.
bool VideoEncoder::send(AVFrame* frame, std::string& error) {
    int code = avcodec_send_frame(codec, frame);
    while (code >= 0) {
        code = avcodec_receive_packet(codec, packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            return true;
        }
        if (code >= 0) {
            // Without a duration the last frame gets none and players cut it off.
            packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            code = av_interleaved_write_frame(format, packet);
        }
    }
    error = "cannot encode the video: " + describe(code);
    return false;
}
