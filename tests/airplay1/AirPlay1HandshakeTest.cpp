#include "airplay1/AirPlay1Handshake.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {

TEST(AirPlay1HandshakeTest, SdpDescribesTheCodec) {
    EXPECT_EQ(sdpBody(AirPlay1Codec::pcm, 1234567890, "192.168.1.2", "192.168.1.9"),
              QByteArray("v=0\r\no=iTunes 1234567890 0 IN IP4 192.168.1.2\r\ns=iTunes\r\n"
                         "c=IN IP4 192.168.1.9\r\nt=0 0\r\nm=audio 0 RTP/AVP 96\r\n"
                         "a=rtpmap:96 L16/44100/2\r\n"));
    EXPECT_EQ(
        sdpBody(AirPlay1Codec::alac, 4000000000u, "10.0.0.1", "10.0.0.2"),
        QByteArray("v=0\r\no=iTunes 4000000000 0 IN IP4 10.0.0.1\r\ns=iTunes\r\n"
                   "c=IN IP4 10.0.0.2\r\nt=0 0\r\nm=audio 0 RTP/AVP 96\r\n"
                   "a=rtpmap:96 AppleLossless\r\na=fmtp:96 352 0 16 40 10 14 2 255 0 0 44100\r\n"));
}

TEST(AirPlay1HandshakeTest, TransportHeaders) {
    EXPECT_EQ(transportRequest(6001, 6002),
              "RTP/AVP/UDP;unicast;interleaved=0-1;mode=record;control_port=6001;timing_port=6002");

    const auto parameters = transportParameters(
        "RTP/AVP/UDP;unicast;mode=record;server_port=6000;control_port=6001;timing_port=6002");
    EXPECT_EQ(parameters.value("server_port"), "6000");
    EXPECT_EQ(parameters.value("control_port"), "6001");
    EXPECT_FALSE(parameters.contains("unicast"));
    EXPECT_EQ(transportParameters(" a = 1 ;;b=2=3;c").value("a"), "1");
    EXPECT_EQ(transportParameters(" a = 1 ;;b=2=3;c").value("b"), "2");

    struct Case {
        QString header;
        std::optional<std::pair<uint16_t, uint16_t>> ports;
    };
    const std::vector<Case> cases = {
        {"RTP/AVP/UDP;server_port=6000;control_port=6001",
         std::pair<uint16_t, uint16_t>{6000, 6001}},
        {"RTP/AVP/UDP; server_port = 65535 ;control_port=1",
         std::pair<uint16_t, uint16_t>{65535, 1}},
        {"RTP/AVP/UDP;server_port=6000", std::nullopt},
        {"RTP/AVP/UDP;control_port=6001", std::nullopt},
        {"RTP/AVP/UDP;server_port=65536;control_port=6001", std::nullopt},
        {"RTP/AVP/UDP;server_port=-1;control_port=6001", std::nullopt},
        {"RTP/AVP/UDP;server_port=60x;control_port=6001", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto ports = speakerPorts(c.header);
        ASSERT_EQ(ports.has_value(), c.ports.has_value()) << c.header.toStdString();
        if (ports) {
            EXPECT_EQ(ports->server, c.ports->first);
            EXPECT_EQ(ports->control, c.ports->second);
        }
    }
    EXPECT_EQ(rtpInfo(65535, 4294967295u), "seq=65535;rtptime=4294967295");
}

// 0, 50 and 150 % are also checked on the wire in the player's session test.
TEST(AirPlay1HandshakeTest, VolumeInDecibelsWhateverTheLocale) {
    const struct {
        double percent;
        const char* body;
    } cases[] = {
        {-5, "volume: -144.000000\r\n"},
        {1, "volume: -29.700000\r\n"},
        {49.5, "volume: -15.150000\r\n"},
        {100, "volume: 0.000000\r\n"},
        {std::numeric_limits<double>::quiet_NaN(), "volume: -144.000000\r\n"},
    };
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        for (const auto& c : cases) {
            EXPECT_EQ(volumeBody(c.percent), QByteArray(c.body)) << c.percent << " in " << locale;
        }
    }
    std::setlocale(LC_ALL, previous.c_str());
}

} // namespace
