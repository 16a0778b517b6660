// The real IUser: Win32 message boxes, the folder browser, the file-open
// dialog and the HTML Help viewer. Boxes whose buttons a standard message box
// offers go through MessageBoxIndirectW; other sets (Yes + Abort + Help, and
// every set with Help) through a small dialog built in memory with the same look.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/app.h"
#include "base/ui.h"

namespace ruzer {

class Win32User final : public IUser {
 public:
  Win32User() = default;
  ~Win32User() override = default;
  Win32User(const Win32User&) = delete;
  Win32User& operator=(const Win32User&) = delete;

  // The main window; boxes are owned by it (or by the dialog open above it).
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }
  // Where the help file name comes from (app.helpFile, set at first activation).
  void SetApp(const App* app) { app_ = app; }
  // Told when a message box starts and stops waiting for the user.
  void SetBoxWatcher(std::function<void(bool waiting)> watcher) { boxWatcher_ = std::move(watcher); }
  // Closes the help viewer windows this run opened (at program end).
  void CloseHelp();

  MsgButton Message(const MessageRequest& request) override;
  // The in-memory box with the request's own buttons and check box.
  ChoiceAnswer Choose(const ChoiceRequest& request) override;
  std::optional<std::wstring> BrowseFolder(const std::wstring& title,
                                           const std::wstring& initial) override;
  std::optional<std::wstring> OpenFile(const std::wstring& title, const std::wstring& filter,
                                       const std::wstring& initialFolder) override;
  // A missing help file gives a short information box instead of the viewer.
  void HelpByKeyword(const std::wstring& keyword) override;
  void HelpByContext(int context) override;

  // The MessageBox style for a button set, or 0 when no standard box has
  // exactly those buttons (the in-memory dialog is used then).
  static UINT StandardButtons(unsigned buttons, MsgButton defaultButton);

  // The window to own a modal box now: the popup last active above the main
  // window (a dialog that is open), else the main window, else the active one.
  HWND CurrentOwner() const;

 private:
  std::wstring HelpFile() const;
  bool HelpAvailable();  // shows the information box when it is not

  HWND owner_ = nullptr;
  std::function<void(bool)> boxWatcher_;
  const App* app_ = nullptr;
  bool helpOpened_ = false;
};

// Texts of the buttons of the in-memory box.
const wchar_t* ButtonCaption(MsgButton button);

// The system's folder browser (new dialog style) over `owner`, opened at
// `initial`; with a `root`, nothing above it can be chosen.
struct FolderPick {
  enum Kind { Cancelled, Failed, Chosen } kind = Cancelled;  // Failed: no such root, or no file-system path
  std::wstring path;
};
FolderPick BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initial,
                           const std::wstring& root = {});

}  // namespace ruzer
