// The easy set-up wizard's behaviour: the lines of usual personal folders
// for this Windows family, their states (checked, unchecked, crossed out as
// already covered, blank), clicks, and OK turning checked lines into source
// rows. No HWND here; the dialog (Vwiz_view) shows the lines and forwards clicks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

enum class WinFamily { Xp, Vista, Win7 };  // Win7: Windows 7 or later

// Major version below 6: XP/2000; 6.0: Vista; 6.1 and above (or 7+): Windows 7 or later.
WinFamily FamilyOf(unsigned major, unsigned minor);
WinFamily CurrentFamily();
// The text of txOS.
std::wstring FamilyCaption(WinFamily family);

enum class WizState { Checked, Unchecked, CrossedChecked, CrossedUnchecked, Blank };

struct WizLine {
  std::wstring name;  // "フォルダ名"; becomes the row's comment
  std::wstring path;  // "パス"; empty for blank lines and folders not found
  WizState state = WizState::Blank;
};

inline bool IsCrossed(WizState s) { return s == WizState::CrossedChecked || s == WizState::CrossedUnchecked; }

// Where the folders are looked up. Everything is read only: no folder and no
// registry key is created.
class IWizardSources {
 public:
  virtual ~IWizardSources() = default;
  // Special folder path by CSIDL; empty when unknown.
  virtual std::wstring SpecialFolder(int csidl) = 0;
  // A text value under HKEY_CURRENT_USER (empty value name: the key's default
  // value); empty when the key or value is missing.
  virtual std::wstring RegistryText(const std::wstring& key, const std::wstring& valueName) = 0;
  // %NAME% expanded (at most 260 characters).
  virtual std::wstring Expand(const std::wstring& text) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
};
IWizardSources& SystemWizardSources();

// The lines of the family with their paths and initial states (before the
// source rows are looked at). A folder that cannot be found gives an empty path.
std::vector<WizLine> WizardLines(WinFamily family, const App& app, IWizardSources& sources);

// Crosses out the lines already covered by a source row: a line whose folder
// lies inside a row's folder, or holds one, is crossed (keeping whether it was
// checked); a row for exactly that folder leaves the line active.
void MarkCovered(std::vector<WizLine>& lines, const std::vector<SourceRow>& rows);

// Opening: lines, then the covered ones crossed.
std::vector<WizLine> OpenWizard(const App& app, WinFamily family, IWizardSources& sources);

// A click on line `index` (-1: on no line). Blank and crossed lines do not
// react; otherwise the line toggles, and the lines inside its folder are
// crossed out (when it is now checked) or come back as they were (when
// unchecked and nothing else covers them). True when something changed.
bool ClickLine(std::vector<WizLine>& lines, int index, const std::vector<SourceRow>& rows);

// Adds a source row for a folder with a comment (mode 0: the page's default
// patterns and sub-folder switch), asking the user as the overlap rules say;
// false when refused.
using AddRowFunction = std::function<bool(App&, const std::wstring& folder, const std::wstring& comment)>;

// AddSourceRow with the page's defaults (mode 0).
bool AddWizardRow(App& app, const std::wstring& folder, const std::wstring& comment);

// OK: every checked line with a path becomes a row (through addRow), or
// gives its name as comment to an existing row of that folder that has none;
// then the rows are renumbered and sorted and the page file is written.
void WizardOk(App& app, const std::vector<WizLine>& lines, const AddRowFunction& addRow = AddWizardRow);

}  // namespace ruzer
