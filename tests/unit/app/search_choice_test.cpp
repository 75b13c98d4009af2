// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "app/package_search.h"
#include "protocol/package_codec.h"

TEST(UpnpPart, AllOrUpnpInAnyCaseButNotWithABlank) {
    std::setlocale(LC_ALL, "C.UTF-8");
    EXPECT_TRUE(HasUpnpPart("ALL"));
    EXPECT_TRUE(HasUpnpPart("all"));
    EXPECT_TRUE(HasUpnpPart("Upnp"));
    EXPECT_FALSE(HasUpnpPart("ALL "));
    EXPECT_FALSE(HasUpnpPart(""));
    EXPECT_FALSE(HasUpnpPart("P2"));
}

TEST(PackageSearchChoice, TransportTextMustMatchExactly) {
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::IpRelay, "HttpCmd"), PackageSearchKind::HttpCommand);
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::IpRelay, "TCP"), PackageSearchKind::TcpRelay);
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::IpRelay, "tcp"), PackageSearchKind::Udp);
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::IpRelay, "httpcmd"), PackageSearchKind::Udp);
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::IpRelay, "UDP"), PackageSearchKind::Udp);
    EXPECT_EQ(ChoosePackageSearch(SearchMethod::LocalBroadcast, "TCP"), PackageSearchKind::Udp);
}

TEST(DecodeReceivedText, RestoresPackagesAndTerminatesThem) {
    // "abc" and its NUL, inverted and encoded.
    const DecodedAnswer answer = DecodeReceivedText("np2c/w==", 8);
    ASSERT_GE(answer.packages.size(), 5u);
    EXPECT_STREQ(answer.packages.data(), "abc");
    EXPECT_EQ(answer.packages.back(), '\0');
    EXPECT_EQ(answer.receivedLength, 8);
}

TEST(DecodeReceivedText, AnUnterminatedPackageIsStillTerminated) {
    unsigned char plain[3] = {'x', 'y', 'z'};
    InvertBytes(plain, 3);
    char text[8] = {};
    Base64Encode(text, plain, 3);
    const DecodedAnswer answer = DecodeReceivedText(text, static_cast<int>(std::strlen(text)));
    EXPECT_STREQ(answer.packages.data(), "xyz");
}

TEST(DecodeReceivedText, AnAnswerCutShortLosesOnlyItsUnfinishedLastPackage) {
    unsigned char plain[7] = {'a', 'b', 'c', '\0', 'd', 'e', 'f'};
    InvertBytes(plain, 7);
    char text[16] = {};
    const int length = Base64Encode(text, plain, 7);

    const DecodedAnswer cut = DecodeReceivedText(text, length, false);
    EXPECT_EQ(std::string(cut.packages.begin(), cut.packages.end()), std::string("abc\0\0\0", 6));
    EXPECT_EQ(cut.droppedLength, 3);

    const DecodedAnswer closed = DecodeReceivedText(text, length, true);
    EXPECT_STREQ(closed.packages.data() + 4, "def") << "a relay that closed sent its last package whole";
    EXPECT_EQ(closed.droppedLength, 0);
}
