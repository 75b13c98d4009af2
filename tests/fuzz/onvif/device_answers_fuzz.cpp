// SPDX-License-Identifier: GPL-3.0-or-later
// Any HTTP body a camera's device service sends back: every reader takes it,
// and what a reader calls a response never carries a problem.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "onvif/device_answers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    auto check = [](const SoapAnswer& answer) {
        if (answer.kind == SoapAnswerKind::Response && !answer.problem.empty()) __builtin_trap();
        if (answer.kind != SoapAnswerKind::Response && answer.problem.empty()) __builtin_trap();
    };
    CameraClock clock;
    check(ReadDateTimeAnswer(body, clock));
    std::string hostname;
    check(ReadHostnameAnswer(body, hostname));
    OnvifDeviceFacts facts;
    check(ReadDeviceInformationAnswer(body, facts));
    check(ReadNetworkInterfacesAnswer(body, facts.interfaces));
    if (facts.interfaces.size() > 64) __builtin_trap();
    check(ReadGatewayAnswer(body, facts.gateway));
    check(ReadDnsAnswer(body, facts.dns));
    bool reboot = false;
    check(ReadSetNetworkInterfacesAnswer(body, reboot));
    std::vector<OnvifUser> users;
    check(ReadUsersAnswer(body, users));
    if (users.size() > 64) __builtin_trap();
    return 0;
}
