// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/plain_package.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/package_codec.h"
#include "protocol/text_format.h"

namespace {

constexpr char kQueryPayload[] = "????";

}  // namespace

std::string RecordPackageText(int flag, const tComUnitInfo& info) {
    std::string text = StrFormat("%s,%02d", kProtocolToken, flag);
    for (int i = 0; i < kComUnitFieldCount; ++i) {
        text += ',';
        text += ComUnitFieldText(ComUnitField(info, i), ComUnitFieldWidth(i));
    }
    return text;
}

int MakePlainPkg(WindowOps& form, int flag, char* out, const tComUnitInfo* pInfo) {
    // Heap, not stack: callers include worker threads with small stacks.
    std::vector<char> work(kWireBufferSize, '\0');
    switch (flag) {
        case kFlagLocalQuery:
        case kFlagRelayQuery:
            std::snprintf(work.data(), work.size(), "%s,%02d,%s", kProtocolToken, flag, kQueryPayload);
            break;
        case kFlagDeviceInfo:
        case kFlagNetworkSetup: {
            if (pInfo == nullptr) {
                form.Log(StrFormat("Invalid pInfo [%d]", flag));
                break;
            }
            const std::string text = RecordPackageText(flag, *pInfo);
            // Far below the buffer size: the fields are 264 bytes in all.
            std::memcpy(work.data(), text.data(), std::min(text.size(), work.size() - 1));
            form.Log(StrFormat("[%s]", work.data()));
            break;
        }
        default:
            form.Log(StrFormat("Undefined flag = %d", flag));
            break;
    }

    const int n = static_cast<int>(std::strlen(work.data()));
    if (n == 0 || out == nullptr) return -1;
    InvertBytes(work.data(), n + 1);
    return Base64Encode(out, reinterpret_cast<const unsigned char*>(work.data()), n + 1) > 0 ? 0 : -1;
}
