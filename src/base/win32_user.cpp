#include "base/win32_user.h"

#include <commdlg.h>
#include <htmlhelp.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "base/font.h"
#include "base/handles.h"
#include "base/help.h"

namespace ruzer {

namespace {

// Id of the text of a box, as the system's message box has it.
constexpr int kTextId = 0xFFFF;

constexpr MsgButton kButtonOrder[] = {kOk, kYes, kNo, kAbort, kRetry, kIgnore, kCancel, kHelp};

int ButtonId(MsgButton b) {
  switch (b) {
    case kOk: return IDOK;
    case kCancel: return IDCANCEL;
    case kYes: return IDYES;
    case kNo: return IDNO;
    case kAbort: return IDABORT;
    case kRetry: return IDRETRY;
    case kIgnore: return IDIGNORE;
    case kHelp: return IDHELP;
  }
  return IDOK;
}

std::optional<MsgButton> FromId(int id) {
  switch (id) {
    case IDOK: return kOk;
    case IDCANCEL: return kCancel;
    case IDYES: return kYes;
    case IDNO: return kNo;
    case IDABORT: return kAbort;
    case IDRETRY: return kRetry;
    case IDIGNORE: return kIgnore;
    default: return std::nullopt;
  }
}

unsigned Offered(const MessageRequest& r) { return (r.buttons & ~kHelp) ? r.buttons : (r.buttons | kOk); }

// The answer when the box was closed without a button: Cancel when offered,
// else the default button (when it is one of the buttons), else the first.
MsgButton CloseAnswer(unsigned offered, MsgButton def) {
  if (offered & kCancel) return kCancel;
  if ((offered & def) && def != kHelp) return def;
  for (MsgButton b : kButtonOrder)
    if (b != kHelp && (offered & b)) return b;
  return kOk;
}

UINT IconStyle(MsgKind kind) {
  switch (kind) {
    case MsgKind::Warning: return MB_ICONWARNING;
    case MsgKind::Error: return MB_ICONERROR;
    case MsgKind::Information: return MB_ICONINFORMATION;
    case MsgKind::Confirmation: return MB_ICONQUESTION;
  }
  return MB_ICONINFORMATION;
}

const wchar_t* IconResource(MsgKind kind) {
  switch (kind) {
    case MsgKind::Warning: return IDI_WARNING;
    case MsgKind::Error: return IDI_ERROR;
    case MsgKind::Information: return IDI_INFORMATION;
    case MsgKind::Confirmation: return IDI_QUESTION;
  }
  return IDI_INFORMATION;
}

// ---------------------------------------------------------------- in-memory box

struct Box {
  std::wstring caption;
  std::wstring text;
  HICON icon = nullptr;
  UINT sound = MB_OK;  // MessageBeep type; MB_OK plays none here
  std::vector<MsgButton> buttons;  // shown left to right
  MsgButton def = kOk;
  unsigned offered = kOk;
  int helpContext = 0;
  Win32User* user = nullptr;
  GdiObject font;
  // A choice box: buttons with these texts (ids kChoiceId + index) instead of
  // `buttons`, and a check box under the text when checkText is set.
  std::vector<std::wstring> choices;
  int defChoice = 0;
  std::wstring checkText;
  bool checked = false;
};

// Ids of a choice box's buttons and check box.
constexpr int kChoiceId = 200;
constexpr int kCheckId = 199;

int ButtonCount(const Box& box) {
  return static_cast<int>(box.choices.empty() ? box.buttons.size() : box.choices.size());
}
std::wstring ButtonText(const Box& box, int i) {
  return box.choices.empty() ? std::wstring(ButtonCaption(box.buttons[i])) : box.choices[i];
}
int ButtonIdAt(const Box& box, int i) { return box.choices.empty() ? ButtonId(box.buttons[i]) : kChoiceId + i; }
bool IsDefaultAt(const Box& box, int i) { return box.choices.empty() ? box.buttons[i] == box.def : i == box.defChoice; }

RECT WorkAreaNear(HWND w) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  const HMONITOR mon = w ? MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY)
                         : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (GetMonitorInfoW(mon, &mi)) return mi.rcWork;
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return r;
}

