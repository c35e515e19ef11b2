# Sourced first by the scripts that need root (they install packages, run
# a private CUPS server as root, make queues): as root they go on;
# started by another user they run again under sudo, with the environment.
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "$0 needs root: run it as root (sudo is not installed here)" >&2
    exit 1
  fi
  exec sudo -E bash "$0" "$@"
fi
