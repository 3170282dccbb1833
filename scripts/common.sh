# Shared by the scripts: configure and build one configuration; start a
# private X server.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# build_config BUILD_DIR [cmake options...]
build_config() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# start_xvfb NAME: a private Xvfb at 1280 x 1024 (never a display someone
# else owns), DISPLAY set to it and OpenGL on Mesa's software renderer.
# XVFB_PID is its process; stop_xvfb ends it.
XVFB_PID=""
start_xvfb() {
  XVFB_FD_FILE="$(mktemp)"
  # -displayfd picks a free display number and writes it once the server is ready.
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$XVFB_FD_FILE" 2>/dev/null &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    if [ -s "$XVFB_FD_FILE" ]; then break; fi
    sleep 0.1
  done
  if [ ! -s "$XVFB_FD_FILE" ]; then echo "$1: Xvfb did not start" >&2; exit 1; fi
  export DISPLAY=":$(head -n1 "$XVFB_FD_FILE" | tr -d '[:space:]')"
  export LIBGL_ALWAYS_SOFTWARE=1
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=""
  [ -n "${XVFB_FD_FILE:-}" ] && rm -f "$XVFB_FD_FILE"
  return 0
}

# The sanitizer settings of the ASan + UBSan configuration's runs. g++ 12's
# sanitizer runtime takes some heap blocks for glibc's old dynamic TLS header
# when they happen to sit at a certain page offset, and its leak checker then
# crashes at exit ("Tracer caught signal 11") in a run that leaks nothing:
# intercept_tls_get_addr=0 keeps it from reading those blocks.
use_sanitizer_options() {
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
  export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}

# start_wine PREFIX: a Wine prefix of the build's own (made on first use),
# its server started, and no prompts for the .NET or HTML runtimes.
start_wine() {
  export WINEPREFIX="$1" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
  fi
  wineserver --persistent=30 >/dev/null 2>&1 || true
}

stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  return 0
}
