#include "support/RequiredPeers.h"

#include <QString>
#include <QtGlobal>

bool peersRequired() {
    return qEnvironmentVariable("KORVID_REQUIRE_PEERS") == QLatin1String("1");
}
