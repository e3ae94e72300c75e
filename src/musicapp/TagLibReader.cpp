// The only file that speaks to TagLib.
#include "musicapp/TagReader.h"

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4atom.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <QFileInfo>
#include <QSet>

namespace {

enum class Format { flac, mpeg, mp4, vorbis, opus, wav, aiff, none };

Format formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"flac")
        return Format::flac;
    if (suffix == u"mp3")
        return Format::mpeg;
    if (suffix == u"m4a" || suffix == u"mp4")
        return Format::mp4;
    if (suffix == u"ogg" || suffix == u"oga")
        return Format::vorbis;
    if (suffix == u"opus")
        return Format::opus;
    if (suffix == u"wav")
        return Format::wav;
    if (suffix == u"aif" || suffix == u"aiff" || suffix == u"aifc")
        return Format::aiff;
    return Format::none;
}

QString toQString(const TagLib::String& text) {
    // TagLib already turned the stored bytes into Unicode; bytes that were
    // not valid in their declared encoding arrive as replacement characters.
    const std::string utf8 = text.to8Bit(true);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).trimmed();
}

QString property(const TagLib::PropertyMap& properties, const char* key) {
    const auto it = properties.find(key);
    if (it == properties.end() || it->second.isEmpty())
        return {};
    return toQString(it->second.front());
}

// "3", "3/12" or " 03 " to 3; anything else to 0.
int leadingNumber(const QString& text) {
    const QString head = text.section(u'/', 0, 0).trimmed();
    bool ok = false;
    const int value = head.toInt(&ok);
    return ok && value > 0 && value < 100000 ? value : 0;
}

bool isTrue(const QString& text) {
    const QString value = text.trimmed().toLower();
    return value == u"1" || value == u"true" || value == u"yes";
}

QByteArray bytes(const TagLib::ByteVector& data) {
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

QByteArray id3Picture(TagLib::ID3v2::Tag* tag) {
    if (!tag)
        return {};
    QByteArray first;
    for (TagLib::ID3v2::Frame* frame : tag->frameListMap()["APIC"]) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture || picture->picture().isEmpty())
            continue;
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return bytes(picture->picture());
        if (first.isEmpty())
            first = bytes(picture->picture());
    }
    return first;
}

QByteArray flacPicture(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    QByteArray first;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (!picture || picture->data().isEmpty())
            continue;
        if (picture->type() == TagLib::FLAC::Picture::FrontCover)
            return bytes(picture->data());
        if (first.isEmpty())
            first = bytes(picture->data());
    }
    return first;
}

QByteArray xiphPicture(TagLib::Ogg::XiphComment* comment) {
    return comment ? flacPicture(comment->pictureList()) : QByteArray();
}

QByteArray mp4Picture(TagLib::MP4::File& file) {
    TagLib::MP4::Tag* tag = file.tag();
    if (!tag || !tag->contains("covr"))
        return {};
    for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList()) {
        if (!art.data().isEmpty())
            return bytes(art.data());
    }
    return {};
}

// An MP4 container is a song only when no track of it carries video.
bool mp4HasVideo(TagLib::MP4::File& file) {
    TagLib::MP4::Atoms atoms(&file);
    TagLib::MP4::Atom* movie = atoms.find("moov");
    if (!movie)
        return false;
    for (TagLib::MP4::Atom* track : movie->findall("trak")) {
        TagLib::MP4::Atom* handler = track->find("mdia", "hdlr");
        if (!handler || handler->length < 20)
            continue;
        // Size and name (8), version and flags (4), pre-defined (4), then the type.
        file.seek(handler->offset + 16);
        if (file.readBlock(4) == TagLib::ByteVector("vide", 4))
            return true;
    }
    return false;
}

// Reads the picture of an open file of the given format.
QByteArray pictureOf(Format format, TagLib::File* file) {
    switch (format) {
    case Format::flac: {
        auto* flac = static_cast<TagLib::FLAC::File*>(file);
        QByteArray picture = flacPicture(flac->pictureList());
        if (picture.isEmpty() && flac->hasID3v2Tag())
            picture = id3Picture(flac->ID3v2Tag());
        return picture;
    }
    case Format::mpeg: {
        auto* mpeg = static_cast<TagLib::MPEG::File*>(file);
        return mpeg->hasID3v2Tag() ? id3Picture(mpeg->ID3v2Tag()) : QByteArray();
    }
    case Format::mp4:
        return mp4Picture(*static_cast<TagLib::MP4::File*>(file));
    case Format::vorbis:
        return xiphPicture(static_cast<TagLib::Ogg::Vorbis::File*>(file)->tag());
    case Format::opus:
        return xiphPicture(static_cast<TagLib::Ogg::Opus::File*>(file)->tag());
    case Format::wav: {
        auto* wav = static_cast<TagLib::RIFF::WAV::File*>(file);
        return wav->hasID3v2Tag() ? id3Picture(wav->ID3v2Tag()) : QByteArray();
    }
    case Format::aiff: {
        auto* aiff = static_cast<TagLib::RIFF::AIFF::File*>(file);
        return aiff->hasID3v2Tag() ? id3Picture(aiff->tag()) : QByteArray();
    }
    case Format::none:
        break;
    }
    return {};
}

