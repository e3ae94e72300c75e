// The second korvid process of the hand-off tests: it sends its one argument
// to the instance listening on the given socket, as main() does.
#include "platform/SingleInstance.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    return SingleInstance::sendToRunning(args.at(2), args.at(1)) ? 0 : 3;
}
