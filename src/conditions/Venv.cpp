#include "conditions/Venv.h"

#include <algorithm>
#include <cwchar>

#include "base/services.h"
#include "engine/Sdskio.h"
#include "sources/Sledit.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

constexpr wchar_t kNoDestination[] = L"バックアップ先フォルダ名を設定してください.";
constexpr wchar_t kBadDays[] = L"保存日数は１～300の値を設定してください.";
constexpr int kHelpHardDisk = 54;

MsgButton Warn(App& app, const std::wstring& text, unsigned buttons = kOk, MsgButton def = kOk, int help = 0) {
  return ShowMessage(app.user, MsgKind::Warning, text, buttons, def, help);
}

bool Contains(const std::vector<std::wstring>& list, const std::wstring& entry) {
  return std::any_of(list.begin(), list.end(), [&](const std::wstring& e) { return SameFolderText(e, entry); });
}

std::vector<std::wstring>& ListOf(EnvDialogState& s, int list) { return list == 2 ? s.files2 : s.files1; }

// The whole text as a decimal integer; 0 when it is not one.
int DaysOf(const std::wstring& text) {
  const std::wstring t(Trim(text, kWideBlanks));
  if (t.empty() || t.size() > 9) return 0;
  size_t i = 0;
  bool neg = false;
  if (t[0] == L'+' || t[0] == L'-') {
    neg = t[0] == L'-';
    i = 1;
  }
  if (i == t.size()) return 0;
  int v = 0;
  for (; i < t.size(); ++i) {
    wchar_t c = t[i];
    if (c >= L'０' && c <= L'９') c = static_cast<wchar_t>(L'0' + (c - L'０'));  // typed with the IME
    if (c < L'0' || c > L'9') return 0;
    v = v * 10 + (c - L'0');
  }
  return neg ? -v : v;
}

std::wstring LocaleInfo(LCTYPE type, const wchar_t* fallback) {
  wchar_t buf[16] = {};
  return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 16) > 0 ? std::wstring(buf) : std::wstring(fallback);
}

// value with one decimal, in the locale's digit grouping and separators.
std::wstring OneDecimal(double value) {
  wchar_t plain[64];
  swprintf(plain, 64, L"%.1f", value);
  if (std::wcscmp(plain, L"-0.0") == 0) std::wcscpy(plain, L"0.0");
  const std::wstring dec = LocaleInfo(LOCALE_SDECIMAL, L".");
  const std::wstring thou = LocaleInfo(LOCALE_STHOUSAND, L",");
  const std::wstring grouping = LocaleInfo(LOCALE_SGROUPING, L"3;0");
  NUMBERFMTW f{};
  f.NumDigits = 1;
  f.LeadingZero = 1;
  // "3;0" is 3, "3;2;0" is 32 (the form NUMBERFMT wants).
  UINT g = 0;
  for (wchar_t c : grouping)
    if (c >= L'1' && c <= L'9') g = g * 10 + (c - L'0');
  f.Grouping = g ? g : 3;
  f.lpDecimalSep = const_cast<wchar_t*>(dec.c_str());
  f.lpThousandSep = const_cast<wchar_t*>(thou.c_str());
  f.NegativeOrder = 1;
  wchar_t out[64];
  if (GetNumberFormatW(LOCALE_USER_DEFAULT, 0, plain, &f, out, 64) > 0) return out;
  return plain;
}

}  // namespace

EnvDialogState EnvStateFromPanel(const App& app) {
  EnvDialogState s;
  const EnvPanel& e = app.env;
  s.caption = L"バックアップ条件設定 - " + app.CurrentPageName;
  s.tamDir = e.tamdir;
  s.volName = e.volname;
  // A damaged value is shown as the file has it, for the user to mend.
  s.backDays = e.badRetention.empty()           ? std::to_wstring(e.backdays)
               : e.badRetention.size() > 5 ? e.badRetention.substr(5)
                                                : std::wstring();
  s.oncePerDay = e.check[1];
  s.newDirSub = e.check[3];
  for (const auto& p : UnpackList(e.defSave1))
    if (!p.empty()) InsertSorted(s.files1, p);
  for (const auto& p : UnpackList(e.defSave2))
    if (!p.empty()) InsertSorted(s.files2, p);
  return s;
}

void OpenEnvDialog(App& app) {
  StatusMessage(app, L"");
  EnvDialogState state = EnvStateFromPanel(app);
  if (app.envDialog) app.envDialog->Show(app, state);
  app.view.SetSourceListCaption(SourceListCaption(app));
}

std::wstring FreeSpaceText(std::int64_t freeBytes) {
  const double f = static_cast<double>(freeBytes);
  std::wstring amount;
  if (freeBytes > static_cast<std::int64_t>(kGigabyte))
    amount = OneDecimal(f / static_cast<double>(kGigabyte)) + L"GB";
  else
    amount = OneDecimal(f / static_cast<double>(kMegabyte)) + L"MB";
  return L"空き= " + amount;
}

void ShowFreeSpaceLabel(EnvDialogState& state) {
  state.freeLabel = state.tamDir.empty() ? std::wstring() : FreeSpaceText(GetFreeSpace(state.tamDir).free);
}

bool CheckOtherPages(App& app, const std::wstring& dest, const std::wstring& label) {
  for (size_t p = 0; p < app.pages.size(); ++p) {
    if (static_cast<int>(p) == app.activePage) continue;
    const size_t row = p + 1;
    if (row >= app.PageIndexTable.size()) break;
    const IndexRow& r = app.PageIndexTable[row];
    if (!SameFolderText(r.dest, dest) || r.label != label) continue;
    const std::wstring what = label.empty() ? dest : dest + L">, <" + label;
    Warn(app, L"別の設定ページに既に <" + what + L"> が設定されています.\r\n別のフォルダにしてください.");
    return false;
  }
  return true;
}

