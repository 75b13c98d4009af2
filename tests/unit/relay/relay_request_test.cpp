// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_request.h"

#include <gtest/gtest.h>

#include "protocol/package_codec.h"
#include "protocol/plain_package.h"
#include "tests/support/fake_window.h"

namespace {

std::string Wire(const std::string& plain) { return EncodeWireText(plain + std::string(1, '\0')); }

const std::string kFields =
    "IPCAM,P1,Door,203.0.113.50,80,255.255.255.0,203.0.113.1,203.0.113.53,02:4B:56:00:00:03,HW1.0,";

struct DatagramCase {
    const char* name;
    std::string datagram;
    DatagramKind kind;
    std::string refusal;  // for Setup; "" when it may be sent
};
void PrintTo(const DatagramCase& c, std::ostream* os) { *os << c.name; }

class RelayDatagrams : public testing::TestWithParam<DatagramCase> {};

TEST_P(RelayDatagrams, AreReadAndControlPackagesCheckedAsTheDialogChecksThem) {
    const RelayDatagram read = ReadRelayDatagram(GetParam().datagram);
    EXPECT_EQ(read.kind, GetParam().kind);
    EXPECT_EQ(read.refusal, GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, RelayDatagrams,
    testing::Values(
        DatagramCase{"RelayQuery", Wire("Kestrova,02,????"), DatagramKind::RelayQuery, ""},
        DatagramCase{"DevicesQueryIsNotTheRelays", Wire("Kestrova,00,????"), DatagramKind::Other, ""},
        DatagramCase{"DeviceAnswer", Wire("Kestrova,01," + kFields), DatagramKind::Other, ""},
        DatagramCase{"OtherToken", Wire("Kestrovb,02,????"), DatagramKind::Other, ""},
        DatagramCase{"FlagRunsOn", Wire("Kestrova,021,????"), DatagramKind::Other, ""},
        DatagramCase{"PlainTextIsNoPackage", "Kestrova,02,????", DatagramKind::Other, ""},
        DatagramCase{"Empty", "", DatagramKind::Other, ""},
        DatagramCase{"Static", Wire("Kestrova,03," + kFields + "static"), DatagramKind::Setup, ""},
        DatagramCase{"Dhcp", Wire("Kestrova,03," + kFields + "dhcp"), DatagramKind::Setup, ""},
        DatagramCase{"DhcpNeedsNoValidAddresses", Wire("Kestrova,03,M,P,N,,80,,,,02:4B:56:00:00:03,d,dhcp"),
                     DatagramKind::Setup, ""},
        DatagramCase{"NoType", Wire("Kestrova,03," + kFields), DatagramKind::Setup,
                     "no network type the dialog offers"},
        DatagramCase{"UnknownType", Wire("Kestrova,03," + kFields + "pppoe"), DatagramKind::Setup,
                     "no network type the dialog offers"},
        // A comma inside a field shifts every later one: twelve fields.
        DatagramCase{"CommaInAName",
                     Wire("Kestrova,03,IPCAM,P1,Door,left,203.0.113.50,80,255.255.255.0,203.0.113.1,203.0.113.53,"
                          "02:4B:56:00:00:03,HW1.0,static"),
                     DatagramKind::Setup, "the package does not hold eleven fields"},
        DatagramCase{"TooFewFields", Wire("Kestrova,03,IPCAM,P1,static"), DatagramKind::Setup,
                     "the package does not hold eleven fields"},
        DatagramCase{"LineBreakInAName",
                     Wire("Kestrova,03,IPCAM,P1,Do\r\nor,203.0.113.50,80,255.255.255.0,203.0.113.1,203.0.113.53,"
                          "02:4B:56:00:00:03,HW1.0,static"),
                     DatagramKind::Setup, "Invalid Name - [Do\r\nor]"},
        DatagramCase{"StaticWithAnInvalidAddress",
                     Wire("Kestrova,03,IPCAM,P1,Door,203.0.113.500,80,255.255.255.0,203.0.113.1,203.0.113.53,"
                          "02:4B:56:00:00:03,HW1.0,static"),
                     DatagramKind::Setup, "Invalid IP Address - [203.0.113.500]"},
        DatagramCase{"FieldLongerThanItsRecordField",
                     Wire("Kestrova,03," + std::string(32, 'M') +
                          ",P1,Door,203.0.113.50,80,255.255.255.0,203.0.113.1,203.0.113.53,02:4B:56:00:00:03,HW1.0,"
                          "static"),
                     DatagramKind::Setup, "field 1 is longer than the record holds"},
        DatagramCase{"TwoPackagesInOne",
                     EncodeWireText("Kestrova,03," + kFields + "static" + std::string(1, '\0') + "Kestrova,03," +
                                    kFields + "dhcp" + std::string(1, '\0')),
                     DatagramKind::Setup, "more than one package"},
        DatagramCase{"NoNul", EncodeWireText("Kestrova,03," + kFields + "static"), DatagramKind::Setup,
                     "the package has no end"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RelayDatagrams, ASetupCarriesTheRequestTheDialogWouldHaveSent) {
    const RelayDatagram read = ReadRelayDatagram(Wire("Kestrova,03," + kFields + "static"));
    ASSERT_TRUE(read.refusal.empty()) << read.refusal;
    // Built again from the request, the package is the one that came.
    EXPECT_EQ(RecordPackageText(kFlagNetworkSetup, MakeControlRecord(read.request)),
              "Kestrova,03," + kFields + "static");
}

TEST(RelayDatagrams, TheWindowsOwnRelayQueryIsOne) {
    FakeWindow form;
    std::vector<char> query(kWireBufferSize, '\0');
    ASSERT_EQ(MakePlainPkg(form, kFlagRelayQuery, query.data(), nullptr), 0);
    EXPECT_EQ(ReadRelayDatagram(query.data()).kind, DatagramKind::RelayQuery);
    EXPECT_EQ(ReadTcpRequest(query.data()), TcpRequest::RelayQuery);
}

TEST(RelayTcpRequest, IsAQueryOnceItsPackageIsWhole) {
    const std::string query = Wire("Kestrova,02,????");
    for (std::size_t n = 0; n + 1 < query.size(); ++n)
        EXPECT_EQ(ReadTcpRequest(query.substr(0, n)), TcpRequest::Incomplete) << n;
    EXPECT_EQ(ReadTcpRequest(query), TcpRequest::RelayQuery);
    EXPECT_EQ(ReadTcpRequest(Wire("Kestrova,00,????")), TcpRequest::Other);
    EXPECT_EQ(ReadTcpRequest(std::string(kTcpRequestLimit, 'A')), TcpRequest::Other) << "nothing whole in 1 KiB";
}

struct HeadCase {
    const char* name;
    std::string received;
    HttpRequestHead::State state;
    std::string method;
    std::string target;
};
void PrintTo(const HeadCase& c, std::ostream* os) { *os << c.name; }

class RelayHttpHead : public testing::TestWithParam<HeadCase> {};

TEST_P(RelayHttpHead, IsReadFromItsRequestLine) {
    const HttpRequestHead head = ReadHttpRequestHead(GetParam().received);
    EXPECT_EQ(head.state, GetParam().state);
    EXPECT_EQ(head.method, GetParam().method);
    EXPECT_EQ(head.target, GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, RelayHttpHead,
    testing::Values(HeadCase{"Whole", "GET /device.get?DeviceType=ALL HTTP/1.1\r\nHost: r\r\n\r\n",
                             HttpRequestHead::State::Complete, "GET", "/device.get?DeviceType=ALL"},
                    HeadCase{"BareLineEnds", "GET /x HTTP/1.0\n\n", HttpRequestHead::State::Complete, "GET", "/x"},
                    HeadCase{"NotYetEnded", "GET /device.get HTTP/1.1\r\nHost: r\r\n",
                             HttpRequestHead::State::Incomplete, "", ""},
                    HeadCase{"NoVersion", "GET /x\r\n\r\n", HttpRequestHead::State::Malformed, "", ""},
                    HeadCase{"TwoBlanks", "GET  /x HTTP/1.1\r\n\r\n", HttpRequestHead::State::Malformed, "", ""},
                    HeadCase{"ControlInTarget", std::string("GET /x\x01y HTTP/1.1\r\n\r\n"),
                             HttpRequestHead::State::Malformed, "", ""},
                    HeadCase{"EndlessHead", "GET /x HTTP/1.1\r\n" + std::string(kHttpHeadLimit, 'a'),
                             HttpRequestHead::State::TooLarge, "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
