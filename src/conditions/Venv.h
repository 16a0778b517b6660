// TfEnv: the backup conditions of the active page (destination, volume label,
// retention, flags, default patterns). The behaviour works on a plain state
// that the window mirrors; the window only forwards its events here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

// What the dialog shows. The two pattern lists are kept in the order shown.
struct EnvDialogState {
  std::wstring caption;
  std::wstring tamDir;    // edtTamDir
  std::wstring volName;   // edtVolName
  std::wstring backDays;  // edtBackDays, as typed
  bool oncePerDay = true; // chk1time (flag 2)
  bool newDirSub = true;  // chkNewDir (flag 4)
  std::vector<std::wstring> files1;  // lstFile1, save patterns
  std::vector<std::wstring> files2;  // lstFile2, exclude patterns
  std::wstring freeLabel;  // lblFree
};

// The window of TfEnv. Show is modal; the window calls the Env* functions
// below for its events and returns true when EnvConfirm let it close.
class IEnvDialog {
 public:
  virtual ~IEnvDialog() = default;
  virtual bool Show(App& app, EnvDialogState& state) = 0;
};

// mnuEnv: fills the state from EnvPanel, shows app.envDialog, and refreshes
// the source list header whatever the result.
void OpenEnvDialog(App& app);
EnvDialogState EnvStateFromPanel(const App& app);

// "空き= 12.3GB" / "空き= 950.0MB" with the locale's separators.
std::wstring FreeSpaceText(std::int64_t freeBytes);
// lblFree for the current destination text (empty text: empty label).
void ShowFreeSpaceLabel(EnvDialogState& state);
// Another page has this destination with this label: warning, false.
bool CheckOtherPages(App& app, const std::wstring& dest, const std::wstring& label);
// Windows before Vista: a warning when the destination is on a fixed disk.
int OsMajorVersion();
void WarnHardDisk(App& app, const std::wstring& dest, int osMajor = OsMajorVersion());

// Events of the dialog.
void EnvActivated(App& app, EnvDialogState& state);
void EnvBrowse(App& app, EnvDialogState& state);
void EnvReadLabel(App& app, EnvDialogState& state);
// list 1 = save patterns, 2 = exclude patterns.
void EnvAddPattern(App& app, EnvDialogState& state, int list);
void EnvDeletePatterns(EnvDialogState& state, int list, const std::vector<int>& selected);
void EnvEditPattern(App& app, EnvDialogState& state, int list, int index);
// OK: the checks, then store, write and true; false keeps the dialog open.
bool EnvConfirm(App& app, EnvDialogState& state);

}  // namespace ruzer
