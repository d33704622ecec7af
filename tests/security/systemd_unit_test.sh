#!/usr/bin/env bash
# The server's systemd unit as the package ships it, checked by
# `systemd-analyze verify` against the program of this build. Exits 77
# (skipped) with the reason when the tool cannot verify units here at all.
#   systemd_unit_test.sh BUILD_DIR
set -uo pipefail
build=$1
unit=$build/packaging/kiv-server.service
program=$build/server/kiv-server

skip() {
  echo "SKIPPED: $*"
  exit 77
}
command -v systemd-analyze >/dev/null || skip "systemd-analyze is not installed (scripts/setup-deps.sh installs systemd)"
[ -f "$unit" ] || { echo "FAIL: no $unit"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A unit with nothing to find fault with: if even it fails, verify cannot run here.
printf '[Service]\nExecStart=/bin/true\n' >"$work/probe.service"
if ! out=$(systemd-analyze verify --man=no "$work/probe.service" 2>&1); then
  skip "systemd-analyze verify does not work in this environment: $out"
fi

# The same unit, its ExecStart naming this build's program.
sed "s|^ExecStart=/usr/bin/kiv-server|ExecStart=$program|" "$unit" >"$work/kiv-server.service"
grep -q "^ExecStart=$program " "$work/kiv-server.service" || { echo "FAIL: unexpected ExecStart"; exit 1; }
out=$(systemd-analyze verify --man=no "$work/kiv-server.service" 2>&1)
status=$?
# Unknown or misspelt settings are only warnings: any output is a failure.
if [ $status -ne 0 ] || [ -n "$out" ]; then
  echo "FAIL: systemd-analyze verify (status $status):"
  echo "$out"
  exit 1
fi
# systemd's own measure of what the service may do, 0 (nothing) to 10,
# where this systemd can take it offline.
if ! systemd-analyze security --offline=true "$work/probe.service" >/dev/null 2>&1; then
  echo "exposure not measured: systemd-analyze security --offline does not work here"
elif ! out=$(systemd-analyze security --offline=true --threshold=20 "$work/kiv-server.service" 2>&1); then
  echo "FAIL: systemd-analyze security rates the unit above 2.0:"
  echo "$out" | tail -3
  exit 1
else
  echo "$out" | tail -1
fi
for setting in DynamicUser=yes StateDirectory=kiv-server AmbientCapabilities=CAP_NET_BIND_SERVICE \
  CapabilityBoundingSet=CAP_NET_BIND_SERVICE NoNewPrivileges=yes ProtectSystem=strict UMask=0077; do
  grep -qx "$setting" "$unit" || { echo "FAIL: the unit lacks $setting"; exit 1; }
done
echo "systemd-analyze verify: no complaints"
