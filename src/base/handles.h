// Owning wrappers for Win32 handles, so that every early return closes what was
// opened. Move-only; get() lends the handle, release() gives it up, put()
// resets and hands out the address for APIs that return the handle through a
// pointer (RegOpenKeyExW, SHGetSpecialFolderLocation, ...).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <utility>

namespace ruzer {

// What the opening call gives back when it fails.
enum class NoHandle { Null, MinusOne };

template <class H, auto Close, NoHandle kNone = NoHandle::Null>
class UniqueHandle {
 public:
  using type = H;
  static type Invalid() noexcept {
    if constexpr (kNone == NoHandle::MinusOne) return INVALID_HANDLE_VALUE;
    else return nullptr;
  }

  UniqueHandle() noexcept : h_(Invalid()) {}
  explicit UniqueHandle(type h) noexcept : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  type get() const noexcept { return h_; }
  type operator->() const noexcept { return h_; }  // for the pointer types (COM)
  bool valid() const noexcept { return h_ != Invalid() && h_ != nullptr; }
  explicit operator bool() const noexcept { return valid(); }

  type release() noexcept { return std::exchange(h_, Invalid()); }
  void reset(type h = Invalid()) noexcept {
    if (valid()) Close(h_);
    h_ = h;
  }
  type* put() noexcept {
    reset();
    return &h_;
  }
  // For QueryInterface, CoCreateInstance and the like.
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  type h_;
};

using FileHandle = UniqueHandle<HANDLE, &CloseHandle, NoHandle::MinusOne>;  // CreateFileW, CreateNamedPipeW
using KernelHandle = UniqueHandle<HANDLE, &CloseHandle>;  // process, thread, event, mutex, mapping
using FindHandle = UniqueHandle<HANDLE, &FindClose, NoHandle::MinusOne>;  // FindFirstFileW
using RegKey = UniqueHandle<HKEY, &RegCloseKey>;                // RegOpenKeyExW, RegCreateKeyExW
using ModuleHandle = UniqueHandle<HMODULE, &FreeLibrary>;       // LoadLibraryW
using GdiObject = UniqueHandle<HGDIOBJ, &DeleteObject>;         // any pen, brush, bitmap
using FontHandle = UniqueHandle<HFONT, &DeleteObject>;          // CreateFontIndirectW, CreateUiFont
using BrushHandle = UniqueHandle<HBRUSH, &DeleteObject>;        // CreateSolidBrush
using MemoryDc = UniqueHandle<HDC, &DeleteDC>;                  // CreateCompatibleDC
using IconHandle = UniqueHandle<HICON, &DestroyIcon>;           // CreateIcon*, not LoadIcon of shared icons
using LocalMemory = UniqueHandle<HLOCAL, &LocalFree>;           // FormatMessageW buffers, CommandLineToArgvW
using WindowHandle = UniqueHandle<HWND, &DestroyWindow>;        // windows owned by an object
using MenuHandle = UniqueHandle<HMENU, &DestroyMenu>;           // CreateMenu, CreatePopupMenu
using AccelTable = UniqueHandle<HACCEL, &DestroyAcceleratorTable>;  // CreateAcceleratorTableW
using ImageList = UniqueHandle<HIMAGELIST, &ImageList_Destroy>;     // ImageList_Create, not the system's

// A window's device context with an object selected into it: on exit the
// object that was there goes back and the context is released.
class WindowDc {
 public:
  explicit WindowDc(HWND w, HGDIOBJ select = nullptr) noexcept : w_(w), dc_(GetDC(w)) {
    if (select) Select(select);
  }
  ~WindowDc() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    ReleaseDC(w_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  // Selects another object; the first one it replaced is what goes back.
  void Select(HGDIOBJ obj) noexcept {
    if (!dc_ || !obj) return;
    HGDIOBJ was = SelectObject(dc_, obj);
    if (!old_) old_ = was;
  }

 private:
  HWND w_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// Memory the shell hands out through CoTaskMemAlloc (ITEMIDLIST, SHGetKnownFolderPath).
template <class T>
using CoTaskMemPtr = UniqueHandle<T*, &CoTaskMemFree>;

// One reference to a COM interface; the constructor takes over one already counted.
template <class T>
void ReleaseCom(T* p) noexcept { p->Release(); }
template <class T>
using ComPtr = UniqueHandle<T*, &ReleaseCom<T>>;

// COM on this thread while the object lives, or OLE on top of it (drag and
// drop); an apartment already there is reused and only counted.
class ComInit {
 public:
  enum Kind { Com, Ole };
  explicit ComInit(Kind kind = Com) noexcept
      : ole_(kind == Ole),
        hr_(ole_ ? OleInitialize(nullptr)
                 : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComInit() {
    if (!SUCCEEDED(hr_)) return;
    if (ole_) OleUninitialize();
    else CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  bool ok() const noexcept { return SUCCEEDED(hr_); }

 private:
  bool ole_;
  HRESULT hr_;
};

}  // namespace ruzer
