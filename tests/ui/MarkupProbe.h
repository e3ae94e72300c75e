#pragma once

#include <QFontMetricsF>
#include <QHostAddress>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>
#include <QTcpServer>

// Text from outside with markup in it, and what the views made of it. The
// markup names a loopback listener: a view that took it for rich text would
// load the picture from there (and draw the text without its tags).
class MarkupProbe {
public:
    MarkupProbe() { listener_.listen(QHostAddress::LocalHost); }

    // `text` behind a picture from the listener: Qt takes a first line that
    // starts with a tag for markup.
    QString withImage(const QString& text) const {
        return QStringLiteral("<img src=\"http://127.0.0.1:%1/%2.png\">%2")
            .arg(listener_.serverPort())
            .arg(text);
    }
    static QString bold(const QString& text) { return "<b>" + text + "</b>"; }
    QString link(const QString& text) const {
        return QStringLiteral("<a href=\"http://127.0.0.1:%1/\">%2</a>")
            .arg(listener_.serverPort())
            .arg(text);
    }

    // Whether anything connected to the listener so far.
    bool wasFetched() { return listener_.hasPendingConnections(); }

    struct Scan {
        int withTags = 0;     // texts on screen that hold a tag
        QStringList asMarkup; // those drawn narrower than their characters
    };
    // Every visible text item under the window, popups included.
    static Scan scan(QQuickWindow* window) {
        Scan scan;
        addTexts(window->contentItem(), scan);
        return scan;
    }

private:
    static void addTexts(QQuickItem* item, Scan& scan) {
        if (!item || !item->isVisible())
            return;
        const QString text =
            item->inherits("QQuickText") ? item->property("text").toString() : QString();
        if (text.contains(QLatin1Char('<'))) {
            ++scan.withTags;
            // Drawn as markup, the tags are gone: the text is far narrower
            // than its characters side by side.
            const QFontMetricsF metrics(item->property("font").value<QFont>());
            if (item->implicitWidth() < 0.9 * metrics.horizontalAdvance(text))
                scan.asMarkup << text;
        }
        for (QQuickItem* child : item->childItems())
            addTexts(child, scan);
    }

    QTcpServer listener_;
};
