#include "engine/Sdskio.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include <restartmanager.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/handles.h"
#include "base/services.h"
#include "base/text.h"
#include "engine/Sdigest.h"

namespace ruzer {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool SetAttributes(const std::wstring& path, DWORD attributes) {
  return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

// A name that nothing uses yet, beside `target` or in the caller's folder for
// copies under way; the copy creates it only when it is new, against the rare clash.
std::wstring TempNameFor(const std::wstring& target, const CopyHints* hints) {
  static unsigned counter = 0;
  unsigned value = (GetCurrentProcessId() << 20) ^ (GetTickCount() << 4) ^ ++counter;
  wchar_t hex[16];
  wsprintfW(hex, L"%08X", value);
  const std::wstring folder = hints && !hints->tempFolder.empty() ? hints->tempFolder : ParentFolder(target);
  return folder + L"\\~ruzer-" + hex + L".tmp";
}

// Puts the finished `temp` in the place of `target`. Through the temporary
// file's own handle first: under Wine that spares MoveFileExW's second open
// and its look-up of the target, about half of what the rename costs.
// Whatever that way refuses is left to MoveFileExW, whose error then counts.
bool RenameOver(const std::wstring& temp, const std::wstring& target) {
  const std::wstring from = LongPath(temp), to = LongPath(target);
  FileHandle h(CreateFileW(from.c_str(), DELETE | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  if (h) {
    const size_t bytes = to.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(info->FileName, to.c_str(), bytes + sizeof(wchar_t));
    const BOOL renamed = SetFileInformationByHandle(h.get(), FileRenameInfo, info,
                                                    static_cast<DWORD>(buffer.size()));
    h.reset();
    if (renamed) return true;
  }
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Second half of every copy: the finished temporary file takes the source's
// attributes and replaces the target. On failure the temporary file goes and
// the target keeps its contents and attributes.
DWORD ReplaceWithTemp(const std::wstring& source, const std::wstring& temp,
                      const std::wstring& target, const CopyHints* hints) {
  DWORD err = 0;
  const DWORD srcAttr = hints && hints->sourceAttributes != INVALID_FILE_ATTRIBUTES
                            ? hints->sourceAttributes
                            : PathAttributes(source);
  if (srcAttr == INVALID_FILE_ATTRIBUTES) {
    err = GetLastError();
  } else {
    // The copy mostly has them already; setting them costs an open and a close.
    const DWORD want = srcAttr & kSettableAttributes;
    const DWORD have = PathAttributes(temp);
    if ((have == INVALID_FILE_ATTRIBUTES || (have & kSettableAttributes) != want) &&
        !SetAttributes(temp, want ? want : FILE_ATTRIBUTE_NORMAL))
      err = GetLastError();
  }
  if (err == 0) {
    const bool listed = hints && hints->targetKnown;
    DWORD oldAttr = listed ? hints->targetAttributes : PathAttributes(target);
    auto clearReadOnly = [&] {
      if (oldAttr != INVALID_FILE_ATTRIBUTES && (oldAttr & kSettableAttributes & ~FILE_ATTRIBUTE_ARCHIVE))
        SetAttributes(target, FILE_ATTRIBUTE_NORMAL);
    };
    clearReadOnly();
    if (RenameOver(temp, target)) return 0;
    err = GetLastError();
    if (listed && err == ERROR_ACCESS_DENIED) {
      // The listing is out of date (a read-only target came since): ask the disk.
      oldAttr = PathAttributes(target);
      clearReadOnly();
      if (RenameOver(temp, target)) return 0;
      err = GetLastError();
    }
    if (oldAttr != INVALID_FILE_ATTRIBUTES) SetAttributes(target, oldAttr & kSettableAttributes);
  }
  DeleteFileForced(temp);
  return err ? err : ERROR_GEN_FAILURE;
}

struct ProgressContext {
  App* app;
};

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                            DWORD, HANDLE, HANDLE, LPVOID data) {
  App& app = *static_cast<ProgressContext*>(data)->app;
  LetMessagesRun(app);
  return app.AbortRequested ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

// Large file through the shell (its own progress dialog with a cancel
// button) into `temp`. The shell cannot take "\\?\" paths, so a long path
// is copied with CopyFileExW, which pumps messages and honours the abort.
DWORD CopyLargeToTemp(App& app, const std::wstring& source, const std::wstring& temp) {
  auto shellCanTake = [](const std::wstring& p) {
    return p.size() < MAX_PATH && (IsDrivePath(p) || IsUncPath(p));
  };
  if (shellCanTake(source) && shellCanTake(temp)) {
    std::wstring from = source + L'\0';  // each list ends in two NULs with c_str()
    std::wstring to = temp + L'\0';
    SHFILEOPSTRUCTW op{};
    op.hwnd = GetActiveWindow();
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = 0x2090;  // no confirmation, files only, no connected elements
    int ret = SHFileOperationW(&op);
    if (op.fAnyOperationsAborted) {
      app.AbortRequested = true;
      // A cancelled copy copied nothing usable, whatever the shell returns.
      return ret != 0 ? static_cast<DWORD>(ret) : ERROR_CANCELLED;
    }
    return static_cast<DWORD>(ret);
  }
  ProgressContext ctx{&app};
  if (CopyFileExW(LongPath(source).c_str(), LongPath(temp).c_str(), &CopyProgress, &ctx, nullptr,
                  COPY_FILE_FAIL_IF_EXISTS))
    return 0;
  DWORD err = GetLastError();
  if (err == ERROR_REQUEST_ABORTED) app.AbortRequested = true;
  return err;
}

}  // namespace

namespace {

// The pieces of every copy and read come from the hash pipeline. The system's
// own copy reads 64 KiB at a time too: a piece that stays in the processor's
// cache while it is hashed and written. 1 MiB pieces made a copy of 1 MiB
// files 2.5 times slower under Wine.
constexpr DWORD kCopyBufferBytes = HashPipeline::kPieceBytes;
constexpr DWORD kReadShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
FILETIME ToFileTime(const LARGE_INTEGER& t) {
  return FILETIME{static_cast<DWORD>(t.QuadPart), static_cast<DWORD>(static_cast<std::uint64_t>(t.QuadPart) >> 32)};
}

// The data of `source` into the new file `temp`, hashed on the way; the
// temporary file takes the source's attributes and last-write time.
DWORD CopyDataToTemp(const std::wstring& source, const std::wstring& temp, CopiedFile* copied) {
  // Shared as the system's copy shares its source: a file another program
  // writes but lets others read is copied as it is now.
  FileHandle in(CreateFileW(LongPath(source).c_str(), GENERIC_READ, kReadShare, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) return GetLastError();
  // Times and attributes only: the full information also asks for the
  // volume's serial number, which under Wine costs more than the copy.
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(in.get(), FileBasicInfo, &info, sizeof info)) return GetLastError();
  const FILETIME lastWrite = ToFileTime(info.LastWriteTime);
  const DWORD attributes = info.FileAttributes & kSettableAttributes;
  FileHandle out(CreateFileW(LongPath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             (attributes ? attributes : FILE_ATTRIBUTE_NORMAL) | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!out) return GetLastError();
  HashPipeline& hash = HashPipeline::Shared();
  std::uint64_t total = 0;
  DWORD err = 0;
  for (;;) {
    unsigned char* buffer = hash.Piece();
    DWORD got = 0;
    if (!ReadFile(in.get(), buffer, kCopyBufferBytes, &got, nullptr)) {
      err = GetLastError();
      break;
    }
    const bool last = got < kCopyBufferBytes;  // a short read of a disk file is its end
    hash.Hand(got, last);  // hashed while it is written
    total += got;
    DWORD written = 0;
    if (got > 0 && (!WriteFile(out.get(), buffer, got, &written, nullptr) || written != got)) {
      err = GetLastError();
      if (err == 0) err = ERROR_DISK_FULL;
      break;
    }
    if (last) break;
  }
  const std::uint64_t digest = hash.Final();
  if (err == 0 && !SetFileTime(out.get(), nullptr, nullptr, &lastWrite)) err = GetLastError();
  in.reset();
  // The last of the data may reach the disk only now: a failed close is a failed copy.
  if (!CloseHandle(out.release()) && err == 0) err = GetLastError();
  if (err == 0 && copied) {
    copied->known = true;
    copied->size = total;
    copied->lastWrite = lastWrite;
    copied->digest = digest;
  }
  return err;
}

}  // namespace

bool DigestOfFile(App& app, const std::wstring& path, CopiedFile& result, DWORD* error,
                  const FILETIME* lastWrite) {
  result = CopiedFile{};
  FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, kReadShare, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    if (error) *error = GetLastError();
    return false;
  }
  const HANDLE h = file.get();
  // Asking the handle costs as much as opening the file under Wine: the
  // caller's listing usually knows the time already.
  if (lastWrite) {
    result.lastWrite = *lastWrite;
  } else {
    FILE_BASIC_INFO info{};
    GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info);
    result.lastWrite = ToFileTime(info.LastWriteTime);
  }
  HashPipeline& hash = HashPipeline::Shared();
  std::uint64_t total = 0;
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, hash.Piece(), kCopyBufferBytes, &got, nullptr)) {
      if (error) *error = GetLastError();
      ok = false;
      break;
    }
    const bool last = got < kCopyBufferBytes;
    hash.Hand(got, last);
    total += got;
    if (last) break;
    LetMessagesRun(app);
    if (app.AbortRequested) {
      if (error) *error = ERROR_CANCELLED;
      ok = false;
      break;
    }
  }
  file.reset();
  const std::uint64_t digest = hash.Final();
  if (!ok) return false;
  result.known = true;
  result.size = total;
  result.digest = digest;
  return true;
}

