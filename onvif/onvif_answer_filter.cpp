// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_answer_filter.h"

bool IsOnvifDeviceAnswer(const DiscoveryMessage& message, const DiscoveryEntry& entry, const AnswerArrival& arrival) {
    switch (message.kind) {
        case DiscoveryKind::Hello:
            return HoldsOnvifType(entry.device.types);
        case DiscoveryKind::ProbeMatches: {
            const bool answersThisSearch =
                message.relatesTo.empty() ? arrival.toProbingSocket : arrival.answersOwnProbe;
            return answersThisSearch && (!entry.statesTypes || HoldsOnvifType(entry.device.types));
        }
        default:
            return false;
    }
}
