// Tool bar images, drawn with GDI at the size the DPI asks for.
#include <cmath>

#include "base/font.h"
#include "shell/ff1_impl.h"
#include "store/Fdef.h"

namespace ruzer {

namespace {

constexpr COLORREF kMaskColor = RGB(255, 0, 255);
constexpr int kToolImageCount = 11;

// Draws in a 16x16 design grid scaled to the cell size.
class Painter {
 public:
  Painter(HDC dc, int left, int size) : dc_(dc), left_(left), s_(size / 16.0) {}

  POINT P(double x, double y) const {
    return POINT{left_ + static_cast<LONG>(std::lround(x * s_)), static_cast<LONG>(std::lround(y * s_))};
  }
  int W(double w) const { return std::max(1, static_cast<int>(std::lround(w * s_))); }

  void Polygon(std::initializer_list<std::pair<double, double>> pts, COLORREF fill, COLORREF edge,
               double width = 1) {
    std::vector<POINT> v;
    for (auto [x, y] : pts) v.push_back(P(x, y));
    Select(fill, edge, width);
    ::Polygon(dc_, v.data(), static_cast<int>(v.size()));
    Unselect();
  }
  void Box(double x0, double y0, double x1, double y1, COLORREF fill, COLORREF edge, double width = 1) {
    Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, fill, edge, width);
  }
  void Fill(double x0, double y0, double x1, double y1, COLORREF color) {
    const POINT a = P(x0, y0), b = P(x1, y1);
    RECT r{a.x, a.y, b.x, b.y};
    HBRUSH br = CreateSolidBrush(color);
    FillRect(dc_, &r, br);
    DeleteObject(br);
  }
  void Line(std::initializer_list<std::pair<double, double>> pts, COLORREF color, double width) {
    std::vector<POINT> v;
    for (auto [x, y] : pts) v.push_back(P(x, y));
    LOGBRUSH lb{BS_SOLID, color, 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, W(width), &lb, 0, nullptr);
    HGDIOBJ old = SelectObject(dc_, pen);
    Polyline(dc_, v.data(), static_cast<int>(v.size()));
    SelectObject(dc_, old);
    DeleteObject(pen);
  }
  void Ellipse(double x0, double y0, double x1, double y1, COLORREF fill, COLORREF edge) {
    const POINT a = P(x0, y0), b = P(x1, y1);
    Select(fill, edge, 1);
    ::Ellipse(dc_, a.x, a.y, b.x, b.y);
    Unselect();
  }
  void Text(double x0, double y0, double x1, double y1, const wchar_t* text, COLORREF color, double height) {
    const POINT a = P(x0, y0), b = P(x1, y1);
    RECT r{a.x, a.y, b.x, b.y};
    HFONT f = CreateFontW(-W(height), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                          ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ old = SelectObject(dc_, f);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, color);
    DrawTextW(dc_, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc_, old);
    DeleteObject(f);
  }

