#include "base/font.h"

#include <algorithm>

#include "base/handles.h"

namespace ruzer {

const std::vector<std::wstring>& UiFontCandidates() {
  static const std::vector<std::wstring> faces = {
      L"Meiryo UI",        L"Yu Gothic UI",  L"MS UI Gothic", L"Noto Sans CJK JP",
      L"Noto Sans JP",     L"Source Han Sans JP", L"IPAPGothic", L"VL PGothic",
      L"Takao PGothic",    L"MS PGothic",
  };
  return faces;
}

namespace {
int CALLBACK FoundFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}
}  // namespace

bool FontFamilyInstalled(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  face.copy(lf.lfFaceName, face.size());
  bool found = false;
  WindowDc screen(nullptr);
  EnumFontFamiliesExW(screen.get(), &lf, &FoundFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring UiFontFace() {
  static const std::wstring face = [] {
    for (const auto& f : UiFontCandidates())
      if (FontFamilyInstalled(f)) return f;
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return std::wstring(lf.lfFaceName);
  }();
  return face;
}

int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpi && hwnd) {
    const UINT dpi = getDpi(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
  SIZE sz{};
  if (dc) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  return sz;
}

namespace {
HGDIOBJ FontOrStock(HFONT font) { return font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT); }
}  // namespace

SIZE TextExtent(HWND w, HFONT font, const std::wstring& text) {
  WindowDc dc(w, FontOrStock(font));
  return TextExtent(dc.get(), text);
}

int WidestText(HWND w, HFONT font, const std::vector<std::wstring>& lines) {
  WindowDc dc(w, FontOrStock(font));
  int widest = 0;
  for (const auto& line : lines) widest = std::max<int>(widest, TextExtent(dc.get(), line).cx);
  return widest;
}

TEXTMETRICW FontMetrics(HWND w, HFONT font) {
  WindowDc dc(w, FontOrStock(font));
  TEXTMETRICW tm{};
  if (dc) GetTextMetricsW(dc.get(), &tm);
  return tm;
}

int ScaleForDpi(int value, int dpi) { return MulDiv(value, dpi, 96); }

int UiFontPixelHeight(int dpi) { return ScaleForDpi(15, dpi); }

HFONT CreateUiFont(int dpi, bool bold) {
  LOGFONTW lf{};
  lf.lfHeight = -UiFontPixelHeight(dpi);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  const std::wstring face = UiFontFace();
  face.copy(lf.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
  return CreateFontIndirectW(&lf);
}

}  // namespace ruzer
