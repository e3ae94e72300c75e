#pragma once

#include <QByteArray>

#include <cstdint>

// Packs bit fields most significant bit first, as the ALAC frame layout needs.
class BitWriter {
public:
    // Appends the low `bits` (0 to 32) of `value`.
    void write(uint32_t value, int bits);
    // Emits the pending bits left-aligned in a last zero-padded byte and
    // hands back everything written.
    QByteArray finish();

    void reserve(qsizetype bytes) { out_.reserve(bytes); }

private:
    QByteArray out_;
    uint64_t accumulator_ = 0;
    int pending_ = 0;
};
