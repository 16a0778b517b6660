#include "support/dialog_driver.h"

#include <commctrl.h>

#include <map>

#include "base/dialog.h"

namespace ruzer::test {

namespace {

std::wstring ClassOf(HWND w) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return cls;
}

bool IsListView(HWND w) { return lstrcmpiW(ClassOf(w).c_str(), WC_LISTVIEWW) == 0; }

void Notify(HWND dlg, HWND control, int code) {
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

// Drivers by timer id; timers of the thread carry no pointer of their own.
std::map<UINT_PTR, DialogDriver*>& Drivers() {
  static std::map<UINT_PTR, DialogDriver*> d;
  return d;
}

}  // namespace

bool CanShowWindows() {
  HWND w = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (!w) return false;
  DestroyWindow(w);
  return true;
}

HWND FindDialog(const std::wstring& caption) {
  struct Search {
    const std::wstring* caption;
    HWND found;
  } s{&caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (ClassOf(w) != L"#32770" || !IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
        if (!s->caption->empty() && WindowText(w) != *s->caption) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// ---------------------------------------------------------------- DialogHandle

std::wstring DialogHandle::caption() const { return WindowText(dlg_); }
std::wstring DialogHandle::text(int id) const { return WindowText(item(id)); }
bool DialogHandle::enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
bool DialogHandle::visible(int id) const { return IsWindowVisible(item(id)) != FALSE; }
bool DialogHandle::checked(int id) const { return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool DialogHandle::focused(int id) const {
  HWND f = GetFocus();
  return f && (f == item(id) || IsChild(item(id), f));
}

RECT DialogHandle::rect(int id) const {
  RECT r{};
  GetWindowRect(item(id), &r);
  MapWindowPoints(nullptr, dlg_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void DialogHandle::type(int id, const std::wstring& text) const {
  // SetWindowText on an edit sends EN_CHANGE itself.
  SetWindowTextW(item(id), text.c_str());
}

void DialogHandle::tick(int id, bool on) const {
  if (checked(id) == on) return;
  SendMessageW(item(id), BM_CLICK, 0, 0);
}

void DialogHandle::focus(int id) const { SendMessageW(dlg_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(id)), TRUE); }

void DialogHandle::pick(int id, int row, bool add) const {
  HWND w = item(id);
  if (IsListView(w)) {
    if (!add) ListView_SetItemState(w, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(w, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(w, row, FALSE);
    return;
  }
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    if (!add) SendMessageW(w, LB_SETSEL, FALSE, -1);
    SendMessageW(w, LB_SETSEL, TRUE, row);
    SendMessageW(w, LB_SETCARETINDEX, static_cast<WPARAM>(row), FALSE);
  } else {
    SendMessageW(w, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  }
  Notify(dlg_, w, LBN_SELCHANGE);
}

void DialogHandle::activate(int id, int row) const {
  HWND w = item(id);
  pick(id, row);
  if (IsListView(w)) {
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = w;
    nm.hdr.idFrom = static_cast<UINT_PTR>(id);
    nm.hdr.code = NM_DBLCLK;
    nm.iItem = row;
    SendMessageW(dlg_, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
    return;
  }
  Notify(dlg_, w, LBN_DBLCLK);
}

void DialogHandle::press(int id) const {
  PostMessageW(dlg_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id)));
}

void DialogHandle::key(int id, UINT vk) const {
  HWND w = item(id);
  SetFocus(w);
  const LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
  PostMessageW(w, WM_KEYDOWN, vk, down);
  const UINT ch = MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR);
  if (ch) PostMessageW(w, WM_CHAR, ch, down);
  PostMessageW(w, WM_KEYUP, vk, down | (1LL << 30) | (1LL << 31));
}

std::vector<std::wstring> DialogHandle::rows(int id, int column) const {
  HWND w = item(id);
  std::vector<std::wstring> out;
  if (IsListView(w)) {
    const int n = ListView_GetItemCount(w);
    for (int i = 0; i < n; ++i) {
      wchar_t buf[1024] = {};
      ListView_GetItemText(w, i, column, buf, 1024);
      out.push_back(buf);
    }
    return out;
  }
  const int n = static_cast<int>(SendMessageW(w, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    const int len = static_cast<int>(SendMessageW(w, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
    std::wstring s(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
    SendMessageW(w, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(len > 0 ? len : 0));
    out.push_back(s);
  }
  return out;
}

std::vector<int> DialogHandle::selectedRows(int id) const {
  HWND w = item(id);
  std::vector<int> out;
  if (IsListView(w)) {
    for (int i = ListView_GetNextItem(w, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(w, i, LVNI_SELECTED))
      out.push_back(i);
    return out;
  }
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    const int n = static_cast<int>(SendMessageW(w, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
      if (SendMessageW(w, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) out.push_back(i);
  } else {
    const int sel = static_cast<int>(SendMessageW(w, LB_GETCURSEL, 0, 0));
    if (sel >= 0) out.push_back(sel);
  }
  return out;
}

// ---------------------------------------------------------------- DialogDriver

DialogDriver::DialogDriver(int timeoutMs) : timeoutMs_(timeoutMs) {
  deadline_ = GetTickCount() + static_cast<DWORD>(timeoutMs_);
  timer_ = SetTimer(nullptr, 0, 30, &DialogDriver::Tick);
  Drivers()[timer_] = this;
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer_);
  Drivers().erase(timer_);
}

DialogDriver& DialogDriver::on(const std::wstring& caption, std::function<void(DialogHandle&)> step) {
  steps_.push_back({caption, std::move(step)});
  return *this;
}

bool DialogDriver::done() const { return next_ == steps_.size(); }
bool DialogDriver::timedOut() const { return timedOut_; }
size_t DialogDriver::stepsRun() const { return next_; }

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Drivers().find(id);
  if (it != Drivers().end()) it->second->Run();
}

void DialogDriver::Run() {
  // A step that sends a message into a nested modal loop would meet this timer again.
  if (running_ || done()) return;
  if (static_cast<LONG>(GetTickCount() - deadline_) > 0) {
    timedOut_ = true;
    next_ = steps_.size();
    // Close whatever is open, innermost first, so that the test ends.
    for (int guard = 0; guard < 10; ++guard) {
      HWND d = FindDialog();
      if (!d) break;
      SendMessageW(d, WM_COMMAND, IDCANCEL, 0);
      if (FindDialog() == d) EndDialog(d, IDCANCEL);
    }
    return;
  }
  HWND dlg = FindDialog(steps_[next_].caption);
  if (!dlg) return;
  running_ = true;
  DialogHandle h(dlg);
  auto act = steps_[next_].act;
  ++next_;
  act(h);
  running_ = false;
}

}  // namespace ruzer::test
