// The main window's progress bar and taskbar button.
#include <shobjidl.h>

#include "shell/ff1_impl.h"

namespace ruzer {

namespace {
// Widths of the free-space part, the bar's part and the count's part, 96-DPI pixels.
constexpr int kFreeSpaceWidth = 200;
constexpr int kProgressWidth = 140;
constexpr int kCountWidth = 280;

TBPFLAG TaskbarFlag(TaskbarProgress t) {
  switch (t) {
    case TaskbarProgress::Normal: return TBPF_NORMAL;
    case TaskbarProgress::Indeterminate: return TBPF_INDETERMINATE;
    case TaskbarProgress::Paused: return TBPF_PAUSED;
    case TaskbarProgress::Error: return TBPF_ERROR;
    default: return TBPF_NOPROGRESS;
  }
}
}  // namespace

void FF1::Impl::SetStatusParts() {
  if (!status) return;
  const int free = S(kFreeSpaceWidth);
  if (progress.visible) {
    int parts[4] = {free, free + S(kProgressWidth), free + S(kProgressWidth) + S(kCountWidth), -1};
    SendMessageW(status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    RECT r{};
    SendMessageW(status, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&r));
    InflateRect(&r, -S(2), -S(2));
    SetWindowPos(progressBar, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    int parts[2] = {free, -1};
    SendMessageW(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    if (progressBar) ShowWindow(progressBar, SW_HIDE);
  }
}

void FF1::Impl::ApplyProgress(const ProgressView& p) {
  const bool partsChange = p.visible != progress.visible;
  std::wstring text;
  if (partsChange && status) {
    // The status line moves to the part after the bar and back.
    const int old = StatusPart();
    text.resize(static_cast<size_t>(LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, old, 0))));
    if (!text.empty()) SendMessageW(status, SB_GETTEXTW, old, reinterpret_cast<LPARAM>(text.data()));
  }
  const bool marqueeChange = p.marquee != progress.marquee;
  progress = p;
  if (progressBar) {
    if (marqueeChange) {
      LONG_PTR style = GetWindowLongPtrW(progressBar, GWL_STYLE);
      style = p.marquee ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
      SetWindowLongPtrW(progressBar, GWL_STYLE, style);
      SendMessageW(progressBar, PBM_SETMARQUEE, p.marquee ? TRUE : FALSE, 0);
    }
    if (!p.marquee) SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(p.permille), 0);
  }
  if (partsChange && status) {
    SetStatusParts();
    if (p.visible) SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
    SendMessageW(status, SB_SETTEXTW, StatusPart(), reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (status && p.visible) SendMessageW(status, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(p.text.c_str()));
  ApplyTaskbar();
}

void FF1::Impl::ApplyTaskbar() {
  if (!win.hwnd_) return;
  if (!taskbar && !taskbarTried) {
    taskbarTried = true;
    // Windows 7 and later; elsewhere the window's own bar is all there is.
    ComPtr<ITaskbarList3> t;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   t.put_void())) &&
        t && SUCCEEDED(t->HrInit()))
      taskbar = std::move(t);
  }
  if (!taskbar) return;
  const TaskbarProgress state = win.TaskbarState();
  taskbar->SetProgressState(win.hwnd_, TaskbarFlag(state));
  if (state == TaskbarProgress::Normal || state == TaskbarProgress::Paused || state == TaskbarProgress::Error)
    taskbar->SetProgressValue(win.hwnd_, static_cast<ULONGLONG>(progress.permille), 1000);
}

void FF1::SetProgress(const ProgressView& p) {
  if (impl_) impl_->ApplyProgress(p);
}

void FF1::SetBoxWaiting(bool waiting) {
  if (!impl_ || impl_->boxWaiting == waiting) return;
  impl_->boxWaiting = waiting;
  impl_->ApplyTaskbar();
}

TaskbarProgress FF1::TaskbarState() const {
  if (!impl_) return TaskbarProgress::None;
  const ProgressView& p = impl_->progress;
  // A box that waits for an answer holds the operation up: paused, not stuck.
  if (impl_->boxWaiting && p.visible) return TaskbarProgress::Paused;
  return p.taskbar;
}

}  // namespace ruzer
