// Values in the preferences store may have been written by anything: no text
// may crash the readers, and whatever they accept must be what they return.
#include "model/AlbumDisplayStyle.h"
#include "model/Changelog.h"
#include "model/Genre.h"
#include "model/MusicSource.h"
#include "model/StoredValues.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    if (auto source = MusicSources::fromRawValue(text);
        source && MusicSources::rawValue(*source) != text) {
        std::abort();
    }
    const auto style = AlbumDisplayStyles::fromStored(text);
    if (AlbumDisplayStyles::rawValue(style) != text && style != AlbumDisplayStyle::coverOnly) {
        std::abort();
    }
    (void)StoredValues::integer(QVariant(text));
    (void)StoredValues::number(QVariant(text));
    (void)Changelog::releaseDate(text);
    (void)Genre::classify(text);
    (void)Genre::classify(text.split(QLatin1Char(',')));
    return 0;
}
