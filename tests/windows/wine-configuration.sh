# Shell functions that prepare a throw-away Wine configuration, sourced by scripts/test-windows
# (on the host) and tests/windows/guest-checks (inside the real-kernel guest). The caller sets
# WINEPREFIX, wine_run (an array: tests/windows/wine-run, with --win64 for a 64-bit
# configuration) and log_name (the name its messages start with).

# Runs one step whose output is noise when it works; when it fails, says which step failed and
# shows what it printed.
quiet_step() {
  local what="$1" output status=0
  shift
  output="$(mktemp)"
  "$@" </dev/null >"$output" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$log_name: $what failed (exit $status): $*" >&2
    sed 's/^/    /' "$output" >&2
  fi
  rm -f "$output"
  return "$status"
}

# Creates the configuration and lets Wine finish with it (wineserver -w waits for the server to
# end, after the set-up tasks it starts in the background), then keeps one persistent server with
# its services started detached from our output: each program then starts in a fraction of a
# second, and ctest does not wait for services that hold its pipes.
wine_configuration_create() {
  quiet_step "creating the Wine configuration $WINEPREFIX" "${wine_run[@]}" wineboot -i &&
    quiet_step "waiting for Wine's set-up tasks" wineserver -w &&
    quiet_step "starting a persistent Wine server" wineserver -p &&
    quiet_step "starting Wine's services" "${wine_run[@]}" wineboot
}

# Readies the configuration for the board checks: Wine's HID bus over hidraw, without SDL (with
# it, Wine 8 does not start its hidraw backend), without udevd (it watches /dev for hidraw nodes
# itself) and without evdev input devices. Stops the persistent server first; the board checks
# start their own.
wine_configuration_for_boards() {
  local value status=0
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  for value in "Enable SDL=0" "DisableUdevd=1" "DisableInput=1"; do
    quiet_step "setting winebus's \"${value%=*}\"" "${wine_run[@]}" reg add \
      'HKLM\System\CurrentControlSet\Services\winebus' /v "${value%=*}" \
      /t REG_DWORD /d "${value##*=}" /f || status=1
  done
  wineserver -w
  return "$status"
}

# Ends the configuration's server and waits for it, whatever it was doing.
wine_configuration_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
