#include "airplay1/BitWriter.h"

#include <algorithm>

void BitWriter::reserve(qsizetype bytes) {
    // A write checks for room for its largest output, four bytes, so that
    // much more spares the last writes a reallocation.
    if (bytes + 4 > out_.size()) {
        out_.resize(bytes + 4);
        bytes_ = out_.data();
    }
}

void BitWriter::grow() {
    out_.resize(std::max<qsizetype>(16, std::max(out_.size() * 2, used_ + 4)));
    bytes_ = out_.data();
}

QByteArray BitWriter::finish() {
    if (pending_ > 0) {
        if (used_ == out_.size()) {
            grow();
        }
        bytes_[used_++] = static_cast<char>((accumulator_ << (8 - pending_)) & 0xFF);
        pending_ = 0;
        accumulator_ = 0;
    }
    out_.truncate(used_);
    used_ = 0;
    bytes_ = nullptr;
    return std::move(out_);
}
