#include "setup/Vwiz.h"

#include <shlobj.h>

#include "base/disk.h"
#include "base/handles.h"
#include "base/text.h"
#include "sources/Sledit.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

// The parent folder, a drive's root with its backslash ("C:\\"); empty for
// a path with no parent.
std::wstring ParentOf(const std::wstring& p) {
  const std::wstring parent = ParentFolder(FolderWithoutBackslash(p));
  if (parent.size() < 2) return std::wstring();
  return parent.size() == 2 ? parent + L'\\' : parent;
}

std::wstring Below(const std::wstring& folder, const wchar_t* sub) {
  return folder.empty() ? std::wstring() : FolderWithoutBackslash(folder) + L"\\" + sub;
}

class SystemSources final : public IWizardSources {
 public:
  std::wstring SpecialFolder(int csidl) override { return GetSpecialFolderPath(csidl); }
  std::wstring RegistryText(const std::wstring& key, const std::wstring& valueName) override {
    RegKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS) return {};
    DWORD type = 0, bytes = 0;
    const wchar_t* name = valueName.empty() ? nullptr : valueName.c_str();
    if (RegQueryValueExW(k.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0) return {};
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(k.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
      return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
  }
  std::wstring Expand(const std::wstring& text) override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = ExpandEnvironmentStringsW(text.c_str(), buffer, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return text.size() <= MAX_PATH ? text : std::wstring();
    return buffer;
  }
  bool FolderExists(const std::wstring& path) override { return PathKind(path) == 2; }
};

// A registry result: expanded, without trailing backslash.
std::wstring FromRegistry(IWizardSources& s, const std::wstring& value) {
  if (value.empty()) return {};
  return FolderWithoutBackslash(s.Expand(value));
}

// Sources of one line's path.
enum class From {
  None,
  Special,        // csidl
  ProfileSub,     // sub-folder of CSIDL_PROFILE
  PublicSub,      // sub-folder of the parent of CSIDL_COMMON_DOCUMENTS
  LocalSub,       // sub-folder of CSIDL_LOCAL_APPDATA
  MailWin7,       // M1, Windows 7 or later
  MailVista,      // M1, Vista
  MailXp,         // M2
  AddressBookXp,  // A
  FileSet,
};

struct LineDef {
  const wchar_t* name;
  From from;
  int csidl;
  const wchar_t* sub;
  bool checked;
};

std::wstring PathOf(const LineDef& d, const App& app, IWizardSources& s) {
  switch (d.from) {
    case From::None: return {};
    case From::Special: return FolderWithoutBackslash(s.SpecialFolder(d.csidl));
    case From::ProfileSub: return Below(s.SpecialFolder(CSIDL_PROFILE), d.sub);
    case From::PublicSub: return Below(ParentOf(s.SpecialFolder(CSIDL_COMMON_DOCUMENTS)), d.sub);
    case From::LocalSub: return Below(s.SpecialFolder(CSIDL_LOCAL_APPDATA), d.sub);
    case From::MailWin7:
      return FromRegistry(s, s.RegistryText(L"Software\\Microsoft\\Windows Live Mail", L"Store Root"));
    case From::MailVista:
      return FromRegistry(s, s.RegistryText(L"Software\\Microsoft\\Windows Mail", L"Store Root"));
    case From::MailXp: {
      const std::wstring id = s.RegistryText(L"Identities", L"Last User ID");
      if (id.empty()) return {};
      return FromRegistry(
          s, s.RegistryText(L"Identities\\" + id + L"\\Software\\Microsoft\\Outlook Express\\5.0", L"Store Root"));
    }
    case From::AddressBookXp: {
      const std::wstring file =
          FromRegistry(s, s.RegistryText(L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name", L""));
      return ParentOf(file);
    }
    case From::FileSet: return FolderWithoutBackslash(app.FileSetFolder);
  }
  return {};
}

const std::vector<LineDef>& Lines(WinFamily family) {
  static const std::vector<LineDef> win7 = {
      {L"アドレス帳", From::LocalSub, 0, L"Microsoft\\Windows Live Contacts", true},
      {L"お気に入り", From::Special, CSIDL_FAVORITES, nullptr, true},
      {L"ダウンロード", From::ProfileSub, 0, L"Downloads", true},
      {L"マイ ドキュメント", From::Special, CSIDL_PERSONAL, nullptr, true},
      {L"マイ ピクチャ", From::Special, CSIDL_MYPICTURES, nullptr, true},
      {L"マイ ビデオ", From::Special, CSIDL_MYVIDEO, nullptr, false},
      {L"マイ ミュージック", From::Special, CSIDL_MYMUSIC, nullptr, true},
      {L"リンク", From::ProfileSub, 0, L"Links", true},
      {L"検索", From::ProfileSub, 0, L"Searches", true},
      {L"保存したゲーム", From::ProfileSub, 0, L"Saved Games", true},
      {L"", From::None, 0, nullptr, false},
      {L"パプリックのダウンロード", From::PublicSub, 0, L"Downloads", true},
      {L"パプリックのドキュメント", From::Special, CSIDL_COMMON_DOCUMENTS, nullptr, true},
      {L"パプリックのピクチャ", From::Special, CSIDL_COMMON_PICTURES, nullptr, true},
      {L"パプリックのビデオ", From::Special, CSIDL_COMMON_VIDEO, nullptr, false},
      {L"パプリックのミュージック", From::Special, CSIDL_COMMON_MUSIC, nullptr, true},
      {L"", From::None, 0, nullptr, false},
      {L"メールのデータ", From::MailWin7, 0, nullptr, true},
      {L"Ruzerのファイルセット", From::FileSet, 0, nullptr, true},
      {L"アプリの設定値1", From::Special, CSIDL_APPDATA, nullptr, false},
      {L"アプリの設定値2", From::Special, CSIDL_LOCAL_APPDATA, nullptr, false},
      {L"アプリの設定値(共通)", From::Special, CSIDL_COMMON_APPDATA, nullptr, false},
  };
  static const std::vector<LineDef> vista = [] {
    auto v = win7;
    v[0] = {L"アドレス帳", From::ProfileSub, 0, L"Contacts", true};
    v[17].from = From::MailVista;
    return v;
  }();
  static const std::vector<LineDef> xp = {
      {L"お気に入り", From::Special, CSIDL_FAVORITES, nullptr, true},
      {L"マイ ドキュメント", From::Special, CSIDL_PERSONAL, nullptr, true},
      {L"共有 ドキュメント", From::Special, CSIDL_COMMON_DOCUMENTS, nullptr, true},
      {L"アドレス帳", From::AddressBookXp, 0, nullptr, true},
      {L"メールのデータ", From::MailXp, 0, nullptr, true},
      {L"Ruzerのファイルセット", From::FileSet, 0, nullptr, true},
      {L"アプリの設定値1", From::Special, CSIDL_APPDATA, nullptr, false},
      {L"アプリの設定値2", From::Special, CSIDL_LOCAL_APPDATA, nullptr, false},
      {L"アプリの設定値(共有)", From::Special, CSIDL_COMMON_APPDATA, nullptr, false},
  };
  switch (family) {
    case WinFamily::Xp: return xp;
    case WinFamily::Vista: return vista;
    case WinFamily::Win7: break;
  }
  return win7;
}

// `path` is the folder or lies inside it.
bool InsideOrSame(const std::wstring& folder, const std::wstring& path) {
  return SameFolderText(FolderWithoutBackslash(folder), FolderWithoutBackslash(path)) || IsInsideFolder(folder, path);
}

// A source row covers the line's folder, or lies inside it.
bool CoveredByRow(const std::wstring& path, const std::vector<SourceRow>& rows) {
  if (path.empty()) return false;
  for (const auto& r : rows)
    if (SameFolderText(FolderWithoutBackslash(r.caption), path)) return false;
  for (const auto& r : rows)
    if (!r.caption.empty() && (IsInsideFolder(r.caption, path) || IsInsideFolder(path, r.caption))) return true;
  return false;
}

WizState Crossed(WizState s) {
  if (s == WizState::Checked) return WizState::CrossedChecked;
  if (s == WizState::Unchecked) return WizState::CrossedUnchecked;
  return s;
}

WizState Uncrossed(WizState s) {
  if (s == WizState::CrossedChecked) return WizState::Checked;
  if (s == WizState::CrossedUnchecked) return WizState::Unchecked;
  return s;
}

}  // namespace

WinFamily FamilyOf(unsigned major, unsigned minor) {
  if (major < 6) return WinFamily::Xp;
  if (major == 6 && minor == 0) return WinFamily::Vista;
  return WinFamily::Win7;
}

WinFamily CurrentFamily() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&v)) return WinFamily::Win7;
#pragma GCC diagnostic pop
  return FamilyOf(v.dwMajorVersion, v.dwMinorVersion);
}

