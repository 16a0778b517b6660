// The platform's file-open dialog for "open file set": a new index name may be
// typed (the dialog asks before it is created), and every change of the
// selection is reported so that page files can be refused at once.
#pragma once

#include "shell/Vpage.h"

namespace ruzer {

class FileSetOpenDialog final : public IFileSetOpenDialog {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  std::optional<std::wstring> Show(App& app, const FileSetOpenRequest& request) override;

 private:
  static UINT_PTR CALLBACK Hook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
  HWND owner_ = nullptr;
  App* app_ = nullptr;
  const FileSetOpenRequest* request_ = nullptr;
  std::wstring lastSelection_;
};

}  // namespace ruzer
