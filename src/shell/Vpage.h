// Commands on whole settings pages and file sets: open another file set, add,
// delete and rename a page; the page name dialog TfPage. The behaviour works
// on plain state; the windows only forward their events here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

// TfPage: the name field, the page files of the folder (information only).
struct PageNameState {
  std::wstring caption;
  std::wstring name;                   // edtPage
  bool keepName = false;               // the field keeps its text of the last use
  std::vector<std::wstring> existing;  // lstPage: every "*.pag" of the folder
  std::wstring folder;                 // whose page files are listed
};

// The window of TfPage. Show is modal: on activation it calls
// PageNameActivated, on OK PageNameConfirm, and closes with true when that
// let it. The dialog keeps its last name between uses.
class IPageNameDialog {
 public:
  virtual ~IPageNameDialog() = default;
  virtual bool Show(App& app, PageNameState& state) = 0;
};

// The platform's file-open dialog as the file-set command needs it: a name
// that does not exist yet may be typed; every change of the selection is
// reported to onSelection. nullopt when cancelled.
struct FileSetOpenRequest {
  std::wstring title;
  std::wstring filter;  // "name|pattern|name|pattern"
  std::wstring defaultExt;
  std::wstring initialFolder;
  int helpContext = 0;
  std::function<void(const std::wstring& path)> onSelection;
};
class IFileSetOpenDialog {
 public:
  virtual ~IFileSetOpenDialog() = default;
  virtual std::optional<std::wstring> Show(App& app, const FileSetOpenRequest& request) = 0;
};

// Names of the files "*.pag" in the folder (hidden, system, read-only too).
std::vector<std::wstring> ListPageFiles(const std::wstring& folder);

// Events of TfPage.
void PageNameActivated(PageNameState& state);
// OK: the page name check. True lets the dialog close (state.name is then the
// name to use, without a ".PAG" typed after it).
bool PageNameConfirm(App& app, PageNameState& state);

// The commands (status line cleared by the caller).
void OpenFileSet(App& app);  // mnuXopen
void AddPage(App& app);      // mnuPgAdd
void DeletePage(App& app);   // mnuPgDel
void RenamePage(App& app);   // mnuPgRen

// The file-open dialog's selection became `path`: the ".PAG" warning.
void FileSetSelectionChanged(App& app, const std::wstring& path);
// After the dialog: whether `path` may be opened (with its warnings).
bool FileSetChoiceAcceptable(App& app, const std::wstring& path);

// The index file on disk lists exactly the pages of app.pages, in order.
bool IndexOnDiskMatches(const App& app);

}  // namespace ruzer
