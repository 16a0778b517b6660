#!/bin/bash
# CTest fixture, run on the host: a 2 MiB tmpfs for tests of a full disk.
#   small-disk.sh setup <folder>    mounts it (when not mounted) and empties it
#   small-disk.sh cleanup <folder>  unmounts it
# Without permission to mount, setup says so and the tests that need the
# small disk skip themselves (they look for the marker file).
set -u
action=${1:?setup or cleanup} dir=${2:?folder}
case $action in
  setup)
    mkdir -p "$dir" || exit 0
    if ! mountpoint -q "$dir"; then
      if ! mount -t tmpfs -o size=2m,mode=0777 ruzer-small-disk "$dir" 2>/dev/null; then
        echo "small-disk: cannot mount a tmpfs at $dir; tests that need a full disk will skip"
        exit 0
      fi
    fi
    find "$dir" -mindepth 1 -delete 2>/dev/null
    touch "$dir/.ruzer-small-disk"
    echo "small-disk: 2 MiB tmpfs at $dir"
    ;;
  cleanup)
    if mountpoint -q "$dir"; then
      umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || true
    fi
    rmdir "$dir" 2>/dev/null || true
    ;;
esac
exit 0