DWORD CopyOneFile(App& app, const std::wstring& source, const std::wstring& target,
                  std::uint64_t size, const CopyHints* hints, CopiedFile* copied) {
  if (size <= kLargeFileThreshold) return CopyFileKeepAttributes(source, target, hints, copied);
  std::wstring temp = TempNameFor(target, hints);
  DWORD err = CopyLargeToTemp(app, source, temp);
  if (err != 0) {
    DeleteFileForced(temp);
    return err;
  }
  // The shell copied it out of sight: the digest is of the copy as it was
  // written, read back once before it takes its place. An abort meanwhile
  // leaves the copy without one.
  if (copied && !DigestOfFile(app, temp, *copied)) *copied = CopiedFile{};
  return ReplaceWithTemp(source, temp, target, hints);
}

DWORD CopyFileKeepAttributes(const std::wstring& source, const std::wstring& target,
                             const CopyHints* hints, CopiedFile* copied) {
  for (int attempt = 0;; ++attempt) {
    std::wstring temp = TempNameFor(target, hints);
    const DWORD err = CopyDataToTemp(source, temp, copied);
    if (err == 0) return ReplaceWithTemp(source, temp, target, hints);
    if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) {
      if (attempt < 16) continue;  // someone else's file: leave it alone
      return err;
    }
    DeleteFileForced(temp);
    return err;
  }
}

