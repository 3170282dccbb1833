# Shared by the scripts: configure and build one configuration.
# Usage: build_config BUILD_DIR [cmake options...]
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build_config() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
