#include "restore/Vvrfy.h"

#include "base/services.h"
#include "base/textfile.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"

namespace ruzer {

std::wstring GenerationLine(const std::wstring& generation, const std::wstring& memo) {
  if (generation.size() != 7) return generation;
  std::wstring line = generation.substr(0, 2) + L"年 " + generation.substr(2, 2) + L"月 " +
                      generation.substr(4, 2) + L"日 " + generation.substr(6, 1);
  if (!memo.empty()) line += L" : " + memo;
  return line;
}

std::wstring GenerationMemo(const std::wstring& destination, const std::wstring& generation) {
  std::wstring folder = destination;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  const std::wstring path = folder + generation + L"\\Memo.txt";
  if (PathKind(path) != 1) return std::wstring();
  // A memo is one line; a file of megabytes is not one of ours.
  TextReadResult r = ReadTextFile(path, 1024 * 1024);
  if (!r.ok() || r.lines.empty()) return std::wstring();
  return r.lines.front();
}

void VerifyActivated(App& app, VerifyState& st) {
  st.status.clear();
  st.searchEnabled = true;
  st.lines.clear();
  st.selected = -1;
  st.dir = app.view.SelectedTreeFolder().substr(0, kSearchFolderMaxLength);
  if (!CheckDestinationVolume(app)) return;
  const std::wstring& dest = DestinationOf(app.env);  // perhaps on another drive letter today
  if (!dest.empty()) {
    for (const auto& entry : ListGenerations(app, dest)) {
      const std::wstring name = entry.substr(2);
      st.lines.push_back(GenerationLine(name, GenerationMemo(dest, name)));
    }
  }
  if (!st.lines.empty()) {
    st.selected = 0;  // the oldest: every generation is searched
  } else {
    st.status = L"バックアップ・データがありません．";
    st.searchEnabled = false;
  }
}

void VerifyBrowse(App& app, VerifyState& st) {
  const std::wstring initial = PathKind(st.dir) == 2 ? st.dir : std::wstring();
  auto chosen = app.user.BrowseFolder(L"検索フォルダの選択", initial);
  if (chosen) st.dir = chosen->substr(0, kSearchFolderMaxLength);
}

void VerifySearch(App& app, VerifyState& st, IRestoreDialog* results) {
  if (st.dir.empty()) {
    ShowMessage(app.user, MsgKind::Information, L"検索したいフォルダを指定してください");
  } else if (NormalizedSearchFolder(st.dir).empty()) {
    // A relative or malformed path would be read, and restored into, somewhere unintended.
    ShowMessage(app.user, MsgKind::Warning, L"<" + st.dir + L"> フォルダ名が正しくありません.");
    return;
  } else if (results) {
    results->Show(RestoreRequest{st.dir, st.lines, st.selected < 0 ? 0 : st.selected});
  }
  // Coming back to the dialog reads everything again.
  VerifyActivated(app, st);
}

}  // namespace ruzer
