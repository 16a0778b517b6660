#!/bin/bash
# CTest fixture, run on the host: a small FAT volume (a vfat image with
# 1,024-byte clusters) for the tests of cluster sizes and folder overhead.
#   fat-disk.sh setup <folder>    makes the image <folder>.img and mounts it on <folder>
#   fat-disk.sh cleanup <folder>  unmounts it and removes the image
# The kernel's vfat driver is used when there is one, else fusefat. Without
# either (or without root) setup says so and the tests that need it skip
# (they look for <folder>.ready).
set -u
action=${1:?setup or cleanup} dir=${2:?folder}
img=$dir.img
case $action in
  setup)
    rm -f "$dir.ready"
    mkdir -p "$dir" || exit 0
    if mountpoint -q "$dir"; then
      umount "$dir" 2>/dev/null || fusermount -u "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null
    fi
    if ! command -v mkfs.vfat >/dev/null; then
      echo "fat-disk: mkfs.vfat (dosfstools) missing; tests that need a FAT volume will skip"
      exit 0
    fi
    rm -f "$img"
    truncate -s 16M "$img" && mkfs.vfat -S 512 -s 2 "$img" >/dev/null || exit 0
    if ! mount -o loop,umask=000 -t vfat "$img" "$dir" 2>/dev/null; then
      if ! command -v fusefat >/dev/null || ! fusefat -o rw+ "$img" "$dir" >/dev/null 2>&1; then
        echo "fat-disk: cannot mount a vfat image at $dir; tests that need a FAT volume will skip"
        exit 0
      fi
    fi
    echo "$img" > "$dir.ready"
    echo "fat-disk: 16 MiB FAT volume at $dir"
    ;;
  cleanup)
    rm -f "$dir.ready"
    if mountpoint -q "$dir"; then
      umount "$dir" 2>/dev/null || fusermount -u "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || true
    fi
    rmdir "$dir" 2>/dev/null || true
    rm -f "$img"
    ;;
esac
exit 0
