// Drive letters and host-side file system objects for tests that need real
// volumes: a mapped drive with its own volume label and drive type, a small
// (full) disk, and folder symbolic links (which Wine reports as reparse
// points, attribute 0x410).
//
// How it works under Wine 8:
//  - MappedDrive asks Wine's mount manager (\\.\MountPointManager, the same
//    request winecfg uses) to point a free letter M..Y at a host folder with a
//    drive type; Wine keeps it as "$WINEPREFIX/dosdevices/x:" -> host folder.
//    GetDriveTypeW then reports the type (removable, fixed, remote, cdrom).
//    When the mount manager refuses, the dosdevices link is made directly
//    (the type then stays fixed).
//  - The volume label of such a folder drive is the first line of the file
//    ".windows-label" in the drive's root. The mount manager reads it when the
//    drive is defined, so SetLabel writes the file and defines the drive
//    again; the new label shows at once.
//  - A letter is reserved across test processes by a named mutex
//    "ruzer-test-drive-X" held for the mapping's lifetime; a mapping left by a
//    killed test is simply taken over.
//  - Host commands (ln -s) run through CreateProcessW on "Z:\bin\...": Wine
//    starts Unix programs directly.
//  - A drive may also name the device behind its folder. The mount manager
//    then takes the file system type ("FAT", "FAT32"), label and serial from
//    the device's boot sector, as on a real disk; without one it reports a
//    folder drive on a fuse mount as NTFS. GetVolumeInformationW opens the
//    device itself ("\??\X:" leads to it), so the question goes to the
//    volume the device file lies on: the FAT fixture's device is a copy of its
//    boot sector kept on the volume (see fat-disk.sh).
//  - The small disk is a 2 MiB tmpfs that the CTest fixture "small_disk"
//    (tests/support/small-disk.sh, run on the host as root) mounts and passes
//    in RUZER_SMALL_DISK. Tests that need it skip when it is missing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ruzer::test {

// Host (Linux) path of a Windows path (file or folder, existing or not when
// its parent exists); empty when Wine cannot map it.
std::string HostPathOf(const std::wstring& windowsPath);

// Runs a host program with arguments (no shell). Wine 8 gives no handle to
// wait on for a host program, so this returns once it is started: poll for
// its effect (MakeFolderSymlink and RemoveFolderSymlink do).
bool RunHostProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                    DWORD waitMs = 10000);

// Creates `link` (a Windows path in an existing folder) as a host symbolic
// link to the folder `target`. True when the link is there and Wine reports
// it as a reparse point.
bool MakeFolderSymlink(const std::wstring& link, const std::wstring& target);
// Removes such a link on the host (Wine 8 itself cannot: RemoveDirectoryW
// looks through the link). Tests call it before their TempDir goes.
bool RemoveFolderSymlink(const std::wstring& link);

class MappedDrive {
 public:
  // Maps a free letter to `hostFolder` (an existing host folder) with the
  // drive type (DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM) and
  // the volume label (empty: no label file is written). `device` is the
  // host device (or a file holding its boot sector) behind `hostFolder`.
  explicit MappedDrive(const std::string& hostFolder, UINT driveType = DRIVE_FIXED,
                       const std::wstring& label = L"", const std::string& device = "");
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  bool ok() const { return letter_ != 0; }
  wchar_t letter() const { return letter_; }
  // "Q:\" and "Q:" + "\" + rel.
  std::wstring root() const;
  std::wstring operator/(const std::wstring& rel) const { return root() + rel; }
  // Writes (or with an empty text removes) the label file in the root.
  bool SetLabel(const std::wstring& label);
  // Points the same letter at another host folder, as when the medium in the
  // drive is changed (its label is that folder's label file).
  bool SwapMedium(const std::string& hostFolder);
  // The disk pulled out: the letter answers as no drive at all, and is
  // kept for PlugIn, which brings the same folder back on it.
  bool Pull();
  bool PlugIn();
  // Why mapping failed, for test output.
  const std::string& error() const { return error_; }

 private:
  void Unmap();

  wchar_t letter_ = 0;
  HANDLE lock_ = nullptr;
  bool viaMountManager_ = false;
  UINT type_ = DRIVE_FIXED;
  std::string hostFolder_;
  std::string device_;
  std::string error_;
};

// A letter between D and L that names no drive at all (0: none free).
wchar_t UnusedDriveLetter();

// Host path of the small tmpfs prepared by the CTest fixture, or empty when
// it is not there (not run by CTest, or mounting was not permitted).
std::string SmallDiskHostPath();

// The FAT volume the CTest fixture "fat_disk" (tests/support/fat-disk.sh)
// prepared: a vfat image mounted on a host folder. Empty when it is not there.
struct FatDisk {
  std::string folder;  // where the image is mounted
  std::string device;  // what to give the drive as its device
  bool ok() const { return !folder.empty() && !device.empty(); }
};
FatDisk FatDiskHostPaths();

}  // namespace ruzer::test
