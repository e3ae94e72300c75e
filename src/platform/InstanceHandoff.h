#pragma once

#include <QString>
#include <QStringList>

class QWindow;
class SingleInstance;
class WebAuthSession;

// What a later korvid process hands to the running one: the korvid://
// address the desktop started it with (the browser's sign-in redirect), or
// a request to show the window when the user simply started it again.
namespace InstanceHandoff {

// The message for a process started with `arguments` (program name first).
QString messageFor(const QStringList& arguments);

// Shows `window` in front of the others and gives it the focus.
void bringForward(QWindow* window);

// Addresses go to the sign-in waiting in `session`; the request to show
// raises `window`.
void route(SingleInstance& instance, WebAuthSession& session, QWindow* window);

} // namespace InstanceHandoff
