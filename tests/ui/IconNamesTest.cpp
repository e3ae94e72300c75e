// Every symbol a screen draws has an icon-theme name and a bundled picture,
// so nothing shows as an empty square without a full icon theme.
#include "ui/IconNames.h"
#include "ui/PlaybackTexts.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The symbols the view files name, read from the module as it is built.
QSet<QString> symbolsInViews() {
    static const QRegularExpression named(QStringLiteral(R"(symbol:\s*"([^"]+)\")"));
    QSet<QString> symbols;
    for (QDirIterator it(QStringLiteral(":/qt/qml/Korvid"), {QStringLiteral("*.qml")});
         it.hasNext();) {
        QFile file(it.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = named.globalMatch(text); match.hasNext();)
            symbols.insert(match.next().captured(1));
    }
    return symbols;
}

TEST(IconNames, EverySymbolTheScreensDrawHasAThemeNameAndABundledPicture) {
    QSet<QString> symbols = symbolsInViews();
    EXPECT_GT(symbols.size(), 10) << "the view files were not found";
    for (const char* type : {"Computer", "Smartphone", "Speaker", "TV", "AVR", "STB", "CastVideo",
                             "AudioDongle", "CastAudio", "Automobile", "GameConsole", "Other"})
        symbols.insert(PlaybackTexts::spotifyDeviceSymbol(QString::fromLatin1(type)));
    for (const char* kind : {"computer", "Apple TV", "TV", "HomePod", "Bluetooth device",
                             "AirPort Express", "Speaker"})
        symbols.insert(
            SpeakerOutput::music(QStringLiteral("x"), QString::fromLatin1(kind)).systemImage());
    // The speaker button, the empty device list and the warning row.
    for (const char* symbol : {"airplayaudio", "hifispeaker.slash", "exclamationmark.triangle",
                               "arrow.clockwise", "checkmark", "speaker.wave.3.fill"})
        symbols.insert(QString::fromLatin1(symbol));

    for (const QString& symbol : symbols) {
        SCOPED_TRACE(symbol.toStdString());
        EXPECT_FALSE(IconNames::themeName(symbol).isEmpty());
        const QUrl picture = IconNames::fallback(symbol);
        EXPECT_FALSE(QImage(QLatin1Char(':') + picture.path()).isNull())
            << picture.toString().toStdString();
    }
}

} // namespace
