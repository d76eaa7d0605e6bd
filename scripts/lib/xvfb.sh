# Sourced: start_xvfb GEOMETRY starts a private Xvfb on the first free display number,
# exports DISPLAY and leaves its process id in XVFB_PID (fails, saying so, when it does not
# come up within 5 s); stop_xvfb ends it.
start_xvfb() {
  display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 </dev/null &
  XVFB_PID=$!
  export DISPLAY=":$display"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$display" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  [ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not start on :$display"; return 1; }
}

stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
}
