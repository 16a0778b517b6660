// The file-name pattern dialog's behaviour: PatternDialogState and the
// functions over it. Its Win32 view is TfFname (Vfile_view.h).
#pragma once

#include <string>
#include <vector>

#include "base/app.h"

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

}  // namespace ruzer
