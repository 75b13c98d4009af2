// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which WS-Discovery answers stand for ONVIF devices of this search. The
// group also carries computers (wsdd), printers and answers to other
// programs' probes: those are counted, never listed.

#include "onvif/discovery_message.h"

struct AnswerArrival {
    // The message's RelatesTo is the MessageID of one of this search's probes.
    bool answersOwnProbe = false;
    // It came to a socket that sent probes (not to the group's port).
    bool toProbingSocket = false;
};

// A Hello: when its Types hold an ONVIF type. A ProbeMatches: when it answers
// this search (its RelatesTo, or lacking one, the socket it came to), and
// then unless it states Types holding neither ONVIF type. Nothing else.
bool IsOnvifDeviceAnswer(const DiscoveryMessage& message, const DiscoveryEntry& entry, const AnswerArrival& arrival);
