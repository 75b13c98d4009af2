#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# relay_service_test.sh UNIT: the relay's systemd unit as built (its
# ExecStart naming the built program) passes systemd-analyze, and keeps the
# confinement a dynamic user binding port 80 needs.
set -euo pipefail
unit=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v systemd-analyze >/dev/null || { echo "systemd-analyze not installed (package systemd)"; exit 77; }
# The manual page is not installed in the build tree; the package test checks it.
out=$(systemd-analyze verify --man=no "$unit" 2>&1) || fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify warns: $out"

for line in DynamicUser=yes AmbientCapabilities=CAP_NET_BIND_SERVICE CapabilityBoundingSet=CAP_NET_BIND_SERVICE \
            ProtectSystem=strict Restart=on-failure "RestrictAddressFamilies=AF_INET AF_NETLINK AF_UNIX" \
            WantedBy=multi-user.target; do
  grep -qx "$line" "$unit" || fail "the unit lacks $line"
done
# The relay must reach the site's network and the clients' networks.
! grep -Eq '^(PrivateNetwork|IPAddressDeny)=' "$unit" || fail "the unit cuts the relay off the network"
echo "relay unit ok"
