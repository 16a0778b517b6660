// A file set with one page "Home" in a temp folder, ready for backup runs:
// source tree under src, destination under dest, page file written from the
// rows, the memo dialog scripted, the date set on the fake clock.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/app.h"
#include "engine/Sbakini.h"
#include "engine/Sbakup.h"
#include "engine/Sdskio.h"
#include "support/scripted.h"
#include "support/source_row.h"
#include "support/text.h"

namespace ruzer::test {

// Answers the memo dialog: a text (OK) or nullopt (Cancel).
class ScriptedMemo : public IMemoDialog {
 public:
  std::optional<std::wstring> answer = std::wstring();
  int shown = 0;
  bool Show(std::wstring& memo) override {
    ++shown;
    if (!answer) return false;
    memo = *answer;
    return true;
  }
};

// Writes a file (parents created) with a last-write time of its own, so
// that every write counts as a change whatever the clock's resolution.
void Put(const std::wstring& path, const std::string& content);
// The same with a given local time.
void PutAt(const std::wstring& path, const std::string& content, const SYSTEMTIME& localTime);
void MakeFolder(const std::wstring& path);

// Every file below root: relative path -> contents (folders as "rel\" -> "<dir>").
std::map<std::wstring, std::string> Tree(const std::wstring& root);
// Names of the generation folders directly in a destination, sorted.
std::vector<std::wstring> Generations(const std::wstring& dest);

// Makes `a` a file set of one page "Home" in `sets` backing up into `dest`,
// with its index file written (the page file is the caller's).
void UseOnePageFileSet(App& a, const std::wstring& sets, const std::wstring& dest);

struct BackupFixture {
  TempDir tmp;
  TestApp t;
  ScriptedMemo memo;
  std::wstring src, dest, sets;

  BackupFixture();
  App& app() { return t.app; }

  // Adds a row (kept in caption order) and rewrites the page file.
  SourceRow& AddRow(const std::wstring& folder, const std::wstring& save = L"*.*",
                    const std::wstring& exclude = L"", const std::wstring& mark = L"o",
                    const std::wstring& excluded = L"");
  // Page file of the active page from app.env and app.rows.
  void WritePage();
  // Lines of a page file for these conditions and rows.
  static std::vector<std::wstring> PageLines(const EnvPanel& env, const std::vector<SourceRow>& rows);

  void Day(int y, int mo, int d, int h = 12) { t.clock.Set(y, mo, d, h); }
  // The whole run (memo dialog, busy mode, final status).
  void Backup() { RunBackup(t.app); }
  // Path of the mirror of `folder` in generation `gen`.
  std::wstring Mirror(const std::wstring& gen, const std::wstring& folder) const {
    return dest + L"\\" + gen + L"\\" + MirrorName(folder);
  }
};

}  // namespace ruzer::test
