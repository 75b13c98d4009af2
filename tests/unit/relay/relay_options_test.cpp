// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_options.h"

#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

namespace {

struct ArgsCase {
    const char* name;
    std::vector<std::string> args;
    RelayAction action;
    std::string error;  // part of it, for UsageError
};
void PrintTo(const ArgsCase& c, std::ostream* os) { *os << c.name; }

class RelayArguments : public testing::TestWithParam<ArgsCase> {};

TEST_P(RelayArguments, AreReadOrRefusedWithAReason) {
    const RelayCommandLine parsed = ParseRelayArguments(GetParam().args);
    EXPECT_EQ(parsed.action, GetParam().action) << parsed.error;
    if (GetParam().action == RelayAction::UsageError) {
        EXPECT_NE(parsed.error.find(GetParam().error), std::string::npos) << parsed.error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RelayArguments,
    testing::Values(ArgsCase{"Nothing", {}, RelayAction::Run, ""},
                    ArgsCase{"Check", {"--check"}, RelayAction::Check, ""},
                    ArgsCase{"Help", {"--allow", "x", "--help"}, RelayAction::Help, ""},
                    ArgsCase{"Version", {"--version"}, RelayAction::Version, ""},
                    ArgsCase{"Unknown", {"--port", "7"}, RelayAction::UsageError, "--port"},
                    ArgsCase{"Stray", {"eth0"}, RelayAction::UsageError, "eth0"},
                    ArgsCase{"MissingValue", {"--allow"}, RelayAction::UsageError, "--allow needs a value"},
                    ArgsCase{"FlagWithValue", {"--allow-setup=yes"}, RelayAction::UsageError, "--allow-setup=yes"},
                    ArgsCase{"ShortAddress", {"--allow", "198.51.100"}, RelayAction::UsageError, "\"198.51.100\""},
                    ArgsCase{"OctalAddress", {"--allow", "0300.51.100.1"}, RelayAction::UsageError, "0300.51.100.1"},
                    ArgsCase{"PrefixTooLong", {"--allow", "198.51.100.0/33"}, RelayAction::UsageError, "/33"},
                    ArgsCase{"OneBadNetworkOfTwo", {"--allow", "198.51.100.0/24,x"}, RelayAction::UsageError, "\"x\""},
                    ArgsCase{"CacheTooLong", {"--cache-seconds", "3601"}, RelayAction::UsageError, "0 to 3600"},
                    ArgsCase{"CacheNegative", {"--cache-seconds", "-1"}, RelayAction::UsageError, "0 to 3600"},
                    ArgsCase{"PortTooHigh", {"--http-port", "65536"}, RelayAction::UsageError, "--http-port"},
                    ArgsCase{"EmptyCardName", {"--interface", "eth0,"}, RelayAction::UsageError, "--interface"},
                    ArgsCase{"CardNameWithSlash", {"--interface", "../x"}, RelayAction::UsageError, "--interface"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RelayArguments, ValuesAreTakenTheLastOneGivenWinning) {
    const RelayCommandLine parsed = ParseRelayArguments({"--interface", "eth0,eth1", "--cache-seconds", "0", "--allow",
                                                         "198.51.100.7/24,203.0.113.9", "--allow-setup", "--http-port",
                                                         "8080", "--http-port", "0"});
    ASSERT_EQ(parsed.action, RelayAction::Run) << parsed.error;
    const RelayOptions& o = parsed.options;
    EXPECT_EQ(o.interfaces, (std::vector<std::string>{"eth0", "eth1"}));
    EXPECT_EQ(o.cacheSeconds, 0);
    ASSERT_TRUE(o.allow.has_value());
    ASSERT_EQ(o.allow->size(), 2u);
    // Host bits name the subnet; a bare address is itself alone.
    EXPECT_EQ(CidrText((*o.allow)[0]), "198.51.100.0/24");
    EXPECT_EQ(CidrText((*o.allow)[1]), "203.0.113.9/32");
    EXPECT_TRUE(o.allowSetup);
    EXPECT_EQ(o.httpPort, 0);
    EXPECT_FALSE(ParseRelayArguments({}).options.allow.has_value()) << "no --allow: the host's own subnets";
}

TEST(RelayConfigFile, LinesBecomeTheOptionsTheyName) {
    std::string error;
    const auto args = ConfigArguments(
        "# the site's relay\n"
        "interface  eth1   \n"
        "\n"
        "allow 198.51.100.0/24,203.0.113.0/24 # two offices\n"
        "allow-setup\r\n"
        "cache-seconds\t10\n",
        error);
    ASSERT_TRUE(args.has_value()) << error;
    EXPECT_EQ(*args, (std::vector<std::string>{"--interface", "eth1", "--allow", "198.51.100.0/24,203.0.113.0/24",
                                               "--allow-setup", "--cache-seconds", "10"}));
    for (const auto& [word, given] : std::vector<std::pair<std::string, bool>>{
             {"yes", true}, {"true", true}, {"on", true}, {"1", true}, {"no", false}, {"off", false}, {"0", false}}) {
        const auto flag = ConfigArguments("allow-setup " + word, error);
        ASSERT_TRUE(flag.has_value()) << word;
        EXPECT_EQ(flag->size(), given ? 1u : 0u) << word;
    }
}

// The example the package installs says nothing as it stands, and every
// option it shows is one the relay takes once its '#' is gone.
TEST(RelayConfigFile, TheInstalledExampleReadsBothAsItStandsAndFilledIn) {
    std::ifstream file(LANVARO_RELAY_EXAMPLE);
    std::ostringstream text;
    text << file.rdbuf();
    ASSERT_FALSE(text.str().empty());
    std::string error;
    const auto asItStands = ConfigArguments(text.str(), error);
    ASSERT_TRUE(asItStands.has_value()) << error;
    EXPECT_TRUE(asItStands->empty());

    const std::string filledIn = std::regex_replace(text.str(), std::regex("^#([a-z])", std::regex::multiline), "$1");
    const auto options = ConfigArguments(filledIn, error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->size(), 9u) << "four options with values and one flag";
    const RelayCommandLine parsed = ParseRelayArguments(*options);
    EXPECT_EQ(parsed.action, RelayAction::Run) << parsed.error;
    EXPECT_TRUE(parsed.options.allowSetup);
}

TEST(RelayConfigFile, RefusesWhatItMayNotHoldNamingTheLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{{"\nbogus 1\n", "line 2: unknown option \"bogus\""},
                                           {"check\n", "line 1: unknown option \"check\""},
                                           {"config /etc/other.conf\n", "line 1: unknown option \"config\""},
                                           {"--allow 198.51.100.0/24\n", "line 1: unknown option \"--allow\""},
                                           {"allow\n", "line 1: allow needs a value"},
                                           {"allow-setup maybe\n", "line 1: allow-setup takes yes or no"}}) {
        std::string error;
        EXPECT_FALSE(ConfigArguments(c.text, error).has_value()) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

TEST(RelayConfigFile, IsReadFirstSoTheCommandLineOverridesIt) {
    std::vector<std::string> asked;
    auto files = [&](const std::string& path) -> std::optional<std::string> {
        asked.push_back(path);
        if (path == kRelayConfigPath || path == "/srv/relay.conf") return "http-port 8080\nallow-setup\n";
        return std::nullopt;
    };
    RelayCommandLine parsed = LoadRelayCommandLine({"--http-port", "9090"}, files);
    ASSERT_EQ(parsed.action, RelayAction::Run) << parsed.error;
    EXPECT_EQ(parsed.options.httpPort, 9090);
    EXPECT_TRUE(parsed.options.allowSetup);
    EXPECT_EQ(asked, std::vector<std::string>{kRelayConfigPath});

    parsed = LoadRelayCommandLine({"--config", "/srv/relay.conf", "--check"}, files);
    EXPECT_EQ(parsed.action, RelayAction::Check) << parsed.error;
    EXPECT_EQ(parsed.options.httpPort, 8080);

    // The default file may be missing; a file named on purpose may not.
    auto none = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_EQ(LoadRelayCommandLine({}, none).action, RelayAction::Run);
    parsed = LoadRelayCommandLine({"--config", "/srv/missing.conf"}, none);
    EXPECT_EQ(parsed.action, RelayAction::UsageError);
    EXPECT_EQ(parsed.error, "cannot read /srv/missing.conf");

    // A bad line, or a bad value, is blamed on the file.
    auto broken = [](const std::string&) -> std::optional<std::string> { return "allow 198.51.100\n"; };
    parsed = LoadRelayCommandLine({}, broken);
    EXPECT_EQ(parsed.action, RelayAction::UsageError);
    EXPECT_EQ(parsed.error.rfind(std::string(kRelayConfigPath) + ": --allow", 0), 0u) << parsed.error;
}

}  // namespace
