#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the demo set-up:
# a fresh demo data directory, the device simulator on 127.0.0.1:9761, the test
# listener of a laboratory information system (LIS) on 127.0.0.1:2575, and an
# application directory whose settings point at them, with the results sent to the
# LIS both as files (in build/demo/lis-inbox) and over MLLP.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/install_deps.sh" cmake g++ make qtbase5-dev libqt5webkit5-dev \
  fonts-liberation2 poppler-utils xdg-utils xvfb xauth
bash "$root/tools/build.sh"
build="${BUILD_DIR:-$root/build}"
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp -r "$build/app" "$demo/app"
"$build/tools/make_demo_data" "$demo/data"
mkdir -p "$demo/app/settings"
cat > "$demo/app/settings/settings.ini" <<INI
[NetworkSettings]
NetworkIP=127.0.0.1
NetworkLV=true

[PathSettings]
Directory=$demo/data
DeepFolderSearch=true

[OperatorsSettings]
Count=2
Operator_0=Demo Operator
Operator_1=Lab Technician

[Language]
Count=2
Current=0
Lang_0=English (\x410\x43d\x433\x43b\x438\x439\x441\x43a\x438\x439)
Lang_1=Russian (\x420\x443\x441\x441\x43a\x438\x439)

[LisSettings]
Mode=3
Folder=$demo/lis-inbox
Host=127.0.0.1
Port=2575
SendingFacility=DEMO LAB
ReceivingApplication=LISSIM
ReceivingFacility=DEMO HOSPITAL
INI
mkdir -p "$demo/lis-inbox"
"$build/tools/devicesim" --host 127.0.0.1 --port 9761 > "$demo/devicesim.log" 2>&1 &
sim=$!
"$build/tools/lissim" --host 127.0.0.1 --port 2575 --save "$demo/lis-received" > "$demo/lissim.log" 2>&1 &
lissim=$!
trap 'kill $sim $lissim 2>/dev/null || true' EXIT
echo "Demo application directory: $demo/app"
echo "Demo data directory:        $demo/data"
echo "Device simulator log:       $demo/devicesim.log"
echo "LIS listener log:           $demo/lissim.log (messages in $demo/lis-received)"
echo "LIS folder:                 $demo/lis-inbox"
cd "$demo/app"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running under a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x1024x24" ./markerreport
else
  ./markerreport
fi
