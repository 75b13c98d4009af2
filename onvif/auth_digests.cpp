// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/auth_digests.h"

#include <memory>

#include <glib.h>

namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

struct ChecksumFree {
    void operator()(GChecksum* c) const { g_checksum_free(c); }
};

std::unique_ptr<GChecksum, ChecksumFree> NewChecksum(GChecksumType type) {
    return std::unique_ptr<GChecksum, ChecksumFree>(g_checksum_new(type));
}

void Feed(GChecksum* checksum, std::string_view bytes) {
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(bytes.data()), static_cast<gssize>(bytes.size()));
}

std::string Hex(GChecksumType type, std::string_view bytes) {
    auto checksum = NewChecksum(type);
    Feed(checksum.get(), bytes);
    return g_checksum_get_string(checksum.get());
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
    std::unique_ptr<gchar, GFreeDeleter> text(
        g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
    return text ? std::string(text.get()) : std::string();
}

std::optional<std::string> Base64Decode(std::string_view text) {
    const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    // g_base64_decode skips what it does not know; a digest of such text
    // would be compared against bytes the sender never meant.
    if (text.size() % 4 != 0 || text.find_first_not_of(alphabet) != std::string_view::npos) return std::nullopt;
    const std::string copy(text);
    gsize length = 0;
    std::unique_ptr<guchar, GFreeDeleter> bytes(g_base64_decode(copy.c_str(), &length));
    if (!bytes && !copy.empty()) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes.get()), length);
}

std::string WsSecurityPasswordDigest(std::string_view nonce, std::string_view created, std::string_view password) {
    auto sha1 = NewChecksum(G_CHECKSUM_SHA1);
    Feed(sha1.get(), nonce);
    Feed(sha1.get(), created);
    Feed(sha1.get(), password);
    guint8 digest[20];
    gsize length = sizeof digest;
    g_checksum_get_digest(sha1.get(), digest, &length);
    return Base64Encode(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string HttpDigestResponse(const HttpDigestInput& in) {
    GChecksumType type;
    if (in.algorithm == "MD5")
        type = G_CHECKSUM_MD5;
    else if (in.algorithm == "SHA-256")
        type = G_CHECKSUM_SHA256;
    else
        return {};
    const std::string ha1 = Hex(type, in.user + ":" + in.realm + ":" + in.password);
    const std::string ha2 = Hex(type, in.method + ":" + in.uri);
    return Hex(type, ha1 + ":" + in.nonce + ":" + in.nc + ":" + in.cnonce + ":" + in.qop + ":" + ha2);
}
