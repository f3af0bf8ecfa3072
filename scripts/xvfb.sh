# Sourced by scripts/test and scripts/run: starts a private Xvfb display when asked to,
# and stops it when the calling script ends. Xvfb picks a free display number itself
# (-displayfd), so several builds can run their tests side by side.
start_xvfb() {
  local fifo n
  fifo=$(mktemp -u /tmp/xvfb-display.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 20 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$n" ]; then echo "xvfb: Xvfb did not start" >&2; return 1; fi
  export DISPLAY=":$n"
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
}
