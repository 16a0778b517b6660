#include "engine/Sdskio.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include <restartmanager.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/handles.h"
#include "base/services.h"
#include "engine/Sdigest.h"
#include "sources/Sledit.h"

namespace ruzer {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

DirEntry FromFindData(const WIN32_FIND_DATAW& fd) {
  DirEntry e;
  e.name = fd.cFileName;
  e.attributes = fd.dwFileAttributes;
  e.lastWrite = fd.ftLastWriteTime;
  e.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  return e;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:\..." (or the bare "X:" that stands for a drive root here).
bool IsDrivePath(const std::wstring& p) {
  return p.size() >= 2 && IsLetter(p[0]) && p[1] == L':' && (p.size() == 2 || p[2] == L'\\');
}

bool IsUncPath(const std::wstring& p) {
  return p.size() > 2 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'?' && p[2] != L'.' &&
         p[2] != L'\\';
}

DWORD Attributes(const std::wstring& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(LongPath(path).c_str());
}

bool SetAttributes(const std::wstring& path, DWORD attributes) {
  return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

void ShowMessage(App& app, MsgKind kind, const std::wstring& text) { ShowMessage(app.user, kind, text); }

std::wstring ParentOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// A name that nothing uses yet, beside `target` or in the caller's folder for
// copies under way; the copy creates it only when it is new, against the rare clash.
std::wstring TempNameFor(const std::wstring& target, const CopyHints* hints) {
  static unsigned counter = 0;
  unsigned value = (GetCurrentProcessId() << 20) ^ (GetTickCount() << 4) ^ ++counter;
  wchar_t hex[16];
  wsprintfW(hex, L"%08X", value);
  const std::wstring folder = hints && !hints->tempFolder.empty() ? hints->tempFolder : ParentOf(target);
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
                            : Attributes(source);
  if (srcAttr == INVALID_FILE_ATTRIBUTES) {
    err = GetLastError();
  } else {
    // The copy mostly has them already; setting them costs an open and a close.
    const DWORD want = srcAttr & kSettableAttributes;
    const DWORD have = Attributes(temp);
    if ((have == INVALID_FILE_ATTRIBUTES || (have & kSettableAttributes) != want) &&
        !SetAttributes(temp, want ? want : FILE_ATTRIBUTE_NORMAL))
      err = GetLastError();
  }
  if (err == 0) {
    const bool listed = hints && hints->targetKnown;
    DWORD oldAttr = listed ? hints->targetAttributes : Attributes(target);
    auto clearReadOnly = [&] {
      if (oldAttr != INVALID_FILE_ATTRIBUTES && (oldAttr & kSettableAttributes & ~FILE_ATTRIBUTE_ARCHIVE))
        SetAttributes(target, FILE_ATTRIBUTE_NORMAL);
    };
    clearReadOnly();
    if (RenameOver(temp, target)) return 0;
    err = GetLastError();
    if (listed && err == ERROR_ACCESS_DENIED) {
      // The listing is out of date (a read-only target came since): ask the disk.
      oldAttr = Attributes(target);
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

// Creates `path` and its missing parents; 0 or the error of the step that failed.
DWORD MakeFolders(const std::wstring& path, int depth = 0) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return 0;
  DWORD err = GetLastError();
  if (PathKind(path) == 2) return 0;
  if (err != ERROR_PATH_NOT_FOUND && err != ERROR_FILE_NOT_FOUND) return err;
  std::wstring parent = ParentOf(path);
  if (parent.empty() || parent.size() >= path.size() || depth > 4096) return err;
  if (IsDrivePath(parent) && parent.size() <= 3) return err;  // the drive itself is missing
  DWORD perr = MakeFolders(parent, depth + 1);
  if (perr) return perr;
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return 0;
  err = GetLastError();
  return PathKind(path) == 2 ? 0 : err;
}

// Drive-relative "X:" stands for the root here.
std::wstring WithRoot(const std::wstring& path) {
  if (path.size() == 2 && IsDrivePath(path)) return path + L'\\';
  return path;
}

bool IsReservedDeviceName(const std::wstring& segment) {
  std::wstring base = segment.substr(0, segment.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& c : base)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
      base == L"CONOUT$")
    return true;
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
      base[3] >= L'0' && base[3] <= L'9')
    return true;
  return false;
}

// One name between backslashes, as Windows allows it in a file system.
bool IsSafeSegment(const std::wstring& s) {
  if (s.empty() || s == L"." || s == L"..") return false;
  for (wchar_t c : s) {
    if (c < 32 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'/' || c == L'\\' ||
        c == L'|' || c == L'?' || c == L'*')
      return false;
  }
  // Windows drops trailing dots and blanks, so such a segment names another folder.
  if (s.back() == L'.' || s.back() == L' ') return false;
  return !IsReservedDeviceName(s);
}

// Segments split at "\"; one trailing backslash is allowed.
bool SafeSegments(const std::wstring& text, size_t start) {
  std::wstring rest = text.substr(start);
  if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  if (rest.empty()) return true;
  size_t pos = 0;
  while (true) {
    size_t slash = rest.find(L'\\', pos);
    if (!IsSafeSegment(rest.substr(pos, slash == std::wstring::npos ? std::wstring::npos : slash - pos)))
      return false;
    if (slash == std::wstring::npos) return true;
    pos = slash + 1;
  }
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text;
  if (n > 0 && buffer) text.assign(buffer, n);
  if (buffer) LocalFree(buffer);
  if (text.size() > 256) text.resize(256);
  while (!text.empty()) {
    wchar_t c = text.back();
    bool trim = c < 32 || c == 127 || c == L' ' || c == L'.' || c == 0x3000 /* ideographic space */ ||
                c == 0x3002 /* 。 */ || c == 0xFF0E /* ． */;
    if (!trim) break;
    text.pop_back();
  }
  return text;
}

std::wstring GetSpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::wstring();
  return std::wstring(buffer);
}

std::wstring WindowsDriveRoot() {
  wchar_t buffer[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return L"c:\\";
  return std::wstring(buffer).substr(0, 3);
}

int PathKind(const std::wstring& path) {
  DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return 0;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? 2 : 1;
}

bool DeleteFileForced(const std::wstring& path) {
  std::wstring lp = LongPath(path);
  DWORD a = GetFileAttributesW(lp.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && a != 0 && a != FILE_ATTRIBUTE_ARCHIVE &&
      !(a & FILE_ATTRIBUTE_DIRECTORY))
    SetFileAttributesW(lp.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(lp.c_str()) != 0;
}

namespace {
// A folder link is removed with RemoveDirectoryW; some file systems keep it
// as a file-like link that only DeleteFileW takes.
bool RemoveLink(const std::wstring& path) {
  std::wstring lp = LongPath(path);
  return RemoveDirectoryW(lp.c_str()) || DeleteFileW(lp.c_str());
}
}  // namespace

bool DeleteFolderTree(App& app, const std::wstring& path) {
  DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  std::wstring lp = LongPath(path);
  // A junction or folder link is removed as a link: never follow it.
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Read the whole listing first: deleting while a search is open may skip entries.
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW fd;
    if (FindHandle h{FindFirstFileW(LongPath(path + L"\\*").c_str(), &fd)}) {
      do {
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
          entries.push_back(FromFindData(fd));
      } while (FindNextFileW(h.get(), &fd));
    }
    for (const auto& e : entries) {
      std::wstring child = path + L"\\" + e.name;
      bool ok;
      if ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) && (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ok = RemoveLink(child);
      } else if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = DeleteFolderTree(app, child);
      } else {
        ok = DeleteFileForced(child);
      }
      if (!ok) return false;
    }
  }
  bool removed;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    removed = RemoveLink(path);  // its attributes would reach through to the target
  } else {
    SetFileAttributesW(lp.c_str(), FILE_ATTRIBUTE_NORMAL);
    removed = RemoveDirectoryW(lp.c_str()) != 0;
  }
  if (!removed) {
    ShowMessage(app, MsgKind::Error, L"<" + path + L"> フォルダが削除できません.");
    return false;
  }
  return true;
}

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