namespace {
CodeAndText VolumeQuery(const std::wstring& path, bool fileSystem) {
  CodeAndText r;
  if (path.empty()) {
    r.code = ERROR_PATH_NOT_FOUND;
    return r;
  }
  std::wstring root = path.substr(0, 3);
  wchar_t label[MAX_PATH + 1] = {};
  wchar_t fsName[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, fsName,
                             MAX_PATH + 1)) {
    r.code = GetLastError();
    if (r.code == 0) r.code = ERROR_GEN_FAILURE;
    return r;
  }
  r.text = fileSystem ? fsName : label;
  return r;
}
}  // namespace

CodeAndText GetVolumeLabel(const std::wstring& path) { return VolumeQuery(path, false); }

CodeAndText GetFileSystemName(const std::wstring& path) { return VolumeQuery(path, true); }

std::vector<std::wstring> DrivesWithLabel(const std::wstring& label, const std::wstring& except) {
  std::vector<std::wstring> found;
  wchar_t own = except.size() >= 2 && except[1] == L':' ? except[0] : 0;
  if (own >= L'a' && own <= L'z') own = static_cast<wchar_t>(own - 32);
  // An empty card reader or floppy drive must not bring up the system's
  // "no disk" box while the drives are asked.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    if (letter == own) continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    const UINT type = GetDriveTypeW(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    const CodeAndText v = GetVolumeLabel(root);
    if (v.code == 0 && v.text == label) found.push_back(root);
  }
  SetErrorMode(oldMode);
  return found;
}

