#include "support/drives.h"

#include <winioctl.h>

#include <cstring>

#include "support/text.h"

namespace ruzer::test {

namespace {

// The request winecfg sends to Wine's mount manager to (un)define a drive.
struct MountMgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D /* MOUNTMGRCONTROLTYPE */, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// `device`, when given, is the device behind the folder: the mount manager
// then reads the file system type, label and serial from its boot sector.
bool DefineUnixDrive(wchar_t letter, const std::string& hostFolder, UINT type, const std::string& device = {}) {
  std::vector<char> buffer(sizeof(MountMgrUnixDrive) + hostFolder.size() + 1 + device.size() + 1, 0);
  auto* d = reinterpret_cast<MountMgrUnixDrive*>(buffer.data());
  d->size = static_cast<ULONG>(buffer.size());
  d->type = type;
  d->letter = static_cast<WCHAR>(letter - L'A' + L'a');
  size_t at = sizeof(MountMgrUnixDrive);
  if (!hostFolder.empty()) {
    d->mountPointOffset = static_cast<USHORT>(at);
    memcpy(buffer.data() + at, hostFolder.c_str(), hostFolder.size() + 1);
    at += hostFolder.size() + 1;
  }
  if (!device.empty()) {
    d->deviceOffset = static_cast<USHORT>(at);
    memcpy(buffer.data() + at, device.c_str(), device.size() + 1);
  }
  HANDLE h = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  BOOL ok = DeviceIoControl(h, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                            nullptr, 0, &got, nullptr);
  CloseHandle(h);
  return ok != 0;
}

std::wstring WindowsPathOfHost(const std::string& host) {
  std::wstring w = L"Z:" + Wide(host);
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::string DosDevicesHostPath() {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", buffer, 32768);
  if (n > 0 && n < 32768) return Utf8(buffer) + "/dosdevices";
  std::string c = HostPathOf(L"C:\\");  // ".../dosdevices/c:/" or ".../drive_c/"
  while (!c.empty() && c.back() == '/') c.pop_back();
  size_t slash = c.rfind('/');
  if (slash == std::string::npos) return {};
  return c.substr(0, slash) + "/dosdevices";
}

std::wstring Quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

}  // namespace

std::string HostPathOf(const std::wstring& windowsPath) {
  wchar_t full[32768];
  DWORD n = GetFullPathNameW(windowsPath.c_str(), 32768, full, nullptr);
  if (n == 0 || n >= 32768) return {};
  using Fn = char*(CDECL*)(LPCWSTR);
  static Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(full);
  if (!unix) return {};
  std::string s = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return s;
}

bool RunHostProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                    DWORD waitMs) {
  std::wstring cmd = Quote(program);
  for (const auto& a : args) cmd += L" " + Quote(a);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  // For a host program Wine 8 hands back no real handles, only leftovers of
  // its stack; closing them closed the test's own stdout. Touch them only
  // when they are what they claim to be.
  if (pi.dwProcessId != 0 && GetProcessId(pi.hProcess) == pi.dwProcessId) {
    WaitForSingleObject(pi.hProcess, waitMs);
    if (GetThreadId(pi.hThread) == pi.dwThreadId) CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  return true;
}

bool MakeFolderSymlink(const std::wstring& link, const std::wstring& target) {
  std::string hostTarget = HostPathOf(target);
  size_t slash = link.rfind(L'\\');
  if (hostTarget.empty() || slash == std::wstring::npos) return false;
  std::string hostParent = HostPathOf(link.substr(0, slash));
  if (hostParent.empty()) return false;
  while (!hostParent.empty() && hostParent.back() == '/') hostParent.pop_back();
  std::string hostLink = hostParent + "/" + Utf8(link.substr(slash + 1));
  if (!RunHostProgram(L"Z:\\bin\\ln", {L"-s", Wide(hostTarget), Wide(hostLink)})) return false;
  // The exit of a host program is not always awaited: look for the result.
  for (int i = 0; i < 100; ++i) {
    DWORD a = GetFileAttributesW(link.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    Sleep(50);
  }
  return false;
}

bool RemoveFolderSymlink(const std::wstring& link) {
  std::string host = HostPathOf(link);
  while (!host.empty() && host.back() == '/') host.pop_back();
  if (host.empty() || !RunHostProgram(L"Z:\\bin\\rm", {L"-f", Wide(host)})) return false;
  for (int i = 0; i < 100; ++i) {
    if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

MappedDrive::MappedDrive(const std::string& hostFolder, UINT driveType, const std::wstring& label,
                         const std::string& device)
    : type_(driveType), hostFolder_(hostFolder), device_(device) {
  for (wchar_t c = L'Y'; c >= L'M'; --c) {
    HANDLE m = CreateMutexW(nullptr, FALSE, (L"ruzer-test-drive-" + std::wstring(1, c)).c_str());
    if (!m) continue;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(m);
      continue;
    }
    lock_ = m;
    letter_ = c;
    break;
  }
  if (!letter_) {
    error_ = "no free drive letter";
    return;
  }
  if (DefineUnixDrive(letter_, hostFolder, driveType, device_)) {
    viaMountManager_ = true;
  } else {
    std::string dos = DosDevicesHostPath();
    std::string link = dos + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
    RunHostProgram(L"Z:\\bin\\ln", {L"-sfn", Wide(hostFolder), Wide(link)});
    // winecfg keeps a drive's device as the link "x::".
    if (!device_.empty()) RunHostProgram(L"Z:\\bin\\ln", {L"-sfn", Wide(device_), Wide(link + ":")});
  }
  bool there = false;
  for (int i = 0; i < 100 && !there; ++i) {
    there = GetFileAttributesW(root().c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!there) Sleep(50);
  }
  if (!there) {
    error_ = "drive " + Utf8(root()) + " did not appear for " + hostFolder;
    Unmap();
    return;
  }
  if (!label.empty() && !SetLabel(label)) error_ = "cannot write the label file";
  // Wine finds the drive of an open file in a table of drives it reads at
  // most once a second; until then a volume question may go to another drive.
  if (!device_.empty()) Sleep(1100);
}

MappedDrive::~MappedDrive() { Unmap(); }

void MappedDrive::Unmap() {
  if (letter_) {
    if (viaMountManager_) {
      DefineUnixDrive(letter_, std::string(), DRIVE_NO_ROOT_DIR);
    } else {
      std::string link = DosDevicesHostPath() + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
      RunHostProgram(L"Z:\\bin\\rm", {L"-f", Wide(link), Wide(link + ":")});
    }
  }
  if (lock_) CloseHandle(lock_);
  letter_ = 0;
  lock_ = nullptr;
}

std::wstring MappedDrive::root() const { return std::wstring(1, letter_) + L":\\"; }

bool MappedDrive::SetLabel(const std::wstring& label) {
  std::wstring file = root() + L".windows-label";
  if (label.empty()) {
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(file.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return !viaMountManager_ || DefineUnixDrive(letter_, hostFolder_, type_, device_);
  }
  if (!WriteBytes(file, Utf8(label) + "\n")) return false;
  // The mount manager keeps the label it read when the drive was defined.
  return !viaMountManager_ || DefineUnixDrive(letter_, hostFolder_, type_, device_);
}

bool MappedDrive::SwapMedium(const std::string& hostFolder) {
  if (!letter_) return false;
  hostFolder_ = hostFolder;
  // Another medium: the old one's device is not behind it.
  const bool hadDevice = !device_.empty();
  device_.clear();
  if (viaMountManager_) return DefineUnixDrive(letter_, hostFolder_, type_);
  std::string link = DosDevicesHostPath() + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
  if (hadDevice) RunHostProgram(L"Z:\\bin\\rm", {L"-f", Wide(link + ":")});
  return RunHostProgram(L"Z:\\bin\\ln", {L"-sfn", Wide(hostFolder), Wide(link)});
}

bool MappedDrive::Pull() {
  if (!letter_) return false;
  if (viaMountManager_) {
    if (!DefineUnixDrive(letter_, std::string(), DRIVE_NO_ROOT_DIR)) return false;
  } else {
    std::string link = DosDevicesHostPath() + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
    RunHostProgram(L"Z:\\bin\\rm", {L"-f", Wide(link)});
  }
  for (int i = 0; i < 100; ++i) {
    if (GetFileAttributesW(root().c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

bool MappedDrive::PlugIn() {
  if (!letter_) return false;
  if (viaMountManager_) {
    if (!DefineUnixDrive(letter_, hostFolder_, type_, device_)) return false;
  } else {
    std::string link = DosDevicesHostPath() + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
    RunHostProgram(L"Z:\\bin\\ln", {L"-sfn", Wide(hostFolder_), Wide(link)});
  }
  for (int i = 0; i < 100; ++i) {
    if (GetFileAttributesW(root().c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

wchar_t UnusedDriveLetter() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t c = L'L'; c >= L'D'; --c)
    if (!(drives & (1u << (c - L'A')))) return c;
  return 0;
}

std::string SmallDiskHostPath() {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(L"RUZER_SMALL_DISK", buffer, 32768);
  if (n == 0 || n >= 32768) return {};
  std::string host = Utf8(buffer);
  // The fixture leaves this marker only after the tmpfs is mounted.
  if (GetFileAttributesW((WindowsPathOfHost(host) + L"\\.ruzer-small-disk").c_str()) ==
      INVALID_FILE_ATTRIBUTES)
    return {};
  return host;
}

FatDisk FatDiskHostPaths() {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(L"RUZER_FAT_DISK", buffer, 32768);
  if (n == 0 || n >= 32768) return {};
  // The fixture writes the marker, naming the device, only once the image is mounted.
  std::string device = ReadBytes(WindowsPathOfHost(Utf8(buffer) + ".ready"));
  while (!device.empty() && (device.back() == '\n' || device.back() == '\r')) device.pop_back();
  if (device.empty()) return {};
  return {Utf8(buffer), device};
}

}  // namespace ruzer::test
