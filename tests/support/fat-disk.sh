#!/bin/bash
# CTest fixture, run on the host: a small FAT volume (a 32 MiB FAT16 image
# with 4,096-byte clusters) for the tests of cluster sizes and folder overhead.
#   fat-disk.sh setup <folder>    makes the image <folder>.img and mounts it on <folder>
#   fat-disk.sh cleanup <folder>  unmounts it and removes the image
# The kernel's vfat driver is used when there is one, else fusefat. Without
# either (or without root) setup says so and the tests that need it skip
# (they look for <folder>.ready).
#
# Wine learns a drive's file system from the boot sector of the drive's
# device, and it opens that device when a program asks for the volume's
# information. So the device the tests give the drive is a copy of the boot
# sector kept on the volume itself (<folder>/.bootsector): the question then
# lands on the volume, and the answer is read from its own boot sector. The
# image's path would send the question to the drive the image lies on.
# Wine reports every disk's clusters as 4,096 bytes; the image has clusters of
# that size, so the figure is the volume's real one.
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
    truncate -s 32M "$img" && mkfs.vfat -F 16 -S 512 -s 8 "$img" >/dev/null || exit 0
    if ! mount -o loop,umask=000 -t vfat "$img" "$dir" 2>/dev/null; then
      if ! command -v fusefat >/dev/null || ! fusefat -o rw+ "$img" "$dir" >/dev/null 2>&1; then
        echo "fat-disk: cannot mount a vfat image at $dir; tests that need a FAT volume will skip"
        exit 0
      fi
    fi
    if ! dd if="$img" of="$dir/.bootsector" bs=512 count=4 status=none; then
      echo "fat-disk: cannot write the boot sector's copy; tests that need a FAT volume will skip"
      exit 0
    fi
    echo "$dir/.bootsector" > "$dir.ready"
    echo "fat-disk: 32 MiB FAT volume at $dir"
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
