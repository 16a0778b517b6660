// TfFname: the file-name pattern dialog, the Win32 view over PatternDialogState
// (Vfile.h). Callers reach it through IPatternDialog (app.patternDialog).
#pragma once

#include <optional>
#include <string>

#include "base/app.h"
#include "base/dialog.h"
#include "base/ui.h"
#include "sources/Vfile.h"

namespace ruzer {

class TfFname final : public IPatternDialog, private Dialog {
 public:
  static constexpr int kEdtFname = 101;
  static constexpr int kBtnAll = 102;
  static constexpr int kLstFiles = 103;
  static constexpr int kStsBar = 104;

  explicit TfFname(App& app);
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }

  // The pattern on OK, trimmed; nullopt on Cancel.
  std::optional<std::wstring> Pick(const std::optional<std::wstring>& folder,
                                   const std::optional<std::wstring>& text) override;

  const PatternDialogState& state() const { return s_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnCommand(int id, int code) override;
  bool OnOk() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void OnActivate() override;
  void OnLayout(int width96, int height96) override;
  void ShowFiles();

  App& app_;
  PatternDialogState s_;
};

}  // namespace ruzer
