#!/usr/bin/env bash
# Checks the Kelva VST 3 plug-in in a real host, Ardour 7, run headless, as a
# user would use it:
#   1. Ardour's VST 3 scanner reads the bundle (class, vendor, category, buses);
#   2. a new session gets a MIDI track with Kelva; its parameters and factory
#      programs are listed, a program is selected and parameters are set, and
#      the session is saved (lua: tools/ardour/create.lua);
#   3. the session is reopened and the values are compared, once as saved and
#      once with the host's own copies of the values removed, so that only
#      the plug-in's state can bring them back (tools/ardour/reopen.lua);
#   4. a MIDI file (resources/demo.mid, or a short generated piece) is placed
#      on the track and the session is exported with ardour7-export to a
#      float WAV, which must be stereo, finite, below full scale and not
#      silent; if kelva-host was built, its render of the same state and notes
#      must have the same loudness over time.
# The host's parameter values are also compared with the plug-in's own state
# in each saved snapshot.
#
# This is a manual check for developers, not part of the test suite: it needs
# Debian's big "ardour" package (and sox), which CI does not install.
#
# usage: tools/ardour-check.sh BUILD_DIR [MIDI_FILE]
#   BUILD_DIR  a build folder holding Kelva.vst3 (targets Kelva, kelva_bundle;
#              kelva-host for the comparison)
#   KEEP=1     keep the temporary folder (session, logs, renders)
# Exits 0 when every check passed, 1 when one failed, 2 when it cannot run.
#
# Everything runs in a temporary home folder: the bundle is copied to its
# ~/.vst3, Ardour's cache and configuration stay there, and nothing of the
# real user is read or written. Nothing reaches the network.
#
# Ardour 7.3 facts this relies on:
# - Its AVX-512 code overruns buffers on some CPUs: ARDOUR_FPU_FLAGS=95 keeps
#   it to AVX.
# - ardour7-lua loads only VST 3 plug-ins its scanner has cached, and offers
#   no MIDI import (that lives in the editor); tools/ardour/ardour_check.py
#   places the file on the track in the saved session file instead.
# - It passes a MIDI program change to a VST 3 plug-in as program 0 whatever
#   the program number (it reads the message's missing third byte), so the
#   file's program changes are left out of what is rendered.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
lua_dir=$here/ardour
helper=$lua_dir/ardour_check.py

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '/^# usage:/,/^# Exits/p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
build=$(cd "$1" 2>/dev/null && pwd) || { echo "no build folder $1" >&2; exit 2; }
bundle=$build/Kelva.vst3
midi=${2:-$here/../resources/demo.mid}
scanner=/usr/lib/ardour7/ardour-vst3-scanner

for tool in ardour7-lua ardour7-export sox python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install ardour sox python3)" >&2; exit 2; }
done
[ -x "$scanner" ] || { echo "needs $scanner (apt-get install ardour)" >&2; exit 2; }
[ -f "$bundle/Contents/x86_64-linux/Kelva.so" ] || {
  echo "no plug-in in $bundle: build the targets Kelva and kelva_bundle" >&2; exit 2; }

work=$(mktemp -d /tmp/kelva-ardour-check.XXXXXX)
if [ "${KEEP:-0}" = 1 ]; then
  echo "keeping $work"
else
  trap 'rm -rf "$work"' EXIT
fi
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config ARDOUR_FPU_FLAGS=95
mkdir -p "$HOME/.vst3" "$XDG_CONFIG_HOME"
cp -a "$bundle" "$HOME/.vst3/"
installed=$HOME/.vst3/Kelva.vst3
# Ardour trusts its scan cache only when the cache is newer than the module,
# in whole seconds: a module built within the last second would be skipped.
touch -d "@$(($(date +%s) - 10))" "$installed/Contents/x86_64-linux/Kelva.so"
session=$work/session
name=kelva-check
log=$work/checks.log
: >"$log"

