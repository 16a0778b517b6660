// Owning wrappers for Win32 handles, so that every early return closes what was
// opened. Move-only; get() lends the handle, release() gives it up, put()
// resets and hands out the address for APIs that return the handle through a
// pointer (RegOpenKeyExW, SHGetSpecialFolderLocation, ...).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace ruzer {

template <class Traits>
class UniqueHandle {
 public:
  using type = typename Traits::type;

  UniqueHandle() noexcept : h_(Traits::Invalid()) {}
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
  bool valid() const noexcept { return h_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  type release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(type h = Traits::Invalid()) noexcept {
    if (valid()) Traits::Close(h_);
    h_ = h;
  }
  type* put() noexcept {
    reset();
    return &h_;
  }

 private:
  type h_;
};

namespace handle_traits {

// CreateFileW and CreateNamedPipeW fail with INVALID_HANDLE_VALUE.
struct File {
  using type = HANDLE;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { CloseHandle(h); }
};
// Processes, threads, events, mutexes, file mappings fail with null.
struct Kernel {
  using type = HANDLE;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { CloseHandle(h); }
};
struct Find {
  using type = HANDLE;
  static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(type h) noexcept { FindClose(h); }
};
struct Key {
  using type = HKEY;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { RegCloseKey(h); }
};
struct Module {
  using type = HMODULE;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { FreeLibrary(h); }
};
struct Gdi {
  using type = HGDIOBJ;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { DeleteObject(h); }
};
struct Icon {
  using type = HICON;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { DestroyIcon(h); }
};
struct Local {
  using type = HLOCAL;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { LocalFree(h); }
};
struct Window {
  using type = HWND;
  static type Invalid() noexcept { return nullptr; }
  static void Close(type h) noexcept { DestroyWindow(h); }
};

}  // namespace handle_traits

using FileHandle = UniqueHandle<handle_traits::File>;      // CreateFileW
using KernelHandle = UniqueHandle<handle_traits::Kernel>;  // process, thread, event, ...
using FindHandle = UniqueHandle<handle_traits::Find>;      // FindFirstFileW
using RegKey = UniqueHandle<handle_traits::Key>;           // RegOpenKeyExW, RegCreateKeyExW
using ModuleHandle = UniqueHandle<handle_traits::Module>;  // LoadLibraryW
using GdiObject = UniqueHandle<handle_traits::Gdi>;        // fonts, brushes, bitmaps
using IconHandle = UniqueHandle<handle_traits::Icon>;      // CreateIcon*, not LoadIcon of shared icons
using LocalMemory = UniqueHandle<handle_traits::Local>;    // FormatMessageW buffers, CommandLineToArgvW
using WindowHandle = UniqueHandle<handle_traits::Window>;  // windows owned by an object

// Memory the shell hands out through CoTaskMemAlloc (ITEMIDLIST, SHGetKnownFolderPath).
template <class T>
class CoTaskMemPtr {
 public:
  CoTaskMemPtr() noexcept = default;
  explicit CoTaskMemPtr(T* p) noexcept : p_(p) {}
  ~CoTaskMemPtr() { reset(); }
  CoTaskMemPtr(const CoTaskMemPtr&) = delete;
  CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;
  CoTaskMemPtr(CoTaskMemPtr&& o) noexcept : p_(o.release()) {}
  CoTaskMemPtr& operator=(CoTaskMemPtr&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  T* get() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T* release() noexcept { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) noexcept {
    if (p_) CoTaskMemFree(p_);
    p_ = p;
  }
  T** put() noexcept {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace ruzer
