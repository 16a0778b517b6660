// Windows run by an object: the object comes with the window's creation (the
// lpCreateParams of WM_NCCREATE; for a dialog, the lParam of WM_INITDIALOG), is
// kept in the window's user slot and found there for every later message.
#pragma once

#include <windows.h>

namespace ruzer {

// The object of window h: stored when msg is the creation message; nullptr
// before it and for windows that were given none.
template <class T, UINT kCreate = WM_NCCREATE>
T* WindowObject(HWND h, UINT msg, LPARAM lp) {
  constexpr int kSlot = kCreate == WM_INITDIALOG ? static_cast<int>(DWLP_USER) : GWLP_USERDATA;
  if (msg == kCreate) {
    void* p = kCreate == WM_INITDIALOG ? reinterpret_cast<void*>(lp)
                                       : reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams;
    SetWindowLongPtrW(h, kSlot, reinterpret_cast<LONG_PTR>(p));
    return static_cast<T*>(p);
  }
  return reinterpret_cast<T*>(GetWindowLongPtrW(h, kSlot));
}

// The window procedure of such a window: T::Bind(h) when it is created, then
// T::Handle(msg, wp, lp) for every message up to WM_NCDESTROY, after which the
// window forgets the object.
template <class T>
LRESULT CALLBACK ObjectWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  T* self = WindowObject<T>(h, msg, lp);
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  if (msg == WM_NCCREATE) self->Bind(h);
  const LRESULT r = self->Handle(msg, wp, lp);
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  return r;
}

}  // namespace ruzer
