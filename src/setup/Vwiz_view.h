// TfWiz "簡単初期設定": the check list of the usual personal folders. Each
// opening recomputes the lines (Vwiz); a click or the space bar toggles a line;
// OK turns the checked lines into source rows of the active page.
#pragma once

#include <optional>
#include <vector>

#include "base/dialog.h"
#include "base/handles.h"
#include "setup/Vwiz.h"
#include "setup/dialogs.h"

namespace ruzer {

class TfWiz final : public IWizardDialog, private Dialog {
 public:
  static constexpr int kTxOS = 101;
  static constexpr int kGrpDir = 102;
  static constexpr int kLvDir = 103;

  // Picture index of each state in lvdir's image list.
  static int ImageOf(WizState s) { return static_cast<int>(s); }

  explicit TfWiz(IUser& user, HWND owner = nullptr);
  ~TfWiz() override;
  void SetOwner(HWND owner) { Dialog::SetOwner(owner); }
  void Show(App& app) override;

  // Test seams: the folders looked up and the Windows family.
  void SetSourcesForTests(IWizardSources* sources) { sources_ = sources; }
  void SetFamilyForTests(std::optional<WinFamily> family) { family_ = family; }
  const std::vector<WizLine>& lines() const { return lines_; }

 private:
  void OnCreate() override;
  bool OnShow() override;
  bool OnNotify(NMHDR* nm, LRESULT& result) override;
  bool OnOk() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void MakeImages();
  void Fill();
  void Refresh();
  void Click(int index);

  App* app_ = nullptr;
  IWizardSources* sources_ = nullptr;
  std::optional<WinFamily> family_;
  std::vector<WizLine> lines_;
  HIMAGELIST images_ = nullptr;
};

// Draws the five state pictures at `size` pixels (check mark, empty box, red
// cross over a checked and over an empty box, nothing) into an image list.
HIMAGELIST MakeWizardStateImages(int size);

}  // namespace ruzer
