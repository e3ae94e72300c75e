#include "playback/AlbumSearch.h"

#include <QRegularExpression>

namespace AlbumSearch {

QString folded(QStringView text) {
    // Compatibility decomposition splits "é" into "e" and a combining accent
    // (and "ﬁ" into "fi"); dropping the marks leaves the base letters.
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (!c.isMark())
            result.append(c);
    }
    return result.toCaseFolded();
}

QString keyOf(const QString& title, const QString& artistNames) {
    // A word never holds a line break, so no match runs across the two.
    return folded(title) + u'\n' + folded(artistNames);
}

QStringList wordsOf(const QString& typed) {
    return folded(typed).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

bool matches(QStringView key, const QStringList& words) {
    for (const QString& word : words) {
        if (!key.contains(word))
            return false;
    }
    return true;
}

} // namespace AlbumSearch