 private:
  void Select(COLORREF fill, COLORREF edge, double width) {
    brush_ = CreateSolidBrush(fill);
    pen_ = CreatePen(PS_SOLID | PS_INSIDEFRAME, W(width), edge);
    oldBrush_ = SelectObject(dc_, brush_);
    oldPen_ = SelectObject(dc_, pen_);
  }
  void Unselect() {
    SelectObject(dc_, oldBrush_);
    SelectObject(dc_, oldPen_);
    DeleteObject(brush_);
    DeleteObject(pen_);
  }
  HDC dc_;
  int left_;
  double s_;
  HBRUSH brush_ = nullptr;
  HPEN pen_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr, oldPen_ = nullptr;
};

const COLORREF kEdge = RGB(70, 70, 80);
const COLORREF kPaper = RGB(255, 255, 255);
const COLORREF kGreen = RGB(20, 150, 40);
const COLORREF kRed = RGB(210, 30, 30);
const COLORREF kBlue = RGB(40, 90, 190);

void Page(Painter& p) {
  p.Polygon({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}, kPaper, kEdge);
  p.Line({{10, 1}, {10, 4}, {13, 4}}, kEdge, 1);
}
void Rows(Painter& p) {
  p.Box(1, 2, 12, 4.5, RGB(120, 150, 200), kEdge);
  p.Box(1, 6.5, 12, 9, RGB(120, 150, 200), kEdge);
  p.Box(1, 11, 8, 13.5, RGB(120, 150, 200), kEdge);
}
void Plus(Painter& p) {
  p.Fill(8.5, 10.75, 15.5, 13.25, kGreen);
  p.Fill(10.75, 8.5, 13.25, 15.5, kGreen);
}
void Cross(Painter& p) {
  p.Line({{9, 9}, {15, 15}}, kRed, 2.2);
  p.Line({{15, 9}, {9, 15}}, kRed, 2.2);
}

void DrawImage(Painter& p, int index) {
  switch (index) {
    case 0:  // open a file set: a folder
      p.Polygon({{1, 3}, {6, 3}, {7.5, 5}, {14, 5}, {14, 14}, {1, 14}}, RGB(222, 170, 50), RGB(140, 95, 20));
      p.Polygon({{3.5, 7.5}, {16, 7.5}, {14, 14}, {1, 14}}, RGB(252, 212, 96), RGB(140, 95, 20));
      break;
    case 1:  // add a page
      Page(p);
      Plus(p);
      break;
    case 2:  // delete a page
      Page(p);
      Cross(p);
      break;
    case 3:  // conditions: a check list
      p.Box(2, 1, 14, 15, kPaper, kEdge);
      for (int i = 0; i < 3; ++i) {
        const double y = 3 + i * 4;
        p.Box(4, y, 7, y + 3, kPaper, kEdge);
        p.Line({{8.5, y + 1.5}, {12.5, y + 1.5}}, RGB(120, 120, 120), 1);
      }
      p.Line({{4.3, 4.2}, {5.5, 5.6}, {7.8, 2.3}}, kGreen, 1.4);
      p.Line({{4.3, 8.2}, {5.5, 9.6}, {7.8, 6.3}}, kGreen, 1.4);
      break;
    case 4:  // add a row
      Rows(p);
      Plus(p);
      break;
    case 5:  // delete rows
      Rows(p);
      Cross(p);
      break;
    case 6:  // backup: a disk
      p.Polygon({{1, 1}, {13, 1}, {15, 3}, {15, 15}, {1, 15}}, kBlue, RGB(20, 40, 100));
      p.Box(3.5, 1, 12.5, 7, kPaper, RGB(20, 40, 100));
      p.Box(5, 10, 11, 15, RGB(190, 190, 200), RGB(20, 40, 100));
      p.Fill(8.5, 11, 10, 14, RGB(20, 40, 100));
      break;
    case 7:  // capacity: bars
      p.Box(2, 9, 5.5, 14, kGreen, kEdge);
      p.Box(6.5, 5, 10, 14, RGB(235, 140, 30), kEdge);
      p.Box(11, 2, 14.5, 14, kBlue, kEdge);
      p.Line({{1, 14.5}, {15.5, 14.5}}, kEdge, 1);
      break;
    case 8: {  // restore: an arrow turning back
      std::vector<std::pair<double, double>> arc;
      const double pi = 3.14159265358979;
      for (int a = 180; a >= -100; a -= 10)
        arc.emplace_back(8.5 + 5.5 * std::cos(a * pi / 180), 9 - 5.5 * std::sin(a * pi / 180));
      for (size_t i = 1; i < arc.size(); ++i) p.Line({arc[i - 1], arc[i]}, RGB(0, 130, 70), 2.2);
      p.Polygon({{0.5, 8}, {6, 8}, {3, 12.5}}, RGB(0, 130, 70), RGB(0, 130, 70));
      break;
    }
    case 9:  // help
      p.Ellipse(0.5, 0.5, 15.5, 15.5, kBlue, RGB(20, 50, 120));
      p.Text(0, 0, 16, 16, L"?", RGB(255, 255, 255), 12);
      break;
    case 10:  // find a file: a page under a magnifying glass
      Page(p);
      p.Line({{10.5, 10.5}, {15, 15}}, RGB(90, 60, 30), 2.6);
      p.Ellipse(3, 3, 12, 12, RGB(200, 230, 250), kEdge);
      break;
  }
}

}  // namespace

HIMAGELIST BuildToolImages(int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size * kToolImageCount;
  bi.bmiHeader.biHeight = -size;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, size * kToolImageCount, size};
  HBRUSH mask = CreateSolidBrush(kMaskColor);
  FillRect(dc, &all, mask);
  DeleteObject(mask);
  for (int i = 0; i < kToolImageCount; ++i) {
    Painter p(dc, i * size, size);
    DrawImage(p, i);
  }
  SelectObject(dc, old);
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kToolImageCount, 0);
  ImageList_AddMasked(list, bmp, kMaskColor);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace ruzer