int OsMajorVersion() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (!GetVersionExW(&v)) return 0;
  return static_cast<int>(v.dwMajorVersion);
}

void WarnHardDisk(App& app, const std::wstring& dest, int osMajor) {
  if (osMajor >= 6 || dest.empty()) return;
  const std::wstring root = dest.substr(0, 1) + L":\\";
  if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return;
  Warn(app,
       L"バックアップ先がハードディスクの場合は、\r\nヘルプの「ハードディスクへの保存時の注意」を\r\n確認してください.",
       kOk | kHelp, kOk, kHelpHardDisk);
}

void EnvActivated(App& app, EnvDialogState& state) {
  LetMessagesRun(app, true);
  ShowFreeSpaceLabel(state);
}

void EnvBrowse(App& app, EnvDialogState& state) {
  const auto folder = app.user.BrowseFolder(L"バックアップ先フォルダの選択", state.tamDir);
  if (!folder || folder->empty()) return;
  state.tamDir = *folder;
  ShowFreeSpaceLabel(state);
  CheckOtherPages(app, state.tamDir, state.volName);
  WarnHardDisk(app, state.tamDir);
}

void EnvReadLabel(App& app, EnvDialogState& state) {
  const CodeAndText label = GetVolumeLabel(state.tamDir);
  if (label.code != 0) {
    Warn(app, L"ボリューム名が取得できません");
    return;
  }
  state.volName = label.text;
  CheckOtherPages(app, state.tamDir, state.volName);
}

void EnvAddPattern(App& app, EnvDialogState& state, int list) {
  if (!app.patternDialog) return;
  const std::optional<std::wstring> start = list == 1 ? std::optional<std::wstring>(L"*.*") : std::nullopt;
  const auto pattern = app.patternDialog->Pick(std::nullopt, start);
  if (!pattern || pattern->empty()) return;
  auto& entries = ListOf(state, list);
  if (Contains(entries, *pattern)) return;
  InsertSorted(entries, *pattern);
}

void EnvDeletePatterns(EnvDialogState& state, int list, const std::vector<int>& selected) {
  auto& entries = ListOf(state, list);
  std::vector<int> order = selected;
  std::sort(order.rbegin(), order.rend());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  for (int i : order)
    if (i >= 0 && i < static_cast<int>(entries.size())) entries.erase(entries.begin() + i);
}

void EnvEditPattern(App& app, EnvDialogState& state, int list, int index) {
  auto& entries = ListOf(state, list);
  if (index < 0 || index >= static_cast<int>(entries.size()) || !app.patternDialog) return;
  const std::wstring old = entries[static_cast<size_t>(index)];
  const auto pattern = app.patternDialog->Pick(std::nullopt, old);
  if (!pattern || pattern->empty() || Contains(entries, *pattern)) return;
  entries.erase(entries.begin() + index);
  InsertSorted(entries, *pattern);
}

bool EnvConfirm(App& app, EnvDialogState& state) {
  std::wstring d = state.tamDir;
  if (d.empty()) {
    Warn(app, kNoDestination);
    return false;
  }
  if (d.size() > 3 && d.back() == L'\\') {
    d.pop_back();
    state.tamDir = d;
  }
  if (!CheckFolderPath(app, d)) return false;
  const int days = DaysOf(state.backDays);
  if (days < 1 || days > 300) {
    Warn(app, kBadDays);
    return false;
  }

  // The medium: the right label, or (without one) a drive that can be read.
  const bool network = d.size() >= 2 && d[0] == L'\\' && d[1] == L'\\';
  if (!state.volName.empty() || !network) {
    for (;;) {
      const CodeAndText label = GetVolumeLabel(state.tamDir);
      std::wstring problem;
      if (label.code != 0)
        problem = SystemErrorText(label.code);
      else if (!state.volName.empty() && label.text != state.volName)
        problem = L"<" + label.text + L"> ボリューム名が違います.\r\n正しいメディアをセットして［再試行］をクリックしてください.";
      else
        break;
      if (Warn(app, problem, kRetry | kCancel, kRetry) != kRetry) return false;
    }
  }

  const int kind = PathKind(d);
  if (kind == 1) {
    Warn(app, L"指定フォルダ名 <" + d + L"> と同じ名前のファイルが存在します.\r\n別の名前にしてください.");
    return false;
  }
  if (!CheckOtherPages(app, d, state.volName)) return false;
  if (kind == 0) {
    const MsgButton yes =
        ShowMessage(app.user, MsgKind::Confirmation, L"<" + d + L">フォルダを作成しますか", kYes | kNo, kYes);
    if (yes == kYes && !CreateFolderReported(app, d)) return false;
  }

  EnvPanel& e = app.env;
  const bool changed = !SameFolderText(e.tamdir, d) || e.volname != state.volName;
  e.tamdir = d;
  e.volname = state.volName;
  e.backdays = days;
  e.check = {true, state.oncePerDay, false, state.newDirSub};
  e.defSave1 = PackList(state.files1);
  e.defSave2 = PackList(state.files2);
  e.badRetention.clear();
  e.tamdirFound.clear();  // found again on the next check

  WritePageFile(app);
  const size_t row = static_cast<size_t>(app.activePage) + 1;
  if (app.activePage >= 0 && row < app.PageIndexTable.size()) {
    app.PageIndexTable[row].dest = e.tamdir;
    app.PageIndexTable[row].label = e.volname;
    app.PageIndexTable[row].last.clear();
  }
  if (changed) WriteIndexFile(app);
  return true;
}

}  // namespace ruzer
