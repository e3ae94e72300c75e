// The media-reading adapter over FFmpeg: any format it reads, resampled to
// signed 16-bit little-endian stereo at 44100 Hz. Built as a module of its
// own, which the program loads at the first track it decodes (see
// FFmpegModule.cpp).
#include "airplay1/PcmReader.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cmath>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<int> readersOpen{0};

constexpr int kReadBufferBytes = 64 * 1024;

// A descriptor for `path` if it names a regular file, else -1. Pipes and
// devices are refused without waiting for them: opening a pipe nobody
// writes to would never return.
int openRegularFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EWOULDBLOCK) {
        // Someone holds a lease on the file (only regular files have them):
        // wait for its holder like any other reader.
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Copy-protected content shows up as encryption info on the stream.
bool isEncrypted(const AVStream* stream) {
    return av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, nullptr) ||
           av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INFO, nullptr);
}

class FFmpegPcmReader : public PcmReader {
public:
    ~FFmpegPcmReader() override { release(); }

    bool open(const QString& path, double startSeconds, const std::atomic<bool>* abort) {
        // The caller's flag only lives as long as the opening; FFmpeg keeps
        // asking through the reader itself, which outlives the file.
        openAbort_ = abort;
        const bool opened = openFile(path, startSeconds);
        openAbort_ = nullptr;
        return opened;
    }

    bool openFile(const QString& path, double startSeconds) {
        // FFmpeg reads the descriptor checked here, so the file it decodes
        // is the one that was found regular, whatever happens to the path.
        fd_ = openRegularFile(path);
        if (fd_ < 0) {
            return false;
        }
        auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBufferBytes));
        if (!buffer) {
            return false;
        }
        io_ = avio_alloc_context(buffer, kReadBufferBytes, 0, this, &FFmpegPcmReader::readInto,
                                 nullptr, &FFmpegPcmReader::seekTo);
        if (!io_) {
            av_free(buffer);
            return false;
        }
        format_ = avformat_alloc_context();
        if (!format_) {
            return false;
        }
        format_->pb = io_;
        format_->interrupt_callback = AVIOInterruptCB{&FFmpegPcmReader::interrupted, this};
        AVDictionary* options = nullptr;
        // A local file must not make FFmpeg reach out anywhere else.
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        // The name still helps FFmpeg guess the format from its extension.
        const QByteArray url = QFile::encodeName(path);
        const int opened = avformat_open_input(&format_, url.constData(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) {
            format_ = nullptr; // freed by avformat_open_input on failure
            return false;
        }
        ++readersOpen;
        counted_ = true;
        if (avformat_find_stream_info(format_, nullptr) < 0) {
            return false;
        }
        stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream_ < 0) {
            return false;
        }
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            if (isEncrypted(format_->streams[i])) {
                return false;
            }
            if (int(i) != stream_) {
                format_->streams[i]->discard = AVDISCARD_ALL;
            }
        }
        const AVCodecParameters* parameters = format_->streams[stream_]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        if (!codec) {
            return false;
        }
        codec_ = avcodec_alloc_context3(codec);
        if (!codec_ || avcodec_parameters_to_context(codec_, parameters) < 0 ||
            avcodec_open2(codec_, codec, nullptr) < 0) {
            return false;
        }
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!packet_ || !frame_) {
            return false;
        }
        if (startSeconds > 0) {
            const auto target = int64_t(startSeconds * AV_TIME_BASE);
            if (avformat_seek_file(format_, -1, INT64_MIN, target, target, 0) < 0) {
                return false;
            }
            startSeconds_ = startSeconds;
            trimStart_ = true;
        }
        // Protected files announce themselves on their packets, so the
        // first one is read now: such a file is refused, not cut short.
        if (!feedDecoder()) {
            return false;
        }
        reading_ = true;
        return true;
    }

    std::optional<QByteArray> nextChunk() override {
        while (reading_) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                QByteArray bytes = convert(frame_);
                av_frame_unref(frame_);
                if (!bytes.isEmpty()) {
                    return bytes;
                }
                continue;
            }
            if (received == AVERROR(EAGAIN)) {
                if (!feedDecoder()) {
                    break;
                }
                continue;
            }
            if (received == AVERROR_EOF) {
                // The resampler may still hold a few frames.
                QByteArray tail = convert(nullptr);
                release();
                if (!tail.isEmpty()) {
                    return tail;
                }
                return std::nullopt;
            }
            break; // a decoder failure ends the track early
        }
        release();
        return std::nullopt;
    }

    void cancelReading() override { release(); }
    bool isReading() const override { return reading_; }

