#include "platform/FetchPolicy.h"

#include <QHostAddress>

namespace {

bool isLocalAddress(const QHostAddress& address) {
    // IPv4 written inside IPv6 (::ffff:127.0.0.1) is judged as IPv4.
    bool isV4 = false;
    const QHostAddress plain(address.toIPv4Address(&isV4));
    const QHostAddress& judged = isV4 ? plain : address;
    if (judged.isLoopback() || judged.isLinkLocal() || judged.isNull() ||
        judged == QHostAddress(QHostAddress::AnyIPv4) ||
        judged == QHostAddress(QHostAddress::AnyIPv6))
        return true;
    static const std::pair<QHostAddress, int> localNetworks[] = {
        QHostAddress::parseSubnet(QStringLiteral("0.0.0.0/8")),
        QHostAddress::parseSubnet(QStringLiteral("10.0.0.0/8")),
        QHostAddress::parseSubnet(QStringLiteral("100.64.0.0/10")),
        QHostAddress::parseSubnet(QStringLiteral("172.16.0.0/12")),
        QHostAddress::parseSubnet(QStringLiteral("192.168.0.0/16")),
        QHostAddress::parseSubnet(QStringLiteral("fc00::/7")),
    };
    for (const auto& network : localNetworks) {
        if (judged.isInSubnet(network))
            return true;
    }
    return false;
}

} // namespace

QString fetchRefusal(const QUrl& url) {
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return QStringLiteral("Korvid fetches covers and previews only over https, not from %1.")
            .arg(url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery));
    const QString host = url.host().toLower();
    const QHostAddress address(host);
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")) ||
        (!address.isNull() && isLocalAddress(address)))
        return QStringLiteral("Korvid does not fetch covers or previews from this computer or the "
                              "local network (%1).")
            .arg(host);
    return {};
}
