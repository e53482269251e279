#!/usr/bin/env bash
# Runs a command as on a machine whose kernel runs no 32-bit code: every i386 program (Wine's
# 32-bit side, Nimbara, the probes) starts under qemu-i386, in a user and mount namespace of its
# own, so the rest of the machine is untouched (binfmt_misc is per namespace from Linux 6.7).
#   tools/emulated.sh bash .ci/run        # the whole CI run, the slow kind
#   tools/emulated.sh tools/test.sh e2e
# Needs qemu-i386 8.1 or later (tools/install-deps.sh installs it where the kernel needs it;
# elsewhere: apt-get install -t bookworm-backports qemu-user).
set -euo pipefail
if [ "${1:-}" = --inside ]; then
  shift
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # ELF, 32-bit, little-endian, executable or shared object, machine i386 (as install-deps.sh).
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    >/proc/sys/fs/binfmt_misc/register
  exec "$@"
fi
[ $# -gt 0 ] || { echo "usage: tools/emulated.sh COMMAND [ARGS...]" >&2; exit 2; }
command -v qemu-i386 >/dev/null || { echo "qemu-i386 is not installed" >&2; exit 1; }
exec unshare --user --map-root-user --mount --fork "$0" --inside "$@"