void LayOut(HWND dlg, Box& box) {
  WindowDc measuring(dlg);
  const int dpi = GetDeviceCaps(measuring.get(), LOGPIXELSY);
  auto px = [dpi](int v) { return MulDiv(v, dpi, 96); };

  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    box.font.reset(CreateFontIndirectW(&ncm.lfMessageFont));
  HFONT font = box.font ? static_cast<HFONT>(box.font.get())
                        : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  measuring.Select(font);
  const HDC dc = measuring.get();

  const HWND owner = GetWindow(dlg, GW_OWNER);
  const RECT work = WorkAreaNear(owner);
  const int margin = px(12), gap = px(10), buttonGap = px(6);
  const int iconW = box.icon ? GetSystemMetrics(SM_CXICON) : 0;
  const int iconH = box.icon ? GetSystemMetrics(SM_CYICON) : 0;

  const int maxText = std::max(px(200), static_cast<int>(work.right - work.left) * 3 / 4 - iconW -
                                            gap - 2 * margin);
  RECT tr{0, 0, maxText, 0};
  DrawTextW(dc, box.text.c_str(), static_cast<int>(box.text.size()), &tr,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL);
  const int textW = std::max<int>(tr.right - tr.left, px(40));
  const int textH = std::max<int>(tr.bottom - tr.top, 1);

  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int buttonH = std::max(px(23), static_cast<int>(tm.tmHeight) + px(10));
  const int n = ButtonCount(box);
  int buttonW = px(75);
  for (int i = 0; i < n; ++i) {
    const std::wstring c = ButtonText(box, i);
    buttonW = std::max(buttonW, static_cast<int>(TextExtent(dc, c).cx) + px(20));
  }
  const SIZE checkSize = box.checkText.empty() ? SIZE{} : TextExtent(dc, box.checkText);

  const int rowW = n * buttonW + (n - 1) * buttonGap;
  const int topW = iconW + (iconW ? gap : 0) + textW;
  const int checkW = box.checkText.empty() ? 0 : checkSize.cx + px(24);
  const int checkH = box.checkText.empty() ? 0 : std::max<int>(checkSize.cy, px(16)) + px(10);
  const int clientW = std::max({topW, rowW, checkW}) + 2 * margin;
  const int topH = std::max(iconH, textH);
  const int clientH = margin + topH + px(16) + checkH + buttonH + margin;

  if (box.icon) {
    HWND ic = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin,
                              iconW, iconH, dlg, nullptr, nullptr, nullptr);
    SendMessageW(ic, STM_SETICON, reinterpret_cast<WPARAM>(box.icon), 0);
  }
  const int textX = margin + iconW + (iconW ? gap : 0);
  const int textY = margin + (topH - textH) / 2;
  HWND st = CreateWindowExW(0, L"STATIC", box.text.c_str(),
                            WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, textX,
                            textY, textW, textH, dlg,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), nullptr, nullptr);
  SendMessageW(st, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  if (!box.checkText.empty()) {
    HWND ck = CreateWindowExW(0, L"BUTTON", box.checkText.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, textX,
                              margin + topH + px(8), checkW, checkH - px(6), dlg,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCheckId)), nullptr, nullptr);
    SendMessageW(ck, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  HWND defButton = nullptr;
  int defId = IDOK;
  int x = (clientW - rowW) / 2;
  const int y = clientH - margin - buttonH;
  for (int i = 0; i < n; ++i) {
    const bool isDef = IsDefaultAt(box, i);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDef ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (i == 0) style |= WS_GROUP;
    HWND bw = CreateWindowExW(0, L"BUTTON", ButtonText(box, i).c_str(), style, x, y, buttonW, buttonH, dlg,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(ButtonIdAt(box, i))), nullptr,
                              nullptr);
    SendMessageW(bw, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (isDef) {
      defButton = bw;
      defId = ButtonIdAt(box, i);
    }
    x += buttonW + buttonGap;
  }

  RECT wr{0, 0, clientW, clientH};
  AdjustWindowRectEx(&wr, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  RECT around = work;
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  int left = around.left + ((around.right - around.left) - w) / 2;
  int top = around.top + ((around.bottom - around.top) - h) / 2;
  left = std::max<int>(work.left, std::min<int>(left, work.right - w));
  top = std::max<int>(work.top, std::min<int>(top, work.bottom - h));
  SetWindowPos(dlg, nullptr, left, top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowTextW(dlg, box.caption.c_str());

  if (defButton) {
    SendMessageW(dlg, DM_SETDEFID, defId, 0);
    SetFocus(defButton);
  }
}

INT_PTR CALLBACK BoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* box = reinterpret_cast<Box*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      box = reinterpret_cast<Box*>(lp);
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      LayOut(dlg, *box);
      if (box->sound != MB_OK) MessageBeep(box->sound);
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      if (!box) return FALSE;
      const int id = LOWORD(wp);
      if (!box->choices.empty()) {
        // Escape and the close box end it without a choice.
        if (id == IDCANCEL || (id >= kChoiceId && id < kChoiceId + ButtonCount(*box))) {
          box->checked = IsDlgButtonChecked(dlg, kCheckId) == BST_CHECKED;
          EndDialog(dlg, id == IDCANCEL ? kChoiceId - 2 : id);
        }
        return TRUE;
      }
      if (id == IDHELP) {
        if ((box->offered & kHelp) && box->user) box->user->HelpByContext(box->helpContext);
        return TRUE;
      }
      if (id == IDCANCEL && !(box->offered & kCancel)) {
        // Escape or the close box: the answer of closing.
        EndDialog(dlg, ButtonId(CloseAnswer(box->offered, box->def)));
        return TRUE;
      }
      if (const auto b = FromId(id); b && (box->offered & *b)) EndDialog(dlg, id);
      return TRUE;
    }
    case WM_HELP:
      if (box && (box->offered & kHelp) && box->user) box->user->HelpByContext(box->helpContext);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunBox(HWND owner, Box& box) {
  // An empty frame; the controls are made and placed in pixels at WM_INITDIALOG.
  alignas(DWORD) WORD tmpl[16] = {};
  auto* t = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  t->cdit = 0;
  t->cx = 100;
  t->cy = 50;
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t, owner, BoxProc, reinterpret_cast<LPARAM>(&box));
}

