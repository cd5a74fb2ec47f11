#include "LabelHost.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "base/WinHandles.h"
#include "shots/Shots.h"

namespace zp::test {

THostWindow::THostWindow(int width, int height) {
  // The class keeps its brush for the whole run.
  static HBRUSH background = CreateSolidBrush(kHostBackground);
  TWindowClass windowClass;
  windowClass.Name = u"ZpTestHost";
  windowClass.Background = background;
  TWindowArgs args;
  args.Style = WS_POPUP | WS_VISIBLE;
  args.ExStyle = WS_EX_TOPMOST;
  args.Left = 0;
  args.Top = 0;
  args.Width = width;
  args.Height = height;
  CreateHandle(windowClass, args);
  Pump();
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void PaintNow(HWND window) {
  for (int round = 0; round < 3; ++round) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }
}

TRect LinkRect(const TUniCustomLinkLabel& label, int32_t number) {
  auto links = label.Tree().GetTopLevelNodes(TNodeClass::Of<TLinkNode>());
  while (links->HasNext()) {
    auto* link = static_cast<TLinkNode*>(links->Next());
    if (link->Number != number) continue;
    auto rects = link->GetRects();
    if (!rects->HasNext()) throw std::runtime_error("link " + std::to_string(number) + " has no rectangle");
    return rects->Next();
  }
  throw std::runtime_error("no link " + std::to_string(number));
}

POINT CenterOf(const TRect& rect) { return POINT{(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2}; }

void SendMouse(HWND window, UINT message, POINT at, WPARAM keys) {
  SendMessageW(window, message, keys, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
}

int TPixels::Count(const TRect& rect, COLORREF color) const {
  const uint32_t wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  int n = 0;
  for (int y = std::max(0, static_cast<int>(rect.Top)); y < std::min(Height, static_cast<int>(rect.Bottom)); ++y)
    for (int x = std::max(0, static_cast<int>(rect.Left)); x < std::min(Width, static_cast<int>(rect.Right)); ++x)
      if (At(x, y) == wanted) ++n;
  return n;
}

TPixels Capture(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  TPixels pixels;
  pixels.Width = client.right;
  pixels.Height = client.bottom;
  pixels.Data.resize(static_cast<size_t>(pixels.Width) * pixels.Height);

  TScopedGetDC source(window);
  TScopedMemDC memory(source.Get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = pixels.Width;
  info.bmiHeader.biHeight = -pixels.Height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TScopedBitmap bitmap(CreateDIBSection(source.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) throw std::runtime_error("CreateDIBSection failed");
  {
    TScopedSelect select(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, pixels.Width, pixels.Height, source.Get(), 0, 0, SRCCOPY);
    GdiFlush();
    const auto* data = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.Data.size(); ++i) pixels.Data[i] = data[i] & 0x00FFFFFFu;
  }
  return pixels;
}

namespace {

// Our build folder as the host's file system sees it.
const std::string kScreenshots = ZP_BINARY_DIR "/screenshots";

// A binary PPM (P6, 8 bits per sample) as pixels.
TPixels ReadPpm(const std::string& bytes) {
  std::istringstream in(bytes);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0 || maxValue != 255) throw std::runtime_error("not an 8-bit PPM");
  TPixels pixels;
  pixels.Width = width;
  pixels.Height = height;
  pixels.Data.resize(static_cast<size_t>(width) * height);
  for (uint32_t& pixel : pixels.Data) {
    unsigned char rgb[3];
    if (!in.read(reinterpret_cast<char*>(rgb), 3)) throw std::runtime_error("PPM cut short");
    pixel = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
  }
  return pixels;
}

}  // namespace

TPixels Screenshot(HWND window, const std::string& name) {
  // import takes the X window of the top-level window and crops the control
  // out of it; without one (another display driver), the screen's.
  HWND top = GetAncestor(window, GA_ROOT);
  const auto xWindow = reinterpret_cast<uintptr_t>(GetPropW(top, L"__wine_x11_whole_window"));
  RECT bounds{}, topBounds{};
  GetWindowRect(window, &bounds);
  GetWindowRect(top, &topBounds);
  if (xWindow) OffsetRect(&bounds, -topBounds.left, -topBounds.top);
  const std::string geometry = std::to_string(bounds.right - bounds.left) + "x" +
                               std::to_string(bounds.bottom - bounds.top) + "+" + std::to_string(bounds.left) +
                               "+" + std::to_string(bounds.top);
  const std::string source = xWindow ? std::to_string(xWindow) : "root";

  CreateDirectoryA(("Z:" + kScreenshots).c_str(), nullptr);
  const std::string base = kScreenshots + "/" + name;
  GdiFlush();
  Pump();
  RunHostScript(base + ".sh",
                "import -window " + source + " -crop " + geometry + " +repage '" + base + ".png' && convert '" +
                    base + ".png' -depth 8 '" + base + ".ppm'",
                Pump);
  TPixels pixels = ReadPpm(ReadHostFile(base + ".ppm"));
  DeleteFileA(("Z:" + base + ".ppm").c_str());
  return pixels;
}

}  // namespace zp::test
