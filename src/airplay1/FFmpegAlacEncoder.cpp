// ALAC compression over FFmpeg's encoder, part of the FFmpeg module.
#include "airplay1/AlacEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace {

constexpr int kPacketFrames = 352;

class FFmpegAlacEncoder final : public AlacEncoder {
public:
    ~FFmpegAlacEncoder() override { release(); }

    bool open() {
        release();
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ALAC);
        if (!codec) {
            return false;
        }
        context_ = avcodec_alloc_context3(codec);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!context_ || !frame_ || !packet_) {
            return false;
        }
        context_->sample_rate = 44100;
        context_->sample_fmt = AV_SAMPLE_FMT_S16P;
        av_channel_layout_default(&context_->ch_layout, 2);
        if (avcodec_open2(context_, codec, nullptr) < 0) {
            return false;
        }
        frame_->nb_samples = kPacketFrames;
        frame_->format = AV_SAMPLE_FMT_S16P;
        frame_->sample_rate = 44100;
        return av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout) == 0 &&
               av_frame_get_buffer(frame_, 0) == 0;
    }

    QByteArray encode(const QByteArray& littleEndianPcm) override {
        if (littleEndianPcm.size() != kPacketFrames * 4) {
            return {};
        }
        QByteArray out = tryEncode(littleEndianPcm);
        // The encoder's frames are longer than a packet's; an FFmpeg that
        // takes a short frame only as the last one refuses the next: a fresh
        // encoder per refusal keeps compressing.
        if (out.isEmpty() && open()) {
            out = tryEncode(littleEndianPcm);
        }
        return out;
    }

private:
    QByteArray tryEncode(const QByteArray& pcm) {
        if (!context_ || av_frame_make_writable(frame_) < 0) {
            return {};
        }
        const auto* in = reinterpret_cast<const int16_t*>(pcm.constData());
        auto* left = reinterpret_cast<int16_t*>(frame_->data[0]);
        auto* right = reinterpret_cast<int16_t*>(frame_->data[1]);
        for (int i = 0; i < kPacketFrames; ++i) {
            left[i] = in[2 * i];
            right[i] = in[2 * i + 1];
        }
        frame_->pts = pts_;
        pts_ += kPacketFrames;
        if (avcodec_send_frame(context_, frame_) < 0 ||
            avcodec_receive_packet(context_, packet_) < 0) {
            return {};
        }
        QByteArray out(reinterpret_cast<const char*>(packet_->data), packet_->size);
        av_packet_unref(packet_);
        return out;
    }

    void release() {
        avcodec_free_context(&context_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
    }

    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t pts_ = 0;
};

} // namespace

std::unique_ptr<AlacEncoder> makeFFmpegAlacEncoder() {
    auto encoder = std::make_unique<FFmpegAlacEncoder>();
    if (!encoder->open()) {
        return nullptr;
    }
    return encoder;
}