bool FolderIsEmpty(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW(LongPath(path + L"\\*").c_str(), &fd));
  if (!h) return false;
  do {
    if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) return false;
  } while (FindNextFileW(h.get(), &fd));
  return true;
}

namespace {
std::wstring RefusedCharMessage(const std::wstring& subject, wchar_t c) {
  return subject + L"に使えない文字 \"" + std::wstring(1, c) + L"\" が含まれています.";
}
}  // namespace

bool CheckFolderPath(App& app, const std::wstring& path) {
  const std::wstring subject = L"フォルダ名";
  if (path.size() < 3) {
    ShowMessage(app, MsgKind::Warning, subject + L"が短か過ぎます.");
    return false;
  }
  for (wchar_t c : std::wstring(L"/*?\"<>|")) {
    if (path.find(c, 3) != std::wstring::npos) {
      ShowMessage(app, MsgKind::Warning, RefusedCharMessage(subject, c));
      return false;
    }
  }
  return true;
}

bool CheckName(App& app, const std::wstring& name, bool pattern) {
  const std::wstring subject = L"ファイルやフォルダ名";
  if (name.size() > 260) {
    ShowMessage(app, MsgKind::Warning, subject + L"が長過ぎます.");
    return false;
  }
  std::wstring refused = L"\\/:\"<>|";
  if (!pattern) refused += L"*?";
  for (wchar_t c : refused) {
    if (name.find(c) != std::wstring::npos) {
      ShowMessage(app, MsgKind::Warning, RefusedCharMessage(subject, c));
      return false;
    }
  }
  return true;
}

