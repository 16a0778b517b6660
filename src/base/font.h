// The UI font: a Japanese proportional face that is installed, at 15 pixels
// for 96 DPI, scaled to the window's DPI.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ruzer {

// Faces tried in this order; the first installed one is used.
const std::vector<std::wstring>& UiFontCandidates();
// Whether a font family of this name is installed (EnumFontFamiliesExW).
bool FontFamilyInstalled(const std::wstring& face);
// The chosen face (looked up once); the stock GUI font's face when none is installed.
std::wstring UiFontFace();

// DPI of a window (GetDpiForWindow when the system has it, else the screen's LOGPIXELSY).
int WindowDpi(HWND hwnd);
// value * dpi / 96, rounded.
int ScaleForDpi(int value, int dpi);
// Character height of the UI font in pixels at this DPI (15 at 96).
int UiFontPixelHeight(int dpi);
// A new UI font for this DPI; the caller deletes it.
HFONT CreateUiFont(int dpi, bool bold = false);

// Measuring text as a window draws it, in `font` (the stock GUI font when null).
// Size of one line of text, in pixels.
SIZE TextExtent(HWND w, HFONT font, const std::wstring& text);
// The same in the font already selected into dc.
SIZE TextExtent(HDC dc, const std::wstring& text);
// Width of the widest line, in pixels (0 for none).
int WidestText(HWND w, HFONT font, const std::vector<std::wstring>& lines);
TEXTMETRICW FontMetrics(HWND w, HFONT font);

}  // namespace ruzer
