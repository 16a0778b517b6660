// The one toolkit every dialog of the program is built on: a modal frame from an
// in-memory template, controls created by id with a layout written in 96-DPI
// pixels and scaled to the window's DPI (again on a DPI change), the UI font,
// resize anchors, centring on the owner, Enter and Esc as in any Windows dialog,
// and the Help button and F1 opening the dialog's help keyword.
//
// A dialog view derives from Dialog, creates its controls in OnCreate and keeps
// its behaviour in plain functions over a state struct that never see an HWND.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "base/ui.h"

namespace ruzer {

// Edges of the dialog's client area a control keeps its distance to when the
// dialog is resized. Left and right together stretch it; right alone moves it.
enum Anchor : unsigned {
  kAnchorLeft = 1u << 0,
  kAnchorTop = 1u << 1,
  kAnchorRight = 1u << 2,
  kAnchorBottom = 1u << 3,
  kAnchorTopLeft = kAnchorLeft | kAnchorTop,
  kAnchorTopRight = kAnchorRight | kAnchorTop,
  kAnchorBottomLeft = kAnchorLeft | kAnchorBottom,
  kAnchorBottomRight = kAnchorRight | kAnchorBottom,
  kAnchorTopWide = kAnchorLeft | kAnchorRight | kAnchorTop,
  kAnchorBottomWide = kAnchorLeft | kAnchorRight | kAnchorBottom,
  kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
};

// A rectangle in 96-DPI pixels of the dialog's client area.
struct Rect96 {
  int x = 0, y = 0, w = 0, h = 0;
  int right() const { return x + w; }
  int bottom() const { return y + h; }
};

// The whole text of a window or control.
std::wstring WindowText(HWND w);

// Control id of every dialog's Help button (the system's IDHELP).
constexpr int kIdHelp = IDHELP;

// Standard sizes, 96-DPI pixels.
namespace dlg {
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kButtonW = 92;
constexpr int kButtonH = 28;
constexpr int kEditH = 24;
constexpr int kLabelH = 18;
constexpr int kCheckH = 22;
constexpr int kStatusBarH = 22;  // the one-panel status bar at 96 DPI, at least
}  // namespace dlg

class Dialog {
 public:
  struct Frame {
    std::wstring caption;
    int width = 320;   // client area, 96-DPI pixels
    int height = 200;
    bool resizable = false;  // never smaller than the size above
    std::wstring helpKeyword;  // Help button and F1; empty: no help
  };

  Dialog(IUser& user, Frame frame) : user_(user), frame_(std::move(frame)) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  void SetOwner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }

  // Shows the dialog modally; returns the id that closed it (IDOK, IDCANCEL, or
  // whatever a view passed to Close).
  int ShowModal();

  HWND hwnd() const { return hwnd_; }
  int dpi() const { return dpi_; }

 protected:
  IUser& user() { return user_; }
  const Frame& frame() const { return frame_; }
  void SetCaption(const std::wstring& caption);

  // ---- what a view provides
  // Creates the controls (Add...). Runs once per ShowModal, before the frame is shown.
  virtual void OnCreate() = 0;
  // Fills the controls from the state; returns true when it set the focus itself.
  virtual bool OnShow() { return false; }
  // Command from a control other than OK, Cancel and Help; true when handled.
  virtual bool OnCommand(int id, int notifyCode) {
    (void)id, (void)notifyCode;
    return false;
  }
  // WM_NOTIFY from a control; true when handled (result in `result`).
  virtual bool OnNotify(NMHDR* nm, LRESULT& result) {
    (void)nm, (void)result;
    return false;
  }
  // OK button or Enter: true closes the dialog with IDOK.
  virtual bool OnOk() { return true; }
  // Cancel button, Esc or the close box: true closes it with IDCANCEL.
  virtual bool OnCancel() { return true; }
  // Called after the anchors have placed every control, with the client size in
  // 96-DPI pixels: rules that anchors cannot express (Place moves controls).
  virtual void OnLayout(int width96, int height96) { (void)width96, (void)height96; }
  // The dialog became active (also when a nested dialog or box closes).
  virtual void OnActivate() {}
  // Any other message; true when handled (result in `result`).
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    (void)msg, (void)wp, (void)lp, (void)result;
    return false;
  }

  // ---- controls, created in OnCreate; rectangles in 96-DPI pixels
  HWND Add(const wchar_t* windowClass, int id, const std::wstring& text, Rect96 r, DWORD style,
           unsigned anchors = kAnchorTopLeft, DWORD exStyle = 0);
  HWND AddLabel(int id, const std::wstring& text, Rect96 r, unsigned anchors = kAnchorTopLeft,
                DWORD style = 0);
  HWND AddEdit(int id, Rect96 r, unsigned anchors = kAnchorTopLeft, DWORD style = ES_AUTOHSCROLL);
  HWND AddButton(int id, const std::wstring& text, Rect96 r, unsigned anchors = kAnchorTopLeft,
                 bool isDefault = false);
  HWND AddCheck(int id, const std::wstring& text, Rect96 r, unsigned anchors = kAnchorTopLeft);
  HWND AddGroup(int id, const std::wstring& text, Rect96 r, unsigned anchors = kAnchorTopLeft);
  HWND AddListBox(int id, Rect96 r, unsigned anchors = kAnchorTopLeft,
                  DWORD style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL);
  // Report-view list with full-row selection; columns in 96-DPI widths.
  HWND AddListView(int id, Rect96 r, const std::vector<std::pair<std::wstring, int>>& columns,
                   unsigned anchors = kAnchorTopLeft, DWORD style = LVS_REPORT | LVS_SHOWSELALWAYS);
  // OK, Cancel and (with a help keyword) Help in the bottom-right corner, above
  // the status bar when one was added before. Returns the top of the button row.
  int AddDialogButtons(const std::wstring& okText = L"OK", const std::wstring& cancelText = L"キャンセル");
  // One-panel status bar along the bottom edge.
  HWND AddStatusBar(int id, const std::wstring& text);
  // Tooltip shown over a control.
  void AddTooltip(int id, const std::wstring& text);
  // "+" and "-" (half or full width) typed in a list press its add and remove
  // buttons, while they are enabled.
  void PlusMinusKeys(int list, int addButton, int removeButton);

  // Moves a control (96-DPI pixels); for OnLayout rules.
  void Place(int id, Rect96 r);
  // Where the anchors put a control at the last layout (96-DPI pixels).
  Rect96 Placed(int id) const;

  // ---- reading and writing controls
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text);
  bool Checked(int id) const;
  void SetChecked(int id, bool on);
  void Enable(int id, bool on);
  bool Enabled(int id) const;
  void Show(int id, bool on);
  void Focus(int id);
  int FocusedId() const;  // 0 when the focus is on no control of this dialog
  void Close(int result);
  int Scale(int v96) const { return MulDiv(v96, dpi_, 96); }
  HFONT font() const { return font_.get(); }

 private:
  struct Control {
    int id;
    HWND hwnd;
    Rect96 r;  // as created
    Rect96 now;  // as last placed
    unsigned anchors;
  };
  static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK Filter(int code, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Init(HWND dlg);
  void Layout();
  void ApplyDpi(int dpi, const RECT* suggested);
  void Move(const Control& c);
  Control* Find(int id);
  const Control* Find(int id) const;
  void Help();

  IUser& user_;
  Frame frame_;
  HWND owner_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND status_ = nullptr;
  FontHandle font_;
  int dpi_ = 96;
  SIZE minFrame_{};  // outer size at the design size, for WM_GETMINMAXINFO
  std::vector<Control> controls_;
};

}  // namespace ruzer
