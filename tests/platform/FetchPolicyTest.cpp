#include "platform/FetchPolicy.h"

#include <gtest/gtest.h>

TEST(FetchPolicy, OnlyHttpsToHostsOutsideThisComputerAndTheLocalNetwork) {
    const struct {
        const char* address;
        bool allowed;
    } cases[] = {
        {"https://i.scdn.co/image/ab67616d", true},
        {"https://p.scdn.co/mp3-preview/1?cid=2", true},
        {"https://93.184.216.34/x.jpg", true},
        {"https://[2a00:1450:4001::200e]/x", true},
        {"http://i.scdn.co/image/ab67616d", false},
        {"file:///home/user/.ssh/id_ed25519", false},
        {"concat:/etc/passwd|/etc/hosts", false},
        {"ftp://i.scdn.co/x", false},
        {"https:///x", false},
        {"https://localhost/x", false},
        {"https://printer.localhost/x", false},
        {"https://127.0.0.1:8766/x.png", false},
        {"https://127.1/x", false},
        {"https://2130706433/x", false},
        {"https://0.0.0.0/x", false},
        {"https://[::1]/x", false},
        {"https://[::ffff:127.0.0.1]/x", false},
        {"https://169.254.169.254/latest/meta-data", false},
        {"https://[fe80::1]/x", false},
        {"https://10.1.2.3/x", false},
        {"https://172.16.0.1/x", false},
        {"https://172.31.255.255/x", false},
        {"https://192.168.1.1/x", false},
        {"https://100.64.0.1/x", false},
        {"https://[fd12:3456::1]/x", false},
    };
    for (const auto& c : cases) {
        const QString refusal = fetchRefusal(QUrl(QString::fromLatin1(c.address)));
        EXPECT_EQ(refusal.isEmpty(), c.allowed) << c.address << ": " << refusal.toStdString();
    }
    EXPECT_EQ(fetchRefusal(QUrl("http://i.scdn.co/x")),
              "Korvid fetches covers and previews only over https, not from http://i.scdn.co/x.");
    EXPECT_EQ(fetchRefusal(QUrl("https://192.168.1.1/x")),
              "Korvid does not fetch covers or previews from this computer or the local network "
              "(192.168.1.1).");
}
