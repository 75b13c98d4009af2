// SPDX-License-Identifier: GPL-3.0-or-later
// A camera's POSIX TZ text and the UTC of its local time: summer time on
// both sides of the equator, at the changes, and texts that are no POSIX zone.

#include "onvif/posix_time_zone.h"

#include <chrono>

#include <gtest/gtest.h>

#include "onvif/soap_request.h"

namespace {

using namespace std::chrono;

struct ZoneCase {
    const char* name;
    const char* tz;
    sys_seconds local;  // the wall clock, counted as if it were UTC
    const char* utc;    // empty: not read as a POSIX zone
};

class PosixZone : public testing::TestWithParam<ZoneCase> {};

TEST_P(PosixZone, GivesTheUtcOfALocalTime) {
    const auto zone = ParsePosixTimeZone(GetParam().tz);
    if (*GetParam().utc == '\0') {
        EXPECT_FALSE(zone) << GetParam().tz;
        return;
    }
    ASSERT_TRUE(zone) << GetParam().tz;
    const auto utc = PosixLocalToUtc(*zone, GetParam().local.time_since_epoch().count());
    EXPECT_EQ(FormatUtc(system_clock::time_point(seconds(utc))), GetParam().utc);
}

constexpr sys_seconds At(int y, unsigned m, unsigned d, int h, int min = 0) {
    return sys_days(year(y) / month(m) / day(d)) + hours(h) + minutes(min);
}

INSTANTIATE_TEST_SUITE_P(
    , PosixZone,
    testing::Values(
        ZoneCase{"Fixed", "UTC0", At(2026, 5, 1, 12), "2026-05-01T12:00:00Z"},
        ZoneCase{"EastOfGreenwichIsNegative", "CST-8", At(2026, 5, 1, 12), "2026-05-01T04:00:00Z"},
        ZoneCase{"QuotedNameAndMinutes", "<+0530>-5:30", At(2026, 5, 1, 12), "2026-05-01T06:30:00Z"},
        ZoneCase{"Winter", "CET-1CEST,M3.5.0,M10.5.0/3", At(2026, 1, 10, 12), "2026-01-10T11:00:00Z"},
        ZoneCase{"Summer", "CET-1CEST,M3.5.0,M10.5.0/3", At(2026, 7, 10, 12), "2026-07-10T10:00:00Z"},
        // 29 March 2026 is the last Sunday of March: 02:00 becomes 03:00.
        ZoneCase{"JustBeforeTheChange", "CET-1CEST,M3.5.0,M10.5.0/3", At(2026, 3, 29, 1, 59), "2026-03-29T00:59:00Z"},
        ZoneCase{"JustAfterTheChange", "CET-1CEST,M3.5.0,M10.5.0/3", At(2026, 3, 29, 3), "2026-03-29T01:00:00Z"},
        ZoneCase{"AmericanSecondSunday", "EST5EDT,M3.2.0,M11.1.0", At(2026, 3, 8, 3), "2026-03-08T07:00:00Z"},
        ZoneCase{"SouthernSummerInJanuary", "AEST-10AEDT,M10.1.0,M4.1.0/3", At(2026, 1, 15, 12),
                 "2026-01-15T01:00:00Z"},
        ZoneCase{"SouthernWinterInJuly", "AEST-10AEDT,M10.1.0,M4.1.0/3", At(2026, 7, 15, 12), "2026-07-15T02:00:00Z"},
        ZoneCase{"OwnSummerOffsetAndNegativeTime", "<-03>3<-02>2,M3.5.0/-2,M10.5.0/-1", At(2026, 6, 1, 12),
                 "2026-06-01T14:00:00Z"},
        ZoneCase{"DatabaseName", "Europe/Vienna", At(2026, 5, 1, 12), ""},
        ZoneCase{"SummerWithoutRules", "CET-1CEST", At(2026, 5, 1, 12), ""},
        ZoneCase{"JulianDayRule", "CET-1CEST,J60,J300", At(2026, 5, 1, 12), ""},
        ZoneCase{"NoOffset", "GMT", At(2026, 5, 1, 12), ""},
        ZoneCase{"WeekSix", "CET-1CEST,M3.6.0,M10.5.0", At(2026, 5, 1, 12), ""},
        ZoneCase{"TrailingText", "CET-1CEST,M3.5.0,M10.5.0/3 x", At(2026, 5, 1, 12), ""}),
    [](const testing::TestParamInfo<ZoneCase>& p) { return std::string(p.param.name); });

}  // namespace
