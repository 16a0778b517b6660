#include "shell/FileSetOpen.h"

#include <commdlg.h>

#include <algorithm>

namespace ruzer {

std::optional<std::wstring> FileSetOpenDialog::Show(App& app, const FileSetOpenRequest& r) {
  std::wstring filter = r.filter;
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.append(2, L'\0');
  std::wstring file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = r.initialFolder.empty() ? nullptr : r.initialFolder.c_str();
  ofn.lpstrTitle = r.title.c_str();
  ofn.lpstrDefExt = r.defaultExt.empty() ? nullptr : r.defaultExt.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT |
              OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (r.helpContext ? OFN_SHOWHELP : 0);
  ofn.lpfnHook = Hook;
  ofn.lCustData = reinterpret_cast<LPARAM>(this);
  app_ = &app;
  request_ = &r;
  lastSelection_.clear();
  const BOOL ok = GetOpenFileNameW(&ofn);
  app_ = nullptr;
  request_ = nullptr;
  if (!ok) return std::nullopt;
  file.resize(static_cast<size_t>(lstrlenW(file.c_str())));
  return file;
}

UINT_PTR CALLBACK FileSetOpenDialog::Hook(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lp);
    SetWindowLongPtrW(dlg, GWLP_USERDATA, ofn->lCustData);
    return 0;
  }
  if (msg != WM_NOTIFY) return 0;
  auto* self = reinterpret_cast<FileSetOpenDialog*>(GetWindowLongPtrW(dlg, GWLP_USERDATA));
  if (!self || !self->app_ || !self->request_) return 0;
  const auto* n = reinterpret_cast<const OFNOTIFYW*>(lp);
  switch (n->hdr.code) {
    case CDN_SELCHANGE: {
      wchar_t path[MAX_PATH * 4] = {};
      if (SendMessageW(GetParent(dlg), CDM_GETFILEPATH, MAX_PATH * 4, reinterpret_cast<LPARAM>(path)) <= 0)
        return 0;
      // One warning per selection, not one per notification of the same file.
      if (self->lastSelection_ == path) return 0;
      self->lastSelection_ = path;
      if (self->request_->onSelection) self->request_->onSelection(path);
      return 0;
    }
    case CDN_HELP:
      self->app_->user.HelpByContext(self->request_->helpContext);
      return 0;
    default:
      return 0;
  }
}

}  // namespace ruzer
