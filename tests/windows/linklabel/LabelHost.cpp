#include "LabelHost.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

#include "base/WinHandles.h"

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

uint32_t Crc32(const std::string& bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void PutBig32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  PutBig32(out, Crc32(body));
}

// A zlib stream of stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw) {
  std::string out("\x78\x01", 2);
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - pos, 65535);
    const bool last = pos + n == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(n & 0xFF));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(~n & 0xFF));
    out.push_back(static_cast<char>((~n >> 8) & 0xFF));
    out.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(out, (b << 16) | a);
  return out;
}

}  // namespace

void WritePng(const std::string& path, const TPixels& pixels) {
  std::string raw;
  raw.reserve(static_cast<size_t>(pixels.Height) * (1 + 3 * pixels.Width));
  for (int y = 0; y < pixels.Height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < pixels.Width; ++x) {
      const uint32_t p = pixels.At(x, y);
      raw.push_back(static_cast<char>(p >> 16));
      raw.push_back(static_cast<char>(p >> 8));
      raw.push_back(static_cast<char>(p));
    }
  }
  std::string header;
  PutBig32(header, static_cast<uint32_t>(pixels.Width));
  PutBig32(header, static_cast<uint32_t>(pixels.Height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", std::string());
  std::ofstream file(path, std::ios::binary);
  file.write(png.data(), static_cast<std::streamsize>(png.size()));
  if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace zp::test