MsgButton ShowBox(HWND owner, Box& box) {
  const INT_PTR r = RunBox(owner, box);
  if (r <= 0) return CloseAnswer(box.offered, box.def);
  const auto b = FromId(static_cast<int>(r));
  return b && (box.offered & *b) ? *b : CloseAnswer(box.offered, box.def);
}

// ---------------------------------------------------------------- system box

int CALLBACK BrowseCallback(HWND w, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(w, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

const wchar_t* ButtonCaption(MsgButton button) {
  switch (button) {
    case kOk: return L"OK";
    case kCancel: return L"キャンセル";
    case kYes: return L"はい";
    case kNo: return L"いいえ";
    case kAbort: return L"中止";
    case kRetry: return L"再試行";
    case kIgnore: return L"無視";
    case kHelp: return L"ヘルプ";
  }
  return L"OK";
}

UINT Win32User::StandardButtons(unsigned buttons, MsgButton defaultButton) {
  // The system box's Help button is not everywhere wired to its callback (Wine
  // leaves it dead), so boxes with Help are always our own.
  if (buttons & kHelp) return 0;
  const unsigned set = buttons;
  UINT style;
  std::vector<MsgButton> order;
  switch (set) {
    case 0:
    case kOk: style = MB_OK; order = {kOk}; break;
    case kOk | kCancel: style = MB_OKCANCEL; order = {kOk, kCancel}; break;
    case kYes | kNo: style = MB_YESNO; order = {kYes, kNo}; break;
    case kYes | kNo | kCancel: style = MB_YESNOCANCEL; order = {kYes, kNo, kCancel}; break;
    case kRetry | kCancel: style = MB_RETRYCANCEL; order = {kRetry, kCancel}; break;
    case kAbort | kRetry | kIgnore: style = MB_ABORTRETRYIGNORE; order = {kAbort, kRetry, kIgnore}; break;
    default: return 0;
  }
  static constexpr UINT kDefault[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] == defaultButton) style |= kDefault[i];
  return style;
}

HWND Win32User::CurrentOwner() const {
  if (owner_ && IsWindow(owner_)) {
    HWND popup = GetLastActivePopup(owner_);
    if (popup && IsWindowVisible(popup) && IsWindowEnabled(popup)) return popup;
    return owner_;
  }
  return GetActiveWindow();
}

namespace {
// Tells the box watcher (the taskbar's paused state) while a box waits.
struct Waiting {
  const std::function<void(bool)>& tell;
  explicit Waiting(const std::function<void(bool)>& t) : tell(t) {
    if (tell) tell(true);
  }
  ~Waiting() {
    if (tell) tell(false);
  }
};
}  // namespace

MsgButton Win32User::Message(const MessageRequest& request) {
  const Waiting waiting(boxWatcher_);
  const unsigned offered = Offered(request);
  const HWND owner = CurrentOwner();
  if (const UINT set = StandardButtons(offered, request.defaultButton)) {
    MSGBOXPARAMSW p{};
    p.cbSize = sizeof p;
    p.hwndOwner = owner;
    p.lpszText = request.text.c_str();
    p.lpszCaption = Fdef::kProduct;
    p.dwStyle = set | IconStyle(request.kind) | (owner ? 0 : MB_TASKMODAL);
    p.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
    const int r = MessageBoxIndirectW(&p);
    const auto b = FromId(r);
    return b && (offered & *b) ? *b : CloseAnswer(offered, request.defaultButton);
  }

  Box box;
  box.caption = Fdef::kProduct;
  box.text = request.text;
  box.icon = LoadIconW(nullptr, IconResource(request.kind));
  box.sound = IconStyle(request.kind);
  for (MsgButton b : kButtonOrder)
    if (offered & b) box.buttons.push_back(b);
  box.def = (offered & request.defaultButton) && request.defaultButton != kHelp
                ? request.defaultButton
                : box.buttons.front();
  box.offered = offered;
  box.helpContext = request.helpContext;
  box.user = this;
  return ShowBox(owner, box);
}

ChoiceAnswer Win32User::Choose(const ChoiceRequest& request) {
  ChoiceAnswer answer;
  if (request.choices.empty()) return answer;
  const Waiting waiting(boxWatcher_);
  Box box;
  box.caption = Fdef::kProduct;
  box.text = request.text;
  box.icon = LoadIconW(nullptr, IconResource(request.kind));
  box.sound = IconStyle(request.kind);
  box.choices = request.choices;
  box.defChoice = std::clamp(request.defaultChoice, 0, static_cast<int>(request.choices.size()) - 1);
  box.checkText = request.checkText;
  box.user = this;
  const INT_PTR r = RunBox(CurrentOwner(), box);
  if (r >= kChoiceId && r < kChoiceId + static_cast<INT_PTR>(request.choices.size()))
    answer.choice = static_cast<int>(r - kChoiceId);
  answer.checked = answer.choice >= 0 && box.checked;
  return answer;
}

FolderPick BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initial,
                           const std::wstring& root) {
  FolderPick r;
  CoTaskMemPtr<ITEMIDLIST> rootPidl;
  if (!root.empty() && FAILED(SHParseDisplayName(root.c_str(), nullptr, rootPidl.put(), 0, nullptr))) {
    r.kind = FolderPick::Failed;
    return r;
  }
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.pidlRoot = rootPidl.get();
  bi.pszDisplayName = display;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = &BrowseCallback;
  bi.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
  CoTaskMemPtr<ITEMIDLIST> pidl(SHBrowseForFolderW(&bi));
  if (!pidl) return r;
  std::wstring path(32768, L'\0');
  // SHGetPathFromIDListEx is Vista+ and takes the buffer size; MAX_PATH is its floor.
  const BOOL ok = SHGetPathFromIDListW(pidl.get(), path.data());
  path.resize(lstrlenW(path.c_str()));
  r.kind = ok && !path.empty() ? FolderPick::Chosen : FolderPick::Failed;
  if (r.kind == FolderPick::Chosen) r.path = path;
  return r;
}