bool CreateFolderReported(App& app, const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  DWORD err = MakeFolders(p);
  if (PathKind(path) == 2) return true;
  if (err == 0) err = GetLastError();
  ShowMessage(app, MsgKind::Error,
              L"<" + path + L">フォルダの作成失敗." + L"\r\n" + SystemErrorText(err));
  return false;
}

std::wstring LongPath(const std::wstring& path) {
  bool drive = IsDrivePath(path);
  bool unc = IsUncPath(path);
  if (!drive && !unc) return path;
  std::wstring in = WithRoot(path);
  DWORD n = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
  std::wstring full;
  if (n > 0) {
    full.resize(n);
    n = GetFullPathNameW(in.c_str(), n, full.data(), nullptr);
    full.resize(n);
  }
  if (full.empty()) full = in;
  if (IsDrivePath(full)) return L"\\\\?\\" + full;
  if (IsUncPath(full)) return L"\\\\?\\UNC\\" + full.substr(2);
  return full;
}

std::wstring CaseFreeKey(const std::wstring& name) {
  std::wstring r = name;
  for (auto& c : r) {
    if (c >= 0x80) return LowerText(name);
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
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


bool ListFolder(const std::wstring& folder, std::vector<DirEntry>& files,
                std::vector<DirEntry>& folders) {
  files.clear();
  folders.clear();
  return ForEachListed(folder, [&](const WIN32_FIND_DATAW& fd) {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) folders.push_back(FromFindData(fd));
    } else {
      files.push_back(FromFindData(fd));
    }
    return true;
  });
}

bool ForEachListed(const std::wstring& folder, const std::function<bool(const WIN32_FIND_DATAW&)>& each) {
  std::wstring pattern = LongPath(folder + L"\\*");
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH));
  if (!h && GetLastError() == ERROR_INVALID_PARAMETER) h.reset(FindFirstFileW(pattern.c_str(), &fd));
  if (!h) {
    // An empty drive root has not even "." and "..".
    return GetLastError() == ERROR_FILE_NOT_FOUND && PathKind(folder) == 2;
  }
  do {
    if (!each(fd)) break;
  } while (FindNextFileW(h.get(), &fd));
  return true;
}

bool LookupEntry(const std::wstring& path, DirEntry& entry) {
  std::wstring lp = LongPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(lp.c_str(), GetFileExInfoStandard, &data)) {
    size_t slash = path.rfind(L'\\');
    entry.name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    entry.attributes = data.dwFileAttributes;
    entry.lastWrite = data.ftLastWriteTime;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
  }
  // Files held open by the system (pagefile.sys) refuse the attribute query
  // but still show up in a directory search.
  if (GetLastError() != ERROR_SHARING_VIOLATION) return false;
  WIN32_FIND_DATAW fd;
  if (!FindHandle(FindFirstFileW(lp.c_str(), &fd))) return false;
  entry = FromFindData(fd);
  return true;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool IsSafeSourcePath(const std::wstring& path) {
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && path[2] == L'\\')
    return SafeSegments(path, 3);
  if (IsUncPath(path)) {
    // \\server\share must both be there.
    size_t serverEnd = path.find(L'\\', 2);
    if (serverEnd == std::wstring::npos) return false;
    if (!IsSafeSegment(path.substr(2, serverEnd - 2))) return false;
    size_t shareEnd = path.find(L'\\', serverEnd + 1);
    std::wstring share = path.substr(serverEnd + 1, shareEnd == std::wstring::npos
                                                        ? std::wstring::npos
                                                        : shareEnd - serverEnd - 1);
    if (!IsSafeSegment(share)) return false;
    return shareEnd == std::wstring::npos || SafeSegments(path, shareEnd + 1);
  }
  return false;
}

bool IsSafeRelativeFolder(const std::wstring& rel) {
  if (rel.empty() || rel[0] == L'\\') return false;
  return SafeSegments(rel, 0);
}

bool IsValidFileName(const std::wstring& name) { return name.size() <= 255 && IsSafeSegment(name); }

}  // namespace ruzer