std::wstring FolderOnLabelledDrive(const std::wstring& folder, const std::wstring& label) {
  if (folder.size() < 3 || folder[1] != L':' || folder[2] != L'\\') return L"";
  const std::vector<std::wstring> drives = DrivesWithLabel(label, folder);
  return drives.size() == 1 ? drives[0].substr(0, 2) + folder.substr(2) : std::wstring();
}

const std::wstring& DestinationOf(const EnvPanel& env) {
  return env.tamdirFound.empty() ? env.tamdir : env.tamdirFound;
}

bool IsLostMediumError(DWORD code) {
  switch (code) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

std::wstring ProgramsHoldingFile(const std::wstring& path) {
  // Late-bound: the Restart Manager is missing from some systems, and asking
  // it is only worth the cost once a file has failed twice.
  ModuleHandle library(LoadLibraryW(L"rstrtmgr.dll"));
  if (!library) return L"";
  const HMODULE rm = library.get();
  using StartFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
  using RegisterFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
  using ListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
  using EndFn = DWORD(WINAPI*)(DWORD);
  const auto start = reinterpret_cast<StartFn>(reinterpret_cast<void*>(GetProcAddress(rm, "RmStartSession")));
  const auto reg = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(rm, "RmRegisterResources")));
  const auto list = reinterpret_cast<ListFn>(reinterpret_cast<void*>(GetProcAddress(rm, "RmGetList")));
  const auto end = reinterpret_cast<EndFn>(reinterpret_cast<void*>(GetProcAddress(rm, "RmEndSession")));
  std::wstring names;
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (start && reg && list && end && start(&session, 0, key) == ERROR_SUCCESS) {
    LPCWSTR files[] = {path.c_str()};
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    std::vector<RM_PROCESS_INFO> info;
    if (reg(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
      DWORD r = list(session, &needed, &count, nullptr, &reasons);
      if (r == ERROR_MORE_DATA && needed > 0 && needed < 64) {
        info.resize(needed);
        count = needed;
        r = list(session, &needed, &count, info.data(), &reasons);
        if (r != ERROR_SUCCESS) count = 0;
        info.resize(count);
      }
    }
    end(session);
    for (const auto& p : info) {
      std::wstring name;
      if (KernelHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, p.Process.dwProcessId)}) {
        wchar_t image[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process.get(), 0, image, &size)) {
          name = image;
          const size_t slash = name.rfind(L'\\');
          if (slash != std::wstring::npos) name.erase(0, slash + 1);
        }
      }
      if (name.empty()) name = p.strAppName;
      if (name.empty()) continue;
      if (!names.empty()) names += L", ";
      names += name;
    }
  }
  return names;
}