std::optional<std::wstring> Win32User::BrowseFolder(const std::wstring& title,
                                                    const std::wstring& initial) {
  FolderPick pick = BrowseForFolder(CurrentOwner(), title, initial);
  if (pick.kind != FolderPick::Chosen) return std::nullopt;
  return std::move(pick.path);
}

std::optional<std::wstring> Win32User::OpenFile(const std::wstring& title,
                                                const std::wstring& filter,
                                                const std::wstring& initialFolder) {
  std::wstring f = filter;
  std::replace(f.begin(), f.end(), L'|', L'\0');
  f.push_back(L'\0');
  f.push_back(L'\0');
  std::wstring file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = CurrentOwner();
  ofn.lpstrFilter = filter.empty() ? nullptr : f.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  file.resize(lstrlenW(file.c_str()));
  return file;
}

std::wstring Win32User::HelpFile() const { return app_ ? app_->helpFile : std::wstring(); }

bool Win32User::HelpAvailable() {
  const std::wstring file = HelpFile();
  if (!file.empty() && FileExists(file)) return true;
  // The viewer on a missing file shows nothing useful, or waits; say so briefly.
  const std::wstring text =
      L"ヘルプファイルが見つかりません." + (file.empty() ? std::wstring() : L"\r\n<" + file + L">");
  const HWND owner = GetActiveWindow() ? GetActiveWindow() : CurrentOwner();
  MessageBoxW(owner, text.c_str(), Fdef::kProduct,
              MB_OK | MB_ICONINFORMATION | (owner ? 0 : MB_TASKMODAL));
  return false;
}

