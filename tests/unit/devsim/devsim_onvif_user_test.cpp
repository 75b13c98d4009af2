// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated camera's SetUser: the passwords it refuses in its own words,
// and the one it keeps for later sign-ins.

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "onvif/soap_request.h"
#include "tools/devsim/onvif_camera_soap.h"

namespace {

struct SetUserCase {
    const char* name;
    std::string user;
    std::string password;
    int status;          // of the SetUser answer
    const char* reason;  // a part of the camera's reason; empty when taken
};

class DevsimSetUser : public ::testing::TestWithParam<SetUserCase> {};

OnvifSimAnswer Ask(OnvifSimSettings& camera, const OnvifSimOptions& options, const std::string& password,
                   const std::string& body) {
    OnvifSimNonces nonces;
    OnvifSimRequest request;
    request.method = "POST";
    request.path = "/onvif/device_service";
    const auto now = std::chrono::system_clock::now();
    request.body = SoapEnvelope(body, MakeWsseToken(options.user, password, now));
    return AnswerOnvifRequest(camera, options, nonces, request, now);
}

TEST_P(DevsimSetUser, RefusesWhatItDoesNotTakeAndKeepsWhatItTakes) {
    const SetUserCase& c = GetParam();
    OnvifSimOptions options;
    options.auth = OnvifSimAuth::Wsse;
    OnvifSimSettings camera;
    camera.address = "127.77.0.10";
    const OnvifSimAnswer set = Ask(camera, options, "admin",
                                   "<tds:SetUser><tds:User><tt:Username>" + EscapeXmlText(c.user) +
                                       "</tt:Username><tt:Password>" + EscapeXmlText(c.password) +
                                       "</tt:Password><tt:UserLevel>Administrator</tt:UserLevel></tds:User>"
                                       "</tds:SetUser>");
    EXPECT_EQ(set.status, c.status) << set.body;
    const bool taken = std::string(c.reason).empty();
    if (!taken) {
        EXPECT_NE(set.faultReason.find(c.reason), std::string::npos) << set.faultReason;
        // The camera's words reach terminals and logs: never the password.
        EXPECT_EQ(set.faultReason.find(c.password), std::string::npos) << set.faultReason;
    }
    const std::string users = "<tds:GetUsers/>";
    EXPECT_EQ(Ask(camera, options, c.password, users).status, taken ? 200 : 400) << "the new password";
    EXPECT_EQ(Ask(camera, options, "admin", users).status, taken ? 400 : 200) << "the old password";
}

INSTANTIATE_TEST_SUITE_P(Passwords, DevsimSetUser,
                         ::testing::Values(SetUserCase{"Taken", "admin", "Gr33n-Field.42", 200, ""},
                                           SetUserCase{"EightIsEnough", "admin", "abcdefg8", 200, ""},
                                           SetUserCase{"TooShort", "admin", "Short7!", 400, "too short"},
                                           SetUserCase{"Blank", "admin", "has blank 123", 400, "does not take"},
                                           SetUserCase{"Quote", "admin", "quote\"d12345", 400, "does not take"},
                                           SetUserCase{"NotAscii", "admin", "p\xC3\xA4sswort99", 400, "does not take"},
                                           SetUserCase{"UnknownUser", "operator", "Gr33n-Field.42", 400,
                                                       "no such user"}),
                         [](const ::testing::TestParamInfo<SetUserCase>& row) { return std::string(row.param.name); });

}  // namespace
