#include "platform/InstanceHandoff.h"

#include "platform/SingleInstance.h"
#include "platform/WebAuthSession.h"

#include <QPointer>
#include <QUrl>
#include <QWindow>

namespace {
const auto activate = QStringLiteral("activate");
} // namespace

namespace InstanceHandoff {

QString messageFor(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i).startsWith(QLatin1String("korvid:"), Qt::CaseInsensitive))
            return arguments.at(i);
    }
    return activate;
}

void bringForward(QWindow* window) {
    window->show();
    window->raise();
    window->requestActivate();
}

void route(SingleInstance& instance, WebAuthSession& session, QWindow* window) {
    QObject::connect(&instance, &SingleInstance::messageReceived, &session,
                     [&session, target = QPointer<QWindow>(window)](const QString& message) {
                         if (message != activate) {
                             session.deliver(QUrl(message));
                             return;
                         }
                         if (target) {
                             bringForward(target);
                         }
                     });
}

} // namespace InstanceHandoff