std::wstring FamilyCaption(WinFamily family) {
  switch (family) {
    case WinFamily::Xp: return L"Windows XP/2000";
    case WinFamily::Vista: return L"Windows Vista";
    case WinFamily::Win7: break;
  }
  return L"Windows 7 (またはそれ以降)";
}

IWizardSources& SystemWizardSources() {
  static SystemSources sources;
  return sources;
}

std::vector<WizLine> WizardLines(WinFamily family, const App& app, IWizardSources& sources) {
  std::vector<WizLine> lines;
  for (const auto& d : Lines(family)) {
    WizLine line;
    line.name = d.name;
    if (d.from == From::None) {
      line.state = WizState::Blank;
    } else {
      line.path = PathOf(d, app, sources);
      // A folder that is not there cannot become a row.
      if (!line.path.empty() && !sources.FolderExists(line.path)) line.path.clear();
      line.state = d.checked ? WizState::Checked : WizState::Unchecked;
    }
    lines.push_back(line);
  }
  return lines;
}

void MarkCovered(std::vector<WizLine>& lines, const std::vector<SourceRow>& rows) {
  for (auto& line : lines)
    if (CoveredByRow(line.path, rows)) line.state = Crossed(line.state);
}

std::vector<WizLine> OpenWizard(const App& app, WinFamily family, IWizardSources& sources) {
  auto lines = WizardLines(family, app, sources);
  MarkCovered(lines, app.rows);
  return lines;
}

