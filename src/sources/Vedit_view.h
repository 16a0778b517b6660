// TfEdit: the folder settings dialog, the Win32 view over FolderDialogState and
// FolderDialogLogic. The row commands reach it through IFolderDialog
// (app.folderDialog); the pattern dialog through app.patternDialog.
#pragma once

#include <windows.h>

#include "base/app.h"
#include "base/dialog.h"
#include "base/handles.h"
#include "sources/Vedit.h"

namespace ruzer {

// The shell's folder browser (new dialog style), optionally rooted at a folder.
class ShellFolderBrowser final : public IFolderBrowser {
 public:
  BrowseResult Browse(const std::wstring& caption, const std::wstring& initial, const std::wstring& root) override;
  void SetOwner(HWND owner) { owner_ = owner; }

 private:
  HWND owner_ = nullptr;
};

class TfEdit final : public IFolderDialog, private Dialog {
 public:
  enum Id : int {
    kPnlSrc = 201,
    kEdtSrc,
    kBtnRef,
    kLblSpfol,
    kEdtSpfol,
    kChkNewDir,
    kGrpDir,
    kLbDir,
    kBtAddDir,
    kBtDelDir,
    kPnlBU1,
    kLstFile1,
    kBtnAddf1,
    kBtnDelf1,
    kPnlBU2,
    kLstFile2,
    kBtnAddf2,
    kBtnDelf2,
    kStsBar,
  };

  // `browser` null: the shell's own.
  explicit TfEdit(App& app, IFolderBrowser* browser = nullptr);
  void SetOwner(HWND owner) {
    Dialog::SetOwner(owner);
    shell_.SetOwner(owner);
  }

  bool Show(FolderDialogState& state) override;

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int code) override;
  bool OnOk() override;
  void OnLayout(int width96, int height96) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

  void Pull();  // controls -> state
  void Push();  // state -> controls
  void PushList(int id, const std::vector<std::wstring>& entries, const std::vector<int>* selected = nullptr);
  std::vector<int> Selected(int id) const;
  bool Grey(int groupId) const;

  App& app_;
  ShellFolderBrowser shell_;
  IFolderBrowser* browser_;
  FolderDialogState s_;
  FolderDialogLogic logic_{app_, *browser_, s_};
  BrushHandle grey_;
};

}  // namespace ruzer
