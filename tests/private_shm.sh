# Sourced first by every script that starts a JACK server. JACK keeps its registry of servers and
# its sockets in /dev/shm, and a server that had to be killed keeps its registry slot for good;
# after eight such slots no server starts on the machine. As root, each script therefore runs with
# a /dev/shm of its own that vanishes with it; elsewhere it runs as it is.
if [ -z "${QUARVIN_PRIVATE_SHM:-}" ] && [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  exec env QUARVIN_PRIVATE_SHM=1 unshare -m -- bash -c \
    'mount -t tmpfs -o mode=1777 tmpfs /dev/shm || echo "no private /dev/shm" >&2; exec "$@"' \
    bash "$0" "$@"
fi