// A file opened for reading only. TagLib opens files for writing when it
// may, and closing such a file tells every folder watcher (Korvid's own
// among them) that it was written: each scan would wake the next one.
struct OpenFile {
    std::unique_ptr<TagLib::FileStream> stream; // outlives the file that reads it
    std::unique_ptr<TagLib::File> file;

    bool isValid() const { return file && file->isValid(); }
};

OpenFile open(Format format, const QString& path, bool readProperties) {
    OpenFile opened;
    if (format == Format::none)
        return opened;
    opened.stream = std::make_unique<TagLib::FileStream>(QFile::encodeName(path).constData(), true);
    if (!opened.stream->isOpen())
        return opened;
    TagLib::IOStream* stream = opened.stream.get();
    auto* frames = TagLib::ID3v2::FrameFactory::instance();
    const auto style = TagLib::AudioProperties::Fast;
    switch (format) {
    case Format::flac:
        opened.file = std::make_unique<TagLib::FLAC::File>(stream, frames, readProperties, style);
        break;
    case Format::mpeg:
        opened.file = std::make_unique<TagLib::MPEG::File>(stream, frames, readProperties, style);
        break;
    case Format::mp4:
        opened.file = std::make_unique<TagLib::MP4::File>(stream, readProperties, style);
        break;
    case Format::vorbis:
        opened.file = std::make_unique<TagLib::Ogg::Vorbis::File>(stream, readProperties, style);
        break;
    case Format::opus:
        opened.file = std::make_unique<TagLib::Ogg::Opus::File>(stream, readProperties, style);
        break;
    case Format::wav:
        opened.file = std::make_unique<TagLib::RIFF::WAV::File>(stream, readProperties, style);
        break;
    case Format::aiff:
        opened.file = std::make_unique<TagLib::RIFF::AIFF::File>(stream, readProperties, style);
        break;
    case Format::none:
        break;
    }
    return opened;
}

class TagLibReader final : public TagReader {
public:
    std::optional<TrackTags> readTags(const QString& path) const override {
        const Format format = formatOf(path);
        const OpenFile opened = open(format, path, true);
        if (!opened.isValid())
            return std::nullopt;
        TagLib::File* file = opened.file.get();
        const TagLib::AudioProperties* audio = file->audioProperties();
        if (!audio || audio->sampleRate() <= 0 || audio->channels() <= 0)
            return std::nullopt;
        if (format == Format::mp4) {
            auto* mp4 = static_cast<TagLib::MP4::File*>(file);
            const auto* properties = mp4->audioProperties();
            if (!properties || properties->codec() == TagLib::MP4::Properties::Unknown ||
                mp4HasVideo(*mp4))
                return std::nullopt;
        }

        TrackTags tags;
        if (const TagLib::Tag* tag = file->tag()) {
            tags.title = toQString(tag->title());
            tags.album = toQString(tag->album());
            tags.artist = toQString(tag->artist());
            tags.genre = toQString(tag->genre());
            tags.trackNumber = static_cast<int>(std::min(tag->track(), 99999u));
        }
        const TagLib::PropertyMap properties = file->properties();
        // Some formats keep a second tag (a WAV's INFO list) that tag() does
        // not look at; the property map merges them.
        for (auto [field, key] : {std::pair{&tags.title, "TITLE"},
                                  {&tags.album, "ALBUM"},
                                  {&tags.artist, "ARTIST"},
                                  {&tags.genre, "GENRE"}}) {
            if (field->isEmpty())
                *field = property(properties, key);
        }
        tags.albumArtist = property(properties, "ALBUMARTIST");
        tags.compilation = isTrue(property(properties, "COMPILATION"));
        tags.discNumber = leadingNumber(property(properties, "DISCNUMBER"));
        if (const int track = leadingNumber(property(properties, "TRACKNUMBER")))
            tags.trackNumber = track;
        tags.durationMs = audio->lengthInMilliseconds();
        tags.hasPicture = !pictureOf(format, file).isEmpty();
        return tags;
    }

    QByteArray readPicture(const QString& path) const override {
        const Format format = formatOf(path);
        const OpenFile opened = open(format, path, false);
        return opened.isValid() ? pictureOf(format, opened.file.get()) : QByteArray();
    }
};

} // namespace

std::shared_ptr<TagReader> makeTagLibReader() {
    return std::make_shared<TagLibReader>();
}

bool hasAudioFileExtension(const QString& fileName) {
    return formatOf(fileName) != Format::none;
}
