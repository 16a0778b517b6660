// TfFname: the file-name pattern dialog. Its behaviour (PatternDialogState and
// the functions over it) is plain; TfFname is its Win32 view. Callers reach it
// through IPatternDialog (app.patternDialog).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/dialog.h"
#include "base/ui.h"

namespace ruzer {

struct PatternDialogState {
  std::wstring dir;                 // Dir: the folder whose files are listed
  std::wstring text;                // edtFname
  std::wstring mask;                // FileMask of the current listing
  std::vector<std::wstring> files;  // lstFiles
};

// Names of the files (hidden and system ones included, no folders) of dir\mask.
std::vector<std::wstring> ListPatternFiles(const std::wstring& dir, const std::wstring& mask);
// Activation, leaving the field and Enter: the mask from the field, listed again.
void PatternRelist(PatternDialogState& s);
// btnAll.
void PatternAll(PatternDialogState& s);
// Click on a listed name.
void PatternPick(PatternDialogState& s, int index);
// OK: true when the dialog may close; the field is then trimmed.
bool PatternOk(App& app, PatternDialogState& s);

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
