// FFmpeg, and the hundred libraries it brings along, are loaded when the
// first track is decoded for a speaker, not when the program starts: most
// runs never stream to a legacy speaker, and loading them at start costs
// about 17 MB of memory and part of the start itself.
#include "airplay1/PcmReader.h"

#include <QFileInfo>
#include <QLibrary>
#include <QStringList>
#include <QtDebug>

namespace {

using MakeFactory = PcmReaderFactory* (*)();
using CountReaders = int (*)();

// Without the module no file can be read; each track then fails as an
// unreadable file does.
class NoReaders final : public PcmReaderFactory {
public:
    std::unique_ptr<PcmReader> open(const QString&, double, const std::atomic<bool>*) override {
        return nullptr;
    }
};

struct Module {
    std::shared_ptr<PcmReaderFactory> factory;
    CountReaders readersOpen = nullptr;
};

// Installed beside the program's libraries, wherever the prefix is, and
// only there (the build tree links the same place to its module).
QStringList places() {
    const QString programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return {programFolder + QStringLiteral("/../" KORVID_FFMPEG_MODULE_INSTALL_PATH)};
}

const Module& module() {
    static const Module loaded = [] {
        Module found;
        QStringList failures;
        for (const QString& place : places()) {
            QLibrary library(place);
            if (!library.load()) {
                failures << library.errorString();
                continue;
            }
            const auto make =
                reinterpret_cast<MakeFactory>(library.resolve("korvidMakeFFmpegFactory"));
            found.readersOpen =
                reinterpret_cast<CountReaders>(library.resolve("korvidFFmpegReadersOpen"));
            if (make && found.readersOpen) {
                found.factory.reset(make());
                return found;
            }
            failures << library.errorString();
        }
        qWarning().noquote() << "No audio file can be decoded:"
                             << failures.join(QStringLiteral("; "));
        found.readersOpen = nullptr;
        found.factory = std::make_shared<NoReaders>();
        return found;
    }();
    return loaded;
}

} // namespace

std::shared_ptr<PcmReaderFactory> PcmReaderFactory::ffmpeg() {
    return module().factory;
}

int ffmpegReadersOpen() {
    return module().readersOpen ? module().readersOpen() : 0;
}
