// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/display_check.h"

#include <map>

#include <gtest/gtest.h>

namespace {

struct DisplayCase {
    const char* name;
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    bool named;
};

class DisplayCheck : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, RefusesOnlyWhereThePlatformNeedsAnUnnamedDisplay) {
    const auto& env = GetParam().env;
    const bool named = DisplayNamed(GetParam().args, [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(named, GetParam().named);
}

INSTANTIATE_TEST_SUITE_P(
    , DisplayCheck,
    testing::Values(
        DisplayCase{"Nothing", {}, {}, false}, DisplayCase{"EmptyDisplay", {}, {{"DISPLAY", ""}}, false},
        DisplayCase{"X11", {}, {{"DISPLAY", ":0"}}, true},
        DisplayCase{"Wayland", {}, {{"WAYLAND_DISPLAY", "wayland-0"}}, true},
        DisplayCase{"Offscreen", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, true},
        DisplayCase{"XcbWithoutDisplay", {}, {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "w"}}, false},
        DisplayCase{"FallbackList", {}, {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}, true},
        DisplayCase{"ArgumentBeatsEnvironment", {"-platform", "offscreen"}, {{"QT_QPA_PLATFORM", "xcb"}}, true},
        DisplayCase{"ArgumentNeedsDisplay", {"-platform", "xcb:foo=1"}, {{"QT_QPA_PLATFORM", "offscreen"}}, false}),
    [](const testing::TestParamInfo<DisplayCase>& param) { return std::string(param.param.name); });

}  // namespace
