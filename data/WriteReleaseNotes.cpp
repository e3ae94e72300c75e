// Writes the program's release notes into the files the desktop and the
// package manager read, so that they never drift from what Settings shows:
//   write-release-notes metainfo TEMPLATE OUTPUT
//       the AppStream file, with the template's @KORVID_RELEASES@ line
//       replaced by one <release> per version
//   write-release-notes debian-changelog OUTPUT "NAME <ADDRESS>"
//       the package's changelog, one entry per version
#include "model/Changelog.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTimeZone>

#include <cstdio>

namespace {

using Changelog::Release;

QString releaseDay(const Release& release) {
    return release.date.date().toString(Qt::ISODate);
}

QString appStreamReleases(const QList<Release>& releases) {
    QString out;
    for (const Release& release : releases) {
        out += QStringLiteral("    <release version=\"%1\" date=\"%2\">\n      <description>\n"
                              "        <p>%3</p>\n        <ul>\n")
                   .arg(release.version.toHtmlEscaped(), releaseDay(release),
                        release.title.toHtmlEscaped());
        for (const Changelog::Change& change : release.changes) {
            out += QStringLiteral("          <li>%1: %2</li>\n")
                       .arg(Changelog::pillLabel(change.kind), change.text.toHtmlEscaped());
        }
        out += QStringLiteral("        </ul>\n      </description>\n    </release>\n");
    }
    out.chop(1);
    return out;
}

// Breaks text into lines of at most `width` characters, the first after
// `first`, the rest after `rest`.
QString wrapped(const QString& text, const QString& first, const QString& rest, int width = 79) {
    QString out = first;
    qsizetype lineStart = 0;
    bool lineEmpty = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lineEmpty && out.size() - lineStart + 1 + word.size() > width) {
            out += QLatin1Char('\n');
            lineStart = out.size();
            out += rest;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += QLatin1Char(' ');
        }
        out += word;
        lineEmpty = false;
    }
    return out + QLatin1Char('\n');
}

QString debianChangelog(const QList<Release>& releases, const QString& maintainer) {
    QString out;
    for (const Release& release : releases) {
        out += QStringLiteral("korvid (%1) unstable; urgency=medium\n\n").arg(release.version);
        out += wrapped(release.title, QStringLiteral("  * "), QStringLiteral("    "));
        for (const Changelog::Change& change : release.changes) {
            out += wrapped(Changelog::pillLabel(change.kind) + QStringLiteral(": ") + change.text,
                           QStringLiteral("    - "), QStringLiteral("      "));
        }
        const QDateTime noon(release.date.date(), QTime(12, 0), QTimeZone::utc());
        out += QStringLiteral("\n -- %1  %2\n\n")
                   .arg(maintainer, QLocale::c().toString(
                                        noon, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss +0000")));
    }
    out.chop(1);
    return out;
}

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

int fail(const char* message) {
    std::fprintf(stderr, "write-release-notes: %s\n", message);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("metainfo")) {
        QFile in(args[1]);
        if (!in.open(QIODevice::ReadOnly)) {
            return fail("cannot read the template");
        }
        QString text = QString::fromUtf8(in.readAll());
        const QString marker = QStringLiteral("@KORVID_RELEASES@");
        if (!text.contains(marker)) {
            return fail("the template has no @KORVID_RELEASES@");
        }
        text.replace(marker, appStreamReleases(Changelog::releases()));
        return writeFile(args[2], text) ? 0 : fail("cannot write the output");
    }
    if (args.size() == 3 && args[0] == QLatin1String("debian-changelog")) {
        return writeFile(args[1], debianChangelog(Changelog::releases(), args[2]))
                   ? 0
                   : fail("cannot write the output");
    }
    return fail("usage: write-release-notes metainfo TEMPLATE OUTPUT | debian-changelog OUTPUT "
                "MAINTAINER");
}
