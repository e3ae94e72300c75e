#include "musicapp/SoundSinkKinds.h"

#include <gtest/gtest.h>

namespace {

TEST(SoundSinkKindsTest, KindAndNameFromTheSinksProperties) {
    struct Case {
        SoundSink sink;
        const char* kind;
        const char* name;
    } cases[] = {
        {{"alsa_output.pci-0000_00_1f.3.analog-stereo",
          "Built-in Audio Analog Stereo",
          {{"device.bus", "pci"}, {"device.form_factor", "internal"}},
          {"analog-output-speaker", "analog-output-headphones"}},
         "Speakers",
         "Built-in Audio Analog Stereo"},
        {{"alsa_output.pci.analog-stereo", "Built-in", {}, {"analog-output-headphones"}},
         "Headphones",
         "Built-in"},
        {{"alsa_output.pci.hdmi-stereo",
          "HDMI / DisplayPort",
          {{"device.profile.name", "hdmi-stereo"}},
          {}},
         "TV",
         "HDMI / DisplayPort"},
        {{"alsa_output.pci.stereo-fallback", "Monitor", {}, {"[Out] DisplayPort1"}},
         "TV",
         "Monitor"},
        {{"tv", "Living room", {{"device.form_factor", "tv"}}, {}}, "TV", "Living room"},
        {{"bluez_output.00_11_22_33_44_55.1", "WH-1000XM4", {{"device.api", "bluez5"}}, {}},
         "Bluetooth device",
         "WH-1000XM4"},
        {{"headset", "Buds", {{"device.bus", "bluetooth"}, {"device.form_factor", "headset"}}, {}},
         "Bluetooth device",
         "Buds"},
        {{"alsa_output.usb-DAC", "USB DAC", {{"device.bus", "usb"}}, {}}, "USB audio", "USB DAC"},
        {{"null", "Null Output", {{"device.class", "abstract"}}, {}},
         "Virtual output",
         "Null Output"},
        {{"plain", "", {}, {}}, "Speakers", "plain"},
        // Streams to AirPlay speakers keep the speaker's own name.
        {{"raop_output.kitchen.local", "Kitchen", {{"device.string", "10.0.0.5"}}, {}},
         "AirPlay speaker",
         "Kitchen"},
        {{"raop_sink.kitchen.local.10.0.0.5.5000",
          "RAOP on Kitchen",
          {{"raop.name", "0011223344@Kitchen"}, {"raop.ip", "10.0.0.5"}},
          {}},
         "AirPlay speaker",
         "Kitchen"},
        {{"raop", "", {{"raop.name", "Office"}}, {}}, "AirPlay speaker", "Office"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SoundSinkKinds::kindOf(c.sink), QString::fromUtf8(c.kind))
            << c.sink.name.toStdString();
        EXPECT_EQ(SoundSinkKinds::displayName(c.sink), QString::fromUtf8(c.name))
            << c.sink.name.toStdString();
    }
}

// Korvid's own MPD gets one output per sink: the default sink's is the
// computer and the only one on, and a repeated name gets a number, as MPD
// refuses two outputs of one name.
TEST(SoundSinkKindsTest, OneOutputPerSinkWithTheDefaultSinkAsTheComputer) {
    const SoundSink tv{"tv", "Living Room", {{"device.profile.name", "hdmi-stereo"}}, {}};
    const SoundSink dac{"dac", "USB DAC", {{"device.bus", "usb"}}, {}, true};
    const SoundSink twin{"dac_twin", "USB DAC", {{"device.bus", "usb"}}, {}};
    EXPECT_EQ(SoundSinkKinds::outputsFor({tv, dac, twin}),
              (QList<SinkOutput>{{"Living Room", "TV", "tv", false},
                                 {"USB DAC", "computer", "dac", true},
                                 {"USB DAC 2", "USB audio", "dac_twin", false}}));
}

} // namespace
