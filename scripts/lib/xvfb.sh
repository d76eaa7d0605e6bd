# Sourced: start_xvfb GEOMETRY starts a private Xvfb, exports DISPLAY and leaves its process
# id in XVFB_PID; it fails, saying so, when the server does not come up within 10 s. Xvfb picks
# a free display number itself and reports it once it accepts clients (-displayfd), so two
# runs starting at once never take each other's display. stop_xvfb ends it.
# The caller sources tools.sh as well, which names a missing Xvfb with its package.
start_xvfb() {
  require_tools start_xvfb Xvfb || return 1
  xvfb_display_file=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$xvfb_display_file" >/dev/null 2>&1 </dev/null &
  XVFB_PID=$!
  i=0
  while [ ! -s "$xvfb_display_file" ] && kill -0 "$XVFB_PID" 2>/dev/null && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
  done
  display=$(head -1 "$xvfb_display_file")
  rm -f "$xvfb_display_file"
  if [ -z "$display" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    kill "$XVFB_PID" 2>/dev/null
    echo "Xvfb did not start (no display reported within 10 s)"
    return 1
  fi
  export DISPLAY=":$display"
}

stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
}
