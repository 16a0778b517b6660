// TfVrfy, the backup data search: the generations of the active page's
// destination, oldest first with the date and the first line of each memo,
// and the folder whose versions the result dialog (TfRest) shows. This is its
// behaviour, free of any HWND; the Win32 view is in Vvrfy_view.h.
#pragma once

#include <string>
#include <vector>

#include "base/app.h"
#include "restore/Vrest.h"

namespace ruzer {

struct VerifyState {
  std::wstring dir;                 // edDir, the search folder
  std::vector<std::wstring> lines;  // lsPast
  int selected = -1;                // lsPast's selected line
  std::wstring status;              // stsBar
  bool searchEnabled = true;        // btnSrch
};

inline constexpr size_t kSearchFolderMaxLength = 600;

// One line of the list: "10年 05月 01日 B" and " : " + memo when there is one.
std::wstring GenerationLine(const std::wstring& generation, const std::wstring& memo);
// First line of the generation's "Memo.txt"; empty when there is none.
std::wstring GenerationMemo(const std::wstring& destination, const std::wstring& generation);

// The dialog became the active window: everything is read again.
void VerifyActivated(App& app, VerifyState& st);
// btnRef: the folder browser.
void VerifyBrowse(App& app, VerifyState& st);
// btnSrch: the result dialog for the search folder.
void VerifySearch(App& app, VerifyState& st, IRestoreDialog* results);

}  // namespace ruzer
