#include "airplay1/BitWriter.h"

void BitWriter::write(uint32_t value, int bits) {
    if (bits <= 0) {
        return;
    }
    const uint64_t mask = bits >= 32 ? 0xFFFFFFFFull : ((1ull << bits) - 1);
    // At most 7 bits stay pending between calls, so 7 + 32 fit in 64.
    accumulator_ = (accumulator_ << bits) | (value & mask);
    pending_ += bits;
    while (pending_ >= 8) {
        pending_ -= 8;
        out_.append(static_cast<char>((accumulator_ >> pending_) & 0xFF));
    }
    accumulator_ &= (1ull << pending_) - 1;
}

QByteArray BitWriter::finish() {
    if (pending_ > 0) {
        out_.append(static_cast<char>((accumulator_ << (8 - pending_)) & 0xFF));
        pending_ = 0;
        accumulator_ = 0;
    }
    return std::move(out_);
}
