// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_json.h"

#include <cmath>
#include <cstdio>

#include "protocol/utf8_text.h"

namespace {

class Writer {
public:
    std::string out;
    void Key(const char* key) {
        Comma();
        out += JsonString(key) + ": ";
        fresh_ = true;
    }
    void Open(char bracket) {
        Comma();
        out += bracket;
        fresh_ = true;
    }
    void Close(char bracket) {
        out += bracket;
        fresh_ = false;
    }
    void Value(const std::string& text) { Raw(JsonString(text)); }
    void Value(long long n) { Raw(std::to_string(n)); }
    void Bool(bool b) { Raw(b ? "true" : "false"); }
    void Value(const std::vector<std::string>& texts) {
        Open('[');
        for (const std::string& text : texts) Value(text);
        Close(']');
    }
    template <typename T>
    void Field(const char* key, const T& value) {
        Key(key);
        Value(value);
    }
    void Number(double d) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", std::isfinite(d) ? d : 0.0);
        Raw(text);
    }

private:
    void Raw(const std::string& text) {
        Comma();
        out += text;
        fresh_ = false;
    }
    void Comma() {
        if (!fresh_ && !out.empty()) out += ", ";
        fresh_ = false;
    }
    bool fresh_ = true;
};

}  // namespace

std::string JsonString(const std::string& text, StrayByte stray) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", stray == StrayByte::Latin1 ? c : 0xFFFDu);
            out += escaped;
            ++i;
            continue;
        }
        if (const unsigned c1 = Utf8C1At(text, i, n); c1 != 0) {
            // Valid JSON raw, yet a terminal showing the file would obey it.
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c1);
            out += escaped;
        } else if (n > 1) {
            out.append(text, i, n);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
        i += n;
    }
    return out + "\"";
}

std::string ReportJson(const SearchReport& r) {
    Writer w;
    w.Open('{');
    w.Key("search");
    w.Open('{');
    w.Field("method", r.method);
    w.Field("transport", r.transport);
    w.Field("relay", r.relay);
    w.Field("filter", r.filter);
    w.Key("seconds");
    w.Number(r.seconds);
    w.Close('}');

    w.Key("cards");
    w.Open('[');
    for (const CardReport& c : r.cards) {
        w.Open('{');
        w.Field("name", c.name);
        w.Field("address", c.address);
        w.Field("netmask", c.netmask);
        w.Field("queries", c.queries);
        w.Field("failed_sends", c.failedSends);
        w.Close('}');
    }
    w.Close(']');

    const ReplyCounters& k = r.replies;
    w.Key("replies");
    w.Open('{');
    w.Field("datagrams", r.datagrams);
    w.Field("bytes", r.bytes);
    w.Field("packages", k.packages);
    w.Field("devices", k.devices);
    w.Field("duplicates", k.duplicates);
    w.Field("hidden_by_filter", k.hiddenByFilter);
    w.Field("rejected", k.Rejected());
    w.Key("rejected_reasons");
    w.Open('{');
    for (int i = 0; i < kRejectReasonCount; ++i) {
        const int count = k.rejects[static_cast<std::size_t>(i)].count;
        if (count == 0) continue;
        w.Key(RejectReasonKey(static_cast<RejectReason>(i)));
        w.Value(count);
    }
    w.Close('}');
    w.Close('}');

    w.Key("upnp");
    w.Open('{');
    w.Field("answered", r.upnp.answered);
    w.Field("kept", r.upnp.kept);
    w.Key("skipped");
    w.Open('[');
    for (const UpnpSkipped& s : r.upnp.skipped) {
        w.Open('{');
        w.Field("manufacturer", s.manufacturer);
        w.Field("friendly_name", s.friendlyName);
        w.Field("ip", s.ip);
        w.Close('}');
    }
    w.Close(']');
    w.Close('}');

    // Only a search with an ONVIF part has one.
    if (r.onvif) {
        w.Key("onvif");
        w.Open('{');
        w.Field("matches", r.onvif->matches);
        w.Field("devices", r.onvif->devices);
        w.Field("malformed", r.onvif->malformed);
        w.Field("cut", r.onvif->cut);
        w.Field("other", r.onvif->other);
        w.Close('}');
    }

    // Only an Address Range search has one.
    if (r.range) {
        const RangeReport& range = *r.range;
        w.Key("range");
        w.Open('{');
        w.Field("ranges", range.ranges);
        w.Field("addresses", range.addresses);
        w.Field("datagrams", range.datagrams);
        w.Key("seconds");
        w.Number(range.seconds);
        w.Field("rounds", range.rounds);
        w.Field("up_without_service", range.upWithoutService);
        w.Field("failed_sends", range.failedSends);
        w.Field("slowdowns", range.slowdowns);
        w.Field("on_link_addresses", range.onLinkAddresses);
        w.Field("on_link_per_second", range.onLinkPerSecond);
        w.Field("neighbour_limit", range.neighbourLimit);
        w.Key("stopped");
        w.Bool(range.stopped);
        w.Close('}');
    }

    w.Key("problems");
    w.Open('[');
    for (const Problem& p : r.problems) {
        w.Open('{');
        w.Field("code", p.code);
        w.Field("text", p.text);
        w.Field("fix", p.fix);
        w.Close('}');
    }
    w.Close(']');

    w.Field("outside_networks", r.outsideNetworks);

    w.Key("address_conflicts");
    w.Open('[');
    for (const AddressConflict& c : r.addressConflicts) {
        w.Open('{');
        w.Field("ip", c.ip);
        w.Field("macs", c.macs);
        w.Close('}');
    }
    w.Close(']');
    w.Close('}');
    return w.out + "\n";
}