bool ClickLine(std::vector<WizLine>& lines, int index, const std::vector<SourceRow>& rows) {
  if (index < 0 || index >= static_cast<int>(lines.size())) return false;
  WizLine& clicked = lines[static_cast<size_t>(index)];
  if (clicked.state == WizState::Blank || IsCrossed(clicked.state)) return false;
  const bool nowChecked = clicked.state == WizState::Unchecked;
  clicked.state = nowChecked ? WizState::Checked : WizState::Unchecked;
  if (clicked.path.empty()) return true;
  for (size_t i = 0; i < lines.size(); ++i) {
    WizLine& other = lines[i];
    if (static_cast<int>(i) == index || other.path.empty() || !InsideOrSame(clicked.path, other.path)) continue;
    if (nowChecked) {
      other.state = Crossed(other.state);
    } else if (IsCrossed(other.state)) {
      // Still covered by a source row or by another checked line: stays crossed.
      bool covered = CoveredByRow(other.path, rows);
      for (size_t k = 0; k < lines.size() && !covered; ++k)
        covered = k != i && lines[k].state == WizState::Checked && !lines[k].path.empty() &&
                  InsideOrSame(lines[k].path, other.path);
      if (!covered) other.state = Uncrossed(other.state);
    }
  }
  return true;
}

bool AddWizardRow(App& app, const std::wstring& folder, const std::wstring& comment) {
  return AddSourceRow(app, folder, comment, kRowDefaults);
}

void WizardOk(App& app, const std::vector<WizLine>& lines, const AddRowFunction& addRow) {
  for (const auto& line : lines) {
    if (line.state != WizState::Checked || line.path.empty()) continue;
    SourceRow* same = nullptr;
    for (auto& r : app.rows)
      if (SameFolderText(FolderWithoutBackslash(r.caption), line.path)) same = &r;
    if (same) {
      if (same->comment.empty()) same->comment = line.name;
    } else if (addRow) {
      addRow(app, line.path, line.name);
    }
  }
  RenumberRows(app, true);
  WritePageFile(app);
}

}  // namespace ruzer
