#include "report/report_json.h"

#include <cmath>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned min = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    unsigned code = c & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        code = (code << 6) | (d & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

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

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
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
    w.Key("method");
    w.Value(r.method);
    w.Key("transport");
    w.Value(r.transport);
    w.Key("relay");
    w.Value(r.relay);
    w.Key("filter");
    w.Value(r.filter);
    w.Key("seconds");
    w.Number(r.seconds);
    w.Close('}');

    w.Key("cards");
    w.Open('[');
    for (const CardReport& c : r.cards) {
        w.Open('{');
        w.Key("name");
        w.Value(c.name);
        w.Key("address");
        w.Value(c.address);
        w.Key("netmask");
        w.Value(c.netmask);
        w.Key("queries");
        w.Value(c.queries);
        w.Key("failed_sends");
        w.Value(c.failedSends);
        w.Close('}');
    }
    w.Close(']');

    const ReplyCounters& k = r.replies;
    w.Key("replies");
    w.Open('{');
    w.Key("datagrams");
    w.Value(r.datagrams);
    w.Key("bytes");
    w.Value(r.bytes);
    w.Key("packages");
    w.Value(k.packages);
    w.Key("devices");
    w.Value(k.devices);
    w.Key("duplicates");
    w.Value(k.duplicates);
    w.Key("hidden_by_filter");
    w.Value(k.hiddenByFilter);
    w.Key("rejected");
    w.Value(k.Rejected());
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
    w.Key("answered");
    w.Value(r.upnp.answered);
    w.Key("kept");
    w.Value(r.upnp.kept);
    w.Key("skipped");
    w.Open('[');
    for (const UpnpSkipped& s : r.upnp.skipped) {
        w.Open('{');
        w.Key("manufacturer");
        w.Value(s.manufacturer);
        w.Key("friendly_name");
        w.Value(s.friendlyName);
        w.Key("ip");
        w.Value(s.ip);
        w.Close('}');
    }
    w.Close(']');
    w.Close('}');

    // Only a search with an ONVIF part has one.
    if (r.onvif) {
        w.Key("onvif");
        w.Open('{');
        w.Key("matches");
        w.Value(r.onvif->matches);
        w.Key("devices");
        w.Value(r.onvif->devices);
        w.Key("malformed");
        w.Value(r.onvif->malformed);
        w.Close('}');
    }

    w.Key("problems");
    w.Open('[');
    for (const Problem& p : r.problems) {
        w.Open('{');
        w.Key("code");
        w.Value(p.code);
        w.Key("text");
        w.Value(p.text);
        w.Key("fix");
        w.Value(p.fix);
        w.Close('}');
    }
    w.Close(']');

    w.Key("outside_networks");
    w.Open('[');
    for (const std::string& ip : r.outsideNetworks) w.Value(ip);
    w.Close(']');
    w.Close('}');
    return w.out + "\n";
}