bool CheckDestinationVolume(App& app) {
  const std::wstring& tamdir = app.env.tamdir;
  const std::wstring& volname = app.env.volname;
  if (volname.empty()) {
    app.env.tamdirFound.clear();
    return true;
  }
  while (true) {
    CodeAndText v = GetVolumeLabel(tamdir);
    if (v.code == 0 && v.text == volname) {
      app.env.tamdirFound.clear();
      return true;
    }
    // Found before on another drive and still there: no second line.
    if (!app.env.tamdirFound.empty()) {
      const CodeAndText there = GetVolumeLabel(app.env.tamdirFound);
      if (there.code == 0 && there.text == volname) return true;
      app.env.tamdirFound.clear();
    }
    // Windows gives a USB disk whatever letter is free: the medium may be
    // in another drive today. Only a single drive with the label is taken;
    // nothing is ever written onto a disk with another label.
    const std::wstring found = FolderOnLabelledDrive(tamdir, volname);
    if (!found.empty()) {
      app.env.tamdirFound = found;
      ErrorListAdd(app, L"ボリューム名 <" + volname + L"> のメディアは " + found.substr(0, 2) +
                            L" にありました．今回は <" + found + L"> を使います．");
      return true;
    }
    std::wstring text;
    if (v.code != 0)
      text = tamdir + L":" + SystemErrorText(v.code);
    else
      text = L"ボリューム名 <" + volname + L"> のメディアをセットしてください.";
    RestoreFromMinimized(app);
    if (ShowMessage(app.user, MsgKind::Warning, text, kRetry | kCancel, kRetry) != kRetry) return false;
  }
}

int ClusterSize(const std::wstring& path) {
  if (path.empty()) return kDefaultClusterSize;
  DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
  if (GetDiskFreeSpaceW(path.c_str(), &spc, &bps, &freeClusters, &totalClusters))
    return static_cast<int>(spc * bps);
  // The call wants a root; a folder on the volume stands for its root.
  std::wstring root;
  if (IsDrivePath(path)) root = path.substr(0, 2) + L"\\";
  if (!root.empty() && root != path &&
      GetDiskFreeSpaceW(root.c_str(), &spc, &bps, &freeClusters, &totalClusters))
    return static_cast<int>(spc * bps);
  return kDefaultClusterSize;
}

int DriveNumber(const std::wstring& path) {
  if (path.empty()) return 0;
  wchar_t c = path[0];
  if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  const std::wstring letters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  size_t pos = letters.find(c);
  return pos == std::wstring::npos ? 0 : static_cast<int>(pos) + 1;
}

FreeSpaceInfo GetFreeSpace(const std::wstring& path) {
  FreeSpaceInfo r;
  if (path.size() >= 2 && path[1] == L':') {
    int drive = DriveNumber(path);
    std::wstring root;
    if (drive > 0) root = std::wstring(1, static_cast<wchar_t>(L'A' + drive - 1)) + L":\\";
    ULARGE_INTEGER avail{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(drive > 0 ? root.c_str() : nullptr, &avail, &total, &totalFree)) {
      r.free = -1;
      r.total = -1;
      return r;
    }
    r.free = static_cast<std::int64_t>(avail.QuadPart);
    r.total = static_cast<std::int64_t>(total.QuadPart);
    return r;
  }
  r.free = r.total = 0;
  std::wstring query = path;
  if (!query.empty() && query.back() != L'\\') query += L'\\';  // UNC paths need it
  DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
  if (GetDiskFreeSpaceW(query.c_str(), &spc, &bps, &freeClusters, &totalClusters)) {
    std::int64_t cluster = static_cast<std::int64_t>(spc) * static_cast<std::int64_t>(bps);
    r.free = cluster * static_cast<std::int64_t>(freeClusters);
    r.total = cluster * static_cast<std::int64_t>(totalClusters);
  }
  return r;
}

bool IsRuzerTempName(const std::wstring& name) {
  const std::wstring prefix = L"~ruzer-", suffix = L".tmp";
  if (name.size() <= prefix.size() + suffix.size() || name.size() > prefix.size() + suffix.size() + 16)
    return false;
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
  for (size_t i = 0; i < prefix.size(); ++i)
    if (lower(name[i]) != prefix[i]) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (lower(name[name.size() - suffix.size() + i]) != suffix[i]) return false;
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    wchar_t c = lower(name[i]);
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  }
  return true;
}

}  // namespace ruzer