# Keeps the PASS/FAIL/INFO lines of a step's output, and Ardour's own error
# and warning lines (all of them go into $work/<step>.out).
record() {
  local step=$1
  grep -E '^(PASS|FAIL|INFO):' "$work/$step.out" >>"$log"
  grep -E '^\[(ERROR|WARNING)\]' "$work/$step.out" | grep -v 'Reasonable Synth' |
    sed "s/^/INFO: $step: Ardour said: /" >>"$log"
  grep -E '^\[ERROR\]' "$work/$step.out" | grep -q . && echo "FAIL: $step: Ardour reported an error" >>"$log"
  return 0
}
pass() { echo "PASS: $*" >>"$log"; }
fail() { echo "FAIL: $*" >>"$log"; }
info() { echo "INFO: $*" >>"$log"; }
lua() { # step, script, arguments...
  local step=$1 script=$2
  shift 2
  timeout 120 ardour7-lua "$lua_dir/$script" "$lua_dir/common.lua" "$@" >"$work/$step.out" 2>&1
  local rc=$?
  record "$step"
  grep -qx DONE "$work/$step.out" && return 0
  local last
  last=$(grep -E '^(PASS|FAIL|INFO):' "$work/$step.out" | tail -n1)
  if [ $rc -eq 124 ]; then
    fail "$step: Ardour hung and was stopped after 120 s; its last line: ${last:-none}"
  else
    fail "$step: the Lua session stopped early (exit $rc); its last line: ${last:-none}"
  fi
  return 1
}
finish() {
  echo "Kelva in Ardour 7 ($(ardour7-lua -V 2>/dev/null | head -n1)), bundle $bundle"
  grep -E '^(INFO|PASS|FAIL):' "$log"
  local passed failed
  passed=$(grep -c '^PASS:' "$log")
  failed=$(grep -c '^FAIL:' "$log")
  echo "ardour-check: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

# The factory bank belongs in the bundle; without it the programs are empty.
if [ -f "$installed/Contents/Resources/init.fxb" ]; then
  pass "the bundle carries its factory bank"
else
  fail "the bundle has no Contents/Resources/init.fxb (factory bank)"
fi

# ---------------------------------------------------------------- 1. scan
LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -v -f "$installed" >"$work/scan.out" 2>&1
scan_rc=$?
grep -E "FactoryInfo|Class: |n_busses: [1-9]|- bus:" "$work/scan.out" | sed 's/^\[Info\]: */INFO: scanner: /' >>"$log"
cache=$(grep -o '<VST3Info [^>]*>' "$work/scan.out" | head -n1)
attr() { sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<<"$cache"; }
if [ $scan_rc -ne 0 ] || [ -z "$cache" ] || ! ls "$HOME"/.cache/ardour7/vst/*.v3i >/dev/null 2>&1; then
  fail "the scanner did not cache the plug-in (exit $scan_rc), see $work/scan.out"
  finish
fi
info "scanner cache: $(sed 's/^<VST3Info //; s/>$//' <<<"$cache")"
[ "$(attr name)" = Kelva ] && [ "$(attr vendor)" = "Orvane Music" ] && [ "$(attr category)" = "Instrument|Synth" ] &&
  grep -q "Class: 0 'Kelva' 'Audio Module Class'" "$work/scan.out" &&
  pass "scanner: one class \"Kelva\", vendor \"Orvane Music\", Audio Module Class, Instrument|Synth" ||
  fail "scanner: class, vendor or category are not Kelva's"
[ "$(attr n_inputs)" = 0 ] && [ "$(attr n_outputs)" = 2 ] && [ "$(attr n_aux_inputs)" = 0 ] &&
  [ "$(attr n_aux_outputs)" = 0 ] && [ "$(attr n_midi_inputs)" = 1 ] && [ "$(attr n_midi_outputs)" = 1 ] &&
  pass "scanner: no audio input, one stereo output, one MIDI input and one MIDI output" ||
  fail "scanner: the buses are not no input, stereo output, MIDI in and out"

# ---------------------------------------------------------------- 2. session
program=1
# Syn Pan, Str Pan, Tune, VCF Freq, Phaser "Type 2", Delay "Pingpong", Dly Mix
values="3=0.25,5=0.25,6=-20,26=0.3,37=2,43=1,46=0.3"
lua create create.lua "$session" "$name" "$program" "$values" || finish
program_name=$(sed -n 's/.*Ardour reports program "\(.*\)" as current.*/\1/p' "$log" | head -n1)

for snapshot in fresh program "$name"; do
  python3 "$helper" host-view "$session/$snapshot.ardour" "saved \"$snapshot\"" >>"$log" 2>&1
done
python3 "$helper" state "$session/$name.ardour" >"$work/state.out" 2>&1
grep -q "program $program " "$work/state.out" &&
  pass "the plug-in's saved state holds program $program as current: $(sed -n 's/.*state: \(program [^,]*\).*/\1/p' "$work/state.out")" ||
  fail "the plug-in's saved state does not hold program $program as current: $(head -n1 "$work/state.out")"

# ---------------------------------------------------------------- 3. reopen
lua reopen reopen.lua "$session" "$name" "$values" "$program_name" "reopened" || finish
ids=$(sed 's/=[^,]*//g' <<<"$values")
python3 "$helper" strip-host-values "$session/$name.ardour" "$session/state-only.ardour" "$ids" >>"$log" 2>&1
lua reopen-state reopen.lua "$session" state-only "$values" "$program_name" "reopened without the host's values" ||
  finish

# ---------------------------------------------------------------- 4. render
if [ ! -f "$midi" ]; then
  info "no $midi: a generated test piece is rendered"
  midi=$work/generated.mid
  python3 "$helper" make-midi "$midi"
fi
notes=$work/notes.mid
python3 "$helper" without-program-changes "$midi" "$notes" >>"$log" 2>&1
tail=4
python3 "$helper" import "$session" "$name" "$notes" Kelva "$tail" >>"$log" 2>&1 || finish
seconds=$(sed -n 's/.*on track Kelva: \([0-9.]*\) s.*/\1/p' "$log" | tail -n1)
length=$(python3 -c "print($seconds + $tail)")

out=$work/ardour.wav
timeout 600 ardour7-export -b float -o "$out" "$session" "$name" >"$work/export.out" 2>&1
export_rc=$?
record export
if [ $export_rc -ne 0 ] || [ ! -s "$out" ]; then
  fail "ardour7-export made no WAV (exit $export_rc), see $work/export.out"
  finish
fi
pass "ardour7-export rendered the session to a float WAV"
sox "$out" -n stat 2>&1 | grep -E 'Length|Maximum amplitude|Minimum amplitude|RMS +amplitude|Mean +norm' |
  sed 's/^/INFO: sox stat: /; s/  */ /g' >>"$log"
python3 "$helper" wav-check "$out" "$length" >>"$log" 2>&1
python3 "$helper" stereo "$out" >>"$log" 2>&1

host=$build/tools/kelva-host
if [ -x "$host" ]; then
  python3 "$helper" extract-state "$session/$name.ardour" "$work/state.bin" >>"$log" 2>&1
  "$host" render "$installed" "$notes" "$work/kelva-host.wav" --rate 48000 --tail "$tail" \
    --state-in "$work/state.bin" >"$work/kelva-host.out" 2>&1 &&
    python3 "$helper" compare "$out" "$work/kelva-host.wav" >>"$log" 2>&1 ||
    fail "kelva-host could not render the reference, see $work/kelva-host.out"
else
  info "no $host: the comparison with kelva-host is skipped"
fi
finish
