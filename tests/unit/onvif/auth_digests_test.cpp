// SPDX-License-Identifier: GPL-3.0-or-later
// The sign-in digests against published examples.

#include "onvif/auth_digests.h"

#include <gtest/gtest.h>

namespace {

// The UsernameToken example of the ONVIF Application Programmer's Guide.
TEST(WsSecurityDigest, MatchesThePublishedExample) {
    const auto nonce = Base64Decode("LKqI6G/AikKCQrN0zqZFlg==");
    ASSERT_TRUE(nonce);
    EXPECT_EQ(nonce->size(), 16u);
    EXPECT_EQ(WsSecurityPasswordDigest(*nonce, "2010-09-16T07:50:45Z", "userpassword"), "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
}

TEST(Base64, RefusesTextThatIsNotBase64) {
    for (const char* text : {"abc", "ab$=", "YWJj\n", "YW Jj"}) EXPECT_FALSE(Base64Decode(text)) << text;
    EXPECT_EQ(Base64Decode("YWJj").value_or("?"), "abc");
}

struct DigestCase {
    const char* algorithm;
    const char* response;
};

class HttpDigest : public ::testing::TestWithParam<DigestCase> {};

// RFC 7616 section 3.9.1. The MD5 value printed there carries a known
// erratum (its last four digits); this is the corrected one.
TEST_P(HttpDigest, MatchesTheRfcExample) {
    HttpDigestInput in;
    in.algorithm = GetParam().algorithm;
    in.user = "Mufasa";
    in.realm = "http-auth@example.org";
    in.password = "Circle of Life";
    in.method = "GET";
    in.uri = "/dir/index.html";
    in.nonce = "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v";
    in.nc = "00000001";
    in.cnonce = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
    in.qop = "auth";
    EXPECT_EQ(HttpDigestResponse(in), GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc7616, HttpDigest,
    ::testing::Values(DigestCase{"MD5", "8ca523f5e9506fed4657c9700eebdbec"},
                      DigestCase{"SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"},
                      DigestCase{"SHA-512-256", ""}),
    [](const ::testing::TestParamInfo<DigestCase>& p) {
        return p.index == 0 ? "Md5" : p.index == 1 ? "Sha256" : "Unknown";
    });

}  // namespace
