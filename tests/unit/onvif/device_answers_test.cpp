// SPDX-License-Identifier: GPL-3.0-or-later
// Known device-service answers: each tests/data/onvif_device/NAME.xml is the
// body of one HTTP answer, NAME.expected what it reads as. The name's first
// word says which request it answers.

#include "onvif/device_answers.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"
#include "tests/support/data_files.h"

namespace {

const std::filesystem::path kDir = std::filesystem::path(LANVARO_TEST_DATA) / "onvif_device";

std::string Lines(const char* key, const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += std::string(key) + ": " + item + "\n";
    return text;
}

std::string Describe(const std::string& name, std::string_view bytes) {
    std::string facts;
    SoapAnswer answer;
    if (name.starts_with("date_time")) {
        CameraClock clock;
        answer = ReadDateTimeAnswer(bytes, clock);
        facts = "utc: " + FormatUtc(clock.utc) + "\nntp: " + (clock.ntp ? "true" : "false") +
                "\ndaylight-savings: " + (clock.daylightSavings ? "true" : "false") + "\nzone: " + clock.timeZone +
                "\n" + (clock.note.empty() ? "" : "note: " + clock.note + "\n");
    } else if (name.starts_with("hostname")) {
        std::string hostname;
        answer = ReadHostnameAnswer(bytes, hostname);
        facts = "hostname: " + hostname + "\n";
    } else if (name.starts_with("device_information") || name.starts_with("fault")) {
        OnvifDeviceFacts d;
        answer = ReadDeviceInformationAnswer(bytes, d);
        facts = "manufacturer: " + d.manufacturer + "\nmodel: " + d.model + "\nfirmware: " + d.firmware +
                "\nserial: " + d.serial + "\nhardware: " + d.hardwareId + "\n";
    } else if (name.starts_with("network_interfaces")) {
        std::vector<OnvifNetworkInterface> cards;
        answer = ReadNetworkInterfacesAnswer(bytes, cards);
        for (const auto& c : cards)
            facts += "interface: " + c.token + " enabled=" + (c.enabled ? "true" : "false") + " mac=" + c.mac +
                     " dhcp=" + (c.dhcp ? "true" : "false") + " address=" + c.address + "/" +
                     std::to_string(c.prefixLength) + "\n";
    } else if (name.starts_with("gateway")) {
        std::vector<std::string> gateway;
        answer = ReadGatewayAnswer(bytes, gateway);
        facts = Lines("gateway", gateway);
    } else if (name.starts_with("dns")) {
        std::vector<std::string> dns;
        answer = ReadDnsAnswer(bytes, dns);
        facts = Lines("dns", dns);
    } else if (name.starts_with("users")) {
        std::vector<OnvifUser> users;
        answer = ReadUsersAnswer(bytes, users);
        for (const auto& user : users) facts += "user: " + user.name + " " + user.level + "\n";
    } else if (name.starts_with("set_interfaces")) {
        bool reboot = false;
        answer = ReadSetNetworkInterfacesAnswer(bytes, reboot);
        facts = std::string("reboot-needed: ") + (reboot ? "true" : "false") + "\n";
    } else {
        ADD_FAILURE() << "no reader for " << name;
    }
    switch (answer.kind) {
        case SoapAnswerKind::Response:
            EXPECT_TRUE(answer.problem.empty());
            return "kind: response\n" + facts;
        case SoapAnswerKind::Fault:
            return "kind: fault\nproblem: " + answer.problem +
                   "\nnot-authorized: " + (answer.notAuthorized ? "yes" : "no") + "\n";
        case SoapAnswerKind::Unreadable:
            return "kind: unreadable\nproblem: " + answer.problem + "\n";
    }
    return "?";
}

class KnownDeviceAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(KnownDeviceAnswer, ReadsAsExpected) {
    const std::string body = ReadDataFile(kDir / (GetParam() + ".xml"));
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(Describe(GetParam(), body), ReadDataFile(kDir / (GetParam() + ".expected")));
}

INSTANTIATE_TEST_SUITE_P(Files, KnownDeviceAnswer, ::testing::ValuesIn(DataFileNames(kDir, ".xml")),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

// A user name is the user's text: markup in it stays text of the one
// Username element, and the envelope stays well-formed.
TEST(DeviceRequest, UserNameMarkupStaysText) {
    const std::string user = "ad<min>&\"x</wsse:Username><evil/>";
    const std::string envelope = SoapEnvelope("<tds:GetDNS/>", MakeWsseToken(user, "pw", {}));
    std::string problem;
    XmlDocPtr doc = ReadUntrustedXml(envelope, problem);
    ASSERT_TRUE(doc) << problem;
    const xmlNode* header = XmlChild(xmlDocGetRootElement(doc.get()), onvif_ns::kSoap, "Header");
    const xmlNode* token = XmlChild(XmlChild(header, onvif_ns::kWsse, "Security"), onvif_ns::kWsse, "UsernameToken");
    EXPECT_EQ(XmlText(XmlChild(token, onvif_ns::kWsse, "Username")), user);
    EXPECT_EQ(XmlText(XmlChild(token, onvif_ns::kWsu, "Created")), "1970-01-01T00:00:00Z");
}

}  // namespace