void Win32User::HelpByKeyword(const std::wstring& keyword) {
  if (!HelpAvailable()) return;
  const std::wstring file = HelpFile();
  const HWND owner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
  helpOpened_ = true;
  // The program knows the topic file of each of its keywords: opened by file,
  // the right topic shows with any viewer, whatever its keyword index.
  if (const std::wstring topic = HelpFileOfKeyword(keyword); !topic.empty()) {
    HtmlHelpW(owner, HelpTopicUrl(file, topic).c_str(), HH_DISPLAY_TOPIC, 0);
    return;
  }
  // A keyword of no known topic: the viewer's index (the contents first, as
  // the lookup finds its topic reliably only once the viewer is open).
  HtmlHelpW(owner, file.c_str(), HH_DISPLAY_TOPIC, 0);
  HH_AKLINK link{};
  link.cbStruct = sizeof link;
  link.fReserved = FALSE;
  link.pszKeywords = keyword.c_str();
  link.fIndexOnFail = TRUE;
  HtmlHelpW(owner, file.c_str(), HH_KEYWORD_LOOKUP, reinterpret_cast<DWORD_PTR>(&link));
}

void Win32User::HelpByContext(int context) {
  if (!HelpAvailable()) return;
  const std::wstring file = HelpFile();
  const HWND owner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
  helpOpened_ = true;
  // Context 0 is no topic of its own: the help file opens at its contents.
  if (const std::wstring topic = HelpFileOfContext(context); !topic.empty())
    HtmlHelpW(owner, HelpTopicUrl(file, topic).c_str(), HH_DISPLAY_TOPIC, 0);
  else
    HtmlHelpW(owner, file.c_str(), HH_HELP_CONTEXT, static_cast<DWORD_PTR>(context));
}

void Win32User::CloseHelp() {
  // Also viewers the main window opened itself; but do not load the viewer
  // just to close nothing.
  if (helpOpened_ || GetModuleHandleW(L"hhctrl.ocx")) HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
  helpOpened_ = false;
}

}  // namespace ruzer
