// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/posix_time_zone.h"

#include <cctype>
#include <chrono>

namespace {

using namespace std::chrono;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}
    bool AtEnd() const { return at_ == text_.size(); }
    bool Take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    // Three or more letters, or <...> of letters, digits, + and -.
    std::optional<std::string> Name() {
        const std::size_t begin = at_;
        if (Take('<')) {
            while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) != 0 ||
                                          text_[at_] == '+' || text_[at_] == '-'))
                ++at_;
            const std::size_t length = at_ - begin - 1;
            if (!Take('>') || length < 3) return std::nullopt;
            return std::string(text_.substr(begin + 1, length));
        }
        while (at_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
        if (at_ - begin < 3) return std::nullopt;
        return std::string(text_.substr(begin, at_ - begin));
    }

    // A number of 1..digits digits.
    std::optional<int> Number(int digits) {
        int value = 0;
        int read = 0;
        while (read < digits && std::isdigit(static_cast<unsigned char>(Peek())) != 0) {
            value = value * 10 + (text_[at_++] - '0');
            ++read;
        }
        return read == 0 ? std::nullopt : std::optional(value);
    }

    // [+-]h[h][:mm[:ss]], hours up to `maxHours`, in seconds.
    std::optional<int> Duration(int maxHours) {
        const bool negative = Take('-');
        if (!negative) Take('+');
        const auto hours = Number(3);
        if (!hours || *hours > maxHours) return std::nullopt;
        int seconds = *hours * 3600;
        for (int factor : {60, 1}) {
            if (!Take(':')) break;
            const auto part = Number(2);
            if (!part || *part > 59) return std::nullopt;
            seconds += *part * factor;
        }
        return negative ? -seconds : seconds;
    }

    // Mm.w.d[/t]
    std::optional<PosixTransition> Transition() {
        PosixTransition rule;
        if (!Take('M')) return std::nullopt;
        const auto month = Number(2);
        if (!month || *month < 1 || *month > 12 || !Take('.')) return std::nullopt;
        const auto week = Number(1);
        if (!week || *week < 1 || *week > 5 || !Take('.')) return std::nullopt;
        const auto weekday = Number(1);
        if (!weekday || *weekday > 6) return std::nullopt;
        rule = {*month, *week, *weekday, 7200};
        if (Take('/')) {
            // The extension of RFC 8536: hours from -167 to 167.
            const auto time = Duration(167);
            if (!time) return std::nullopt;
            rule.seconds = *time;
        }
        return rule;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// The wall-clock second of the change in `y`.
std::int64_t TransitionWall(const PosixTransition& rule, year y) {
    const weekday day{static_cast<unsigned>(rule.weekday)};
    const month m{static_cast<unsigned>(rule.month)};
    const sys_days date = rule.week == 5 ? sys_days(year_month_weekday_last(y, m, weekday_last(day)))
                                         : sys_days(year_month_weekday(y, m, day[static_cast<unsigned>(rule.week)]));
    return duration_cast<seconds>(date.time_since_epoch()).count() + rule.seconds;
}

}  // namespace

std::optional<PosixTimeZone> ParsePosixTimeZone(std::string_view text) {
    Reader in(text);
    PosixTimeZone zone;
    const auto standard = in.Name();
    if (!standard) return std::nullopt;
    const auto offset = in.Duration(24);
    if (!offset) return std::nullopt;
    zone.standardName = *standard;
    zone.standardOffset = *offset;
    if (in.AtEnd()) return zone;
    PosixTimeZone::Summer summer;
    const auto name = in.Name();
    if (!name) return std::nullopt;
    summer.name = *name;
    summer.offset = zone.standardOffset - 3600;
    if (in.Peek() != ',') {
        const auto own = in.Duration(24);
        if (!own) return std::nullopt;
        summer.offset = *own;
    }
    if (!in.Take(',')) return std::nullopt;  // the rules are the C library's guess without them
    const auto start = in.Transition();
    if (!start || !in.Take(',')) return std::nullopt;
    const auto end = in.Transition();
    if (!end || !in.AtEnd()) return std::nullopt;
    summer.start = *start;
    summer.end = *end;
    zone.summer = summer;
    return zone;
}

std::int64_t PosixLocalToUtc(const PosixTimeZone& zone, std::int64_t wallSeconds) {
    if (!zone.summer) return wallSeconds + zone.standardOffset;
    const PosixTimeZone::Summer& summer = *zone.summer;
    const year y = year_month_day(floor<days>(sys_seconds(seconds(wallSeconds)))).year();
    const std::int64_t start = TransitionWall(summer.start, y);
    const std::int64_t end = TransitionWall(summer.end, y);
    // South of the equator summer spans the turn of the year.
    const bool inSummer =
        start < end ? wallSeconds >= start && wallSeconds < end : wallSeconds >= start || wallSeconds < end;
    return wallSeconds + (inSummer ? summer.offset : zone.standardOffset);
}
