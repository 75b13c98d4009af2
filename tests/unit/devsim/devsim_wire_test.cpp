// SPDX-License-Identifier: GPL-3.0-or-later
// devsim's wire form must agree with the tool's codec, and its garbage must
// never turn into a device.

#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "tests/support/fake_window.h"
#include "tools/devsim/answers.h"
#include "tools/devsim/garbage.h"
#include "tools/devsim/sim_device.h"
#include "tools/devsim/wire_codec.h"

namespace {

// What the tool's receive path makes of one message.
int ParseWithTheLibrary(FakeWindow& form, TComUnitList& list, const std::string& message) {
    std::vector<unsigned char> decoded(kWireBufferSize, 0);
    int n = Base64Decode(decoded.data(), decoded.size() - 1, message.c_str());
    InvertBytes(decoded.data(), n);
    int nextRow = 1;
    int received = static_cast<int>(std::min(message.size(), decoded.size() - 1));
    return ParserPlainPkg(form, list, nextRow, reinterpret_cast<const char*>(decoded.data()), received);
}

TEST(WireCodec, AgreesWithTheToolsCodecBothWays) {
    EXPECT_EQ(EncodePackage("abc"), "np2c/w==");
    EXPECT_EQ(DecodePackages("np2c/w=="), std::vector<std::string>{"abc"});

    FakeWindow form;
    std::vector<char> query(kWireBufferSize, '\0');
    ASSERT_EQ(MakePlainPkg(form, kFlagRelayQuery, query.data(), nullptr), 0);
    EXPECT_EQ(std::string(query.data()), EncodePackage("Kestrova,02,????"));
    EXPECT_EQ(DecodePackages(query.data()), std::vector<std::string>{"Kestrova,02,????"});

    // Every remainder of the length modulo 3 pads differently.
    for (const char* text : {"a", "ab", "abc", "abcd", "Kestrova,00,????"}) {
        std::string encoded = EncodePackage(text);
        std::vector<unsigned char> decoded(encoded.size(), 0);
        int n = Base64Decode(decoded.data(), encoded.c_str());
        ASSERT_EQ(n, static_cast<int>(std::strlen(text)) + 1) << text;
        InvertBytes(decoded.data(), n);
        EXPECT_STREQ(reinterpret_cast<const char*>(decoded.data()), text);
    }
}

TEST(Answers, PackDevicesPerDatagramWithinOneUdpPayload) {
    const auto devices = GenerateDevices(10);
    std::vector<size_t> counts;
    for (const std::string& d : AnswerDatagrams(devices, 4)) counts.push_back(DecodePackages(d).size());
    EXPECT_EQ(counts, (std::vector<size_t>{4, 4, 2}));
    EXPECT_EQ(AnswerDatagrams(devices, 1).size(), 10u);
    EXPECT_TRUE(AnswerDatagrams({}, 1).empty());

    // 1,000 packages would not fit one datagram: split, none lost.
    const auto many = GenerateDevices(1000);
    size_t total = 0;
    auto datagrams = AnswerDatagrams(many, 1000);
    EXPECT_GT(datagrams.size(), 1u);
    FakeWindow form;
    TComUnitList list;
    for (const std::string& d : datagrams) {
        EXPECT_LE(d.size(), 65507u);
        total += DecodePackages(d).size();
        ParseWithTheLibrary(form, list, d);
    }
    EXPECT_EQ(total, 1000u);
    EXPECT_EQ(list.size(), 1000u);
}

TEST(Answers, RecogniseQueriesAndControlPackagesByTheirFlag) {
    EXPECT_EQ(PackageFlag("Kestrova,00,????"), 0);
    EXPECT_EQ(PackageFlag("Kestrova,02,????"), 2);
    EXPECT_EQ(PackageFlag("Kestrova,03,a,b"), 3);
    EXPECT_EQ(PackageFlag("Kestrova,03"), 3);
    EXPECT_FALSE(PackageFlag("Kestrova,xx,????"));
    EXPECT_FALSE(PackageFlag("Kestrova,02x,????"));
    EXPECT_FALSE(PackageFlag("Kestrova"));
    EXPECT_FALSE(PackageFlag("kestrova,02,????"));
}

TEST(Garbage, NeverBecomesADeviceAndNoiseIsSkipped) {
    FakeWindow form;
    TComUnitList list;
    for (std::uint32_t seed : {1u, 2u, 77u, 4096u}) {
        for (const std::string& datagram : GarbageDatagrams(seed)) ParseWithTheLibrary(form, list, datagram);
    }
    EXPECT_TRUE(list.empty()) << list.size() << " device(s) made of garbage";

    const std::string answer = RelayAnswer(GenerateDevices(20));
    const std::string noisy = WithNoise(answer, 5);
    EXPECT_GT(noisy.size(), answer.size());
    EXPECT_EQ(noisy.find('\0'), std::string::npos);
    EXPECT_EQ(DecodePackages(noisy), DecodePackages(answer));
    ParseWithTheLibrary(form, list, noisy);
    EXPECT_EQ(list.size(), 20u);
}

}  // namespace
