#pragma once

#include <cstdint>
#include <string>

class QImage;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// Encodes frames of one size as H.264 (libx264 when FFmpeg has it) into an MP4 file, one frame
// per 1/fps seconds.
class VideoEncoder {
public:
    VideoEncoder() = default;
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // False with error set. The file is MP4 whatever its name ends with.
    bool open(const std::string& path, int width, int height, int fps, std::string& error);
    // frame has the opened size; any QImage format.
    bool addFrame(const QImage& frame, std::string& error);
    // Drains the encoder and completes the file.
    bool finish(std::string& error);

private:
    bool send(AVFrame* frame, std::string& error);

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* picture = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t nextPts = 0;
};
