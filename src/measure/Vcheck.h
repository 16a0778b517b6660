// TfCheck: the capacity measurement. For the active settings page it adds up
// what the next backup would copy (the same folders and files the backup run
// chooses), what the latest and the older generations on the destination take,
// and compares that with the destination's free space.
//
// The behaviour is plain C++ on a display record (CheckDisplay); the Win32
// dialog (Vcheck_view) only draws that record and forwards its buttons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/app.h"

namespace ruzer {

// ---------------------------------------------------------------- arithmetic

// Bytes a file of `size` bytes takes on a volume with clusters of `cluster`
// bytes: always one whole cluster more than the full clusters it fills.
std::int64_t AllocationSize(std::int64_t size, std::int64_t cluster);
// Bytes charged per measured folder: none on NTFS, one cluster elsewhere (also
// when the file system cannot be read).
std::int64_t FolderOverhead(unsigned long fsCode, const std::wstring& fsName, std::int64_t cluster);
// value * 100 / total in 64 bits (0 when total <= 0 or value < 0).
int Percent(std::int64_t value, std::int64_t total);
// bytes / unit rounded to the nearest whole number, formatted as FormatWhole.
std::wstring FormatUnits(std::int64_t bytes, std::int64_t unit);
// "%1.0n MB (%3d%%)".
std::wstring FormatMbPercent(std::int64_t bytes, int percent);

enum class Verdict { None, Short, UnderTenPercent, FreeUnknown };
// Free plus the latest generation's use not above the planned size counts as short.
Verdict FreeSpaceVerdict(std::int64_t free, std::int64_t total, std::int64_t lastUse,
                         std::int64_t planned);
std::wstring VerdictText(Verdict v);

// ---------------------------------------------------------------- the display

struct CheckBar {
  int left = 0;
  int width = 0;
  bool operator==(const CheckBar&) const = default;
};

// Everything the dialog shows; texts are the labels' captions.
struct CheckDisplay {
  std::wstring pageName;  // lblPageName
  std::wstring tamdir, all, free, past, dest;  // lblTamdir, lblAll, lblFree, lblPast, lblDest
  std::wstring dirCount, fileCount, src;        // lblDirCnt, lblFcnt, lblSrc
  std::wstring msg;                             // lblMsg (the verdict)
  bool warnVisible = false;                     // imgWarn; lblMsg on white when shown
  CheckBar past_, dest_, fill, srcBar, freeBar;  // sPast, sDest, sFill, sSrc, sFree
  std::wstring startCaption = L"開始(&S)";
  bool startEnabled = true;
  bool abortVisible = false;  // btnAbort over btnExit
  std::wstring status;        // stsBar
  int startFocus = 0;         // counts the requests to focus btnStart
};

class ICheckView {
 public:
  virtual ~ICheckView() = default;
  // Draw the record now (called before messages are let run).
  virtual void Refresh(const CheckDisplay& display) = 0;
};

// The narrow interface the main window opens the dialog through.
class ICheckDialog {
 public:
  virtual ~ICheckDialog() = default;
  virtual void Show() = 0;  // modal
};

// ---------------------------------------------------------------- behaviour

class CapacityCheck {
 public:
  explicit CapacityCheck(App& app, ICheckView* view = nullptr) : app_(app), view_(view) {}

  // The dialog opens.
  void Reset();
  // btnStart: the active page on the first press, else the next page.
  void StartClick();
  // btnAbort.
  void AbortClick() { app_.AbortRequested = true; }
  // Whether a measurement runs (the dialog must not close meanwhile).
  bool measuring() const { return measuring_; }

  // One page, as StartClick measures it.
  void MeasurePage();

  const CheckDisplay& display() const { return d_; }

  // Results of the last page measurement.
  std::int64_t planned() const { return planned_; }
  std::int64_t fileCount() const { return fileCount_; }
  std::int64_t lastUse() const { return lastUse_; }
  std::int64_t olderUse() const { return olderUse_; }
  std::int64_t clusterSize() const { return cluster_; }
  std::int64_t folderOverhead() const { return overhead_; }
  // Lines of the size list, in shown order (after the page: sorted and numbered).
  const std::vector<std::vector<std::wstring>>& lines() const { return lines_; }

 private:
  struct RowSpec;
  void ResetDisplay();
  void Refresh();
  void Pump(bool force = false);
  void SetStatus(const std::wstring& text);
  void MeasureRows();
  // Returns false when the walk was stopped.
  bool MeasureFolder(const std::wstring& path, const std::wstring& caption, const std::wstring& comment,
                     const RowSpec& row, std::int64_t& rowTotal);
  void AddLine(const std::wstring& path, const std::wstring& comment, const std::wstring& size,
               const std::wstring& files);
  void RefreshTotals();
  std::int64_t TreeSize(const std::wstring& path);
  void MeasureLastGeneration(const std::wstring& latest);
  void MeasureOlderGenerations(const std::wstring& latest);
  void ShowFigures();

  App& app_;
  ICheckView* view_;
  CheckDisplay d_;
  bool firstPress_ = true;
  bool measuring_ = false;

  std::int64_t planned_ = 0, fileCount_ = 0, cluster_ = 256, overhead_ = 256;
  std::int64_t free_ = 0, total_ = 0, lastUse_ = 0, olderUse_ = 0;
  int pFree_ = 0;
  bool destUnreadable_ = false;  // the destination folder exists but cannot be listed
  bool sourceUnreadable_ = false;  // a source folder could not be listed
  std::vector<std::wstring> pageExcluded_;
  std::vector<std::wstring> systemFiles_;
  std::vector<std::vector<std::wstring>> lines_;
};

// Size-list cell texts of lines that hold no figure.
inline const wchar_t kExcludedCell[] = L"(除外)";
inline const wchar_t kJunctionCell[] = L"(Jct)";
inline const wchar_t kDeletedCell[] = L"(削除済)";
inline const wchar_t kUnreadableCell[] = L"(読込不可)";

}  // namespace ruzer
