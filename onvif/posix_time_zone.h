// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A camera's time zone as POSIX TZ text, "std offset[dst[offset][,Mm.w.d[/t],
// Mm.w.d[/t]]]" ("CET-1CEST,M3.5.0,M10.5.0/3"), read by our own code: the C
// library's tzset acts on the whole process while several camera calls run
// at once, and there is no time-zone database to lean on.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PosixTransition {
    int month = 1;       // 1..12
    int week = 1;        // 1..5, 5 meaning the last
    int weekday = 0;     // 0 Sunday .. 6 Saturday
    int seconds = 7200;  // local time of day the change happens (may be negative or past a day)
};

struct PosixTimeZone {
    std::string standardName;
    // POSIX's sign: seconds to add to local time to get UTC (west of
    // Greenwich is positive, so "CET-1" is -3600).
    int standardOffset = 0;
    struct Summer {
        std::string name;
        int offset = 0;
        PosixTransition start, end;  // start in standard time, end in summer time
    };
    std::optional<Summer> summer;
};

// nullopt for anything else: a zone name of a database ("Europe/Berlin"), a
// summer time without its rules, the Jn and n forms of a rule.
std::optional<PosixTimeZone> ParsePosixTimeZone(std::string_view text);

// The UTC of a wall-clock time of the zone, both as seconds since the epoch
// (the wall clock counted as if it were UTC). The hour a change repeats or
// skips counts as summer time.
std::int64_t PosixLocalToUtc(const PosixTimeZone& zone, std::int64_t wallSeconds);
