#include "ui/ChangelogPresenter.h"

#include "model/Changelog.h"

namespace {
QString kindKey(Changelog::Change::Kind kind) {
    switch (kind) {
    case Changelog::Change::Kind::new_:
        return QStringLiteral("new");
    case Changelog::Change::Kind::improved:
        return QStringLiteral("improved");
    case Changelog::Change::Kind::fixed:
        return QStringLiteral("fixed");
    }
    return {};
}
} // namespace

ChangelogPresenter::ChangelogPresenter(QLocale locale, QObject* parent)
    : QObject(parent) {
    for (const auto& release : Changelog::releases()) {
        QVariantList changes;
        for (const auto& change : release.changes) {
            changes.append(QVariantMap{{QStringLiteral("kind"), kindKey(change.kind)},
                                       {QStringLiteral("pill"), Changelog::pillLabel(change.kind)},
                                       {QStringLiteral("text"), change.text}});
        }
        sections_.append(
            QVariantMap{{QStringLiteral("header"), tr("Version %1").arg(release.version)},
                        {QStringLiteral("title"), release.title},
                        {QStringLiteral("dateText"), Changelog::longDateText(release.date, locale)},
                        {QStringLiteral("changes"), changes}});
    }
}
