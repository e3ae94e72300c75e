#pragma once

#include <QByteArray>

#include <cstdint>

// Packs bit fields most significant bit first, as the ALAC frame layout needs.
class BitWriter {
public:
    // Appends the low `bits` (0 to 32) of `value`. Inline: a stereo ALAC
    // frame calls it once per sample.
    void write(uint32_t value, int bits) {
        if (bits <= 0) {
            return;
        }
        const uint64_t mask = bits >= 32 ? 0xFFFFFFFFull : ((1ull << bits) - 1);
        // At most 7 bits stay pending between calls, so 7 + 32 fit in 64
        // and one call emits at most 4 bytes.
        accumulator_ = (accumulator_ << bits) | (value & mask);
        pending_ += bits;
        if (used_ + 4 > out_.size()) {
            grow();
        }
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_[used_++] = static_cast<char>((accumulator_ >> pending_) & 0xFF);
        }
        accumulator_ &= (1ull << pending_) - 1;
    }
    // Emits the pending bits left-aligned in a last zero-padded byte and
    // hands back everything written.
    QByteArray finish();

    // Makes room for `bytes` in all, so writing that much never reallocates.
    void reserve(qsizetype bytes);

private:
    // Makes room for at least four more bytes.
    void grow();

    // Bytes live in out_[0, used_); out_ is grown ahead in steps and
    // bytes_ is its writable storage.
    QByteArray out_;
    char* bytes_ = nullptr;
    qsizetype used_ = 0;
    uint64_t accumulator_ = 0;
    int pending_ = 0;
};
