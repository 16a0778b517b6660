// TfMenuR "スタートメニューへの登録": the two boxes for the shortcuts of the
// current file set. Created once; the boxes keep their state between openings.
#pragma once

#include <optional>

#include "base/dialog.h"
#include "setup/Sinst.h"
#include "setup/dialogs.h"

namespace ruzer {

class TfMenuR final : public IMenuRDialog, private Dialog {
 public:
  static constexpr int kGrpIdx = 101;
  static constexpr int kLblIdx = 102;
  static constexpr int kChkStartUp = 103;
  static constexpr int kChkHoshu = 104;

  explicit TfMenuR(IUser& user, HWND owner = nullptr);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }
  // Modal; OK creates the chosen shortcuts (RegisterShortcuts) and closes.
  void Show(App& app) override;

  const MenuRChoice& choice() const { return choice_; }
  // Where the shortcuts go instead of the user's Startup and Programs folders.
  void SetFoldersForTests(const ShortcutFolders& folders) { folders_ = folders; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  void OnActivate() override;
  bool OnOk() override;
  bool OnCancel() override;
  void Keep();

  App* app_ = nullptr;
  MenuRChoice choice_;
  std::optional<ShortcutFolders> folders_;
};

}  // namespace ruzer