private:
    static int readInto(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<FFmpegPcmReader*>(opaque);
        if (interrupted(self)) {
            return AVERROR_EXIT;
        }
        for (;;) {
            const ssize_t got = ::read(self->fd_, buffer, size_t(size));
            if (got > 0) {
                return int(got);
            }
            if (got == 0) {
                return AVERROR_EOF;
            }
            if (errno != EINTR) {
                return AVERROR(errno);
            }
        }
    }

    static int64_t seekTo(void* opaque, int64_t offset, int whence) {
        const int fd = static_cast<FFmpegPcmReader*>(opaque)->fd_;
        if (whence & AVSEEK_SIZE) {
            struct stat info {};
            return ::fstat(fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
        }
        const off_t at = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : int64_t(at);
    }

    static int interrupted(void* opaque) {
        const std::atomic<bool>* abort = static_cast<FFmpegPcmReader*>(opaque)->openAbort_.load();
        return abort && abort->load() ? 1 : 0;
    }

    // Sends the next packet of our stream (or the end mark) to the decoder.
    bool feedDecoder() {
        for (;;) {
            const int read = av_read_frame(format_, packet_);
            if (read < 0) {
                return avcodec_send_packet(codec_, nullptr) == 0;
            }
            if (packet_->stream_index != stream_) {
                av_packet_unref(packet_);
                continue;
            }
            if (av_packet_get_side_data(packet_, AV_PKT_DATA_ENCRYPTION_INFO, nullptr)) {
                av_packet_unref(packet_);
                return false;
            }
            const int sent = avcodec_send_packet(codec_, packet_);
            av_packet_unref(packet_);
            if (sent == 0) {
                return true;
            }
            if (sent != AVERROR_INVALIDDATA) {
                return false;
            }
            // A damaged packet: skip it and go on with the next.
        }
    }

    bool setUpResampler(const AVFrame* frame) {
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
            frame->ch_layout.nb_channels == 0) {
            av_channel_layout_default(&in, frame->ch_layout.nb_channels > 0
                                               ? frame->ch_layout.nb_channels
                                               : codec_->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0) {
            return false;
        }
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        swr_free(&resampler_);
        const int made =
            swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_S16, sampleRate, &in,
                                AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (made < 0 || swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return false;
        }
        inFormat_ = frame->format;
        inRate_ = frame->sample_rate;
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_copy(&inLayout_, &frame->ch_layout);
        return true;
    }

    // Resamples one frame (or, given none, what the resampler still holds).
    QByteArray convert(const AVFrame* frame) {
        if (frame) {
            if (!resampler_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
                av_channel_layout_compare(&frame->ch_layout, &inLayout_) != 0) {
                if (!setUpResampler(frame)) {
                    return {};
                }
            }
            if (trimStart_) {
                trimStart_ = false;
                const int64_t pts = frame->best_effort_timestamp;
                if (pts != AV_NOPTS_VALUE) {
                    const double at = double(pts) * av_q2d(format_->streams[stream_]->time_base);
                    dropFrames_ =
                        std::max<int64_t>(0, std::llround((startSeconds_ - at) * sampleRate));
                }
            }
        } else if (!resampler_) {
            return {};
        }
        const int capacity = swr_get_out_samples(resampler_, frame ? frame->nb_samples : 0);
        if (capacity <= 0) {
            return {};
        }
        QByteArray bytes(qsizetype(capacity) * bytesPerFrame, Qt::Uninitialized);
        auto* out = reinterpret_cast<uint8_t*>(bytes.data());
        const int made =
            swr_convert(resampler_, &out, capacity,
                        frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                        frame ? frame->nb_samples : 0);
        if (made <= 0) {
            return {};
        }
        bytes.truncate(qsizetype(made) * bytesPerFrame);
        if (dropFrames_ > 0) {
            // Seeking lands on a packet boundary before the start time.
            const int64_t dropped = std::min<int64_t>(dropFrames_, made);
            bytes.remove(0, qsizetype(dropped) * bytesPerFrame);
            dropFrames_ -= dropped;
        }
        return bytes;
    }

    void release() {
        reading_ = false;
        swr_free(&resampler_);
        av_channel_layout_uninit(&inLayout_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        if (format_) {
            avformat_close_input(&format_);
        }
        if (io_) {
            av_freep(&io_->buffer); // a caller's buffer stays the caller's
            avio_context_free(&io_);
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (counted_) {
            counted_ = false;
            --readersOpen;
        }
    }

    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int stream_ = -1;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
    double startSeconds_ = 0;
    bool trimStart_ = false;
    int64_t dropFrames_ = 0;
    bool reading_ = false;
    bool counted_ = false;
    std::atomic<const std::atomic<bool>*> openAbort_{nullptr};
};

class FFmpegFactory : public PcmReaderFactory {
public:
    FFmpegFactory() {
        static std::once_flag quiet;
        // The program keeps no log; FFmpeg would print to the terminal.
        std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    }

    std::unique_ptr<PcmReader> open(const QString& localPath, double startSeconds,
                                    const std::atomic<bool>* abort) override {
        auto reader = std::make_unique<FFmpegPcmReader>();
        if (!reader->open(localPath, startSeconds, abort)) {
            return nullptr;
        }
        return reader;
    }

    std::unique_ptr<AlacEncoder> alacEncoder() override { return makeFFmpegAlacEncoder(); }
};
} // namespace

extern "C" Q_DECL_EXPORT PcmReaderFactory* korvidMakeFFmpegFactory() {
    return new FFmpegFactory();
}

extern "C" Q_DECL_EXPORT int korvidFFmpegReadersOpen() {
    return readersOpen.load();
}
