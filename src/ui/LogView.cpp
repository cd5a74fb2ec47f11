#include "ui/LogView.h"

#include <algorithm>
#include <iterator>

#include "base/Strings.h"
#include "base/WinHandles.h"

namespace zp {

namespace {

// Between the border and the text, as the edit control has: one pixel, and
// on the left half an average character more (which grows with the DPI).
constexpr int kMargin = 1;

TControlCreateArgs WithDefaults(TControlCreateArgs args) {
  if (!args.Color) args.Color = clWindow;
  args.Style |= WS_VSCROLL | WS_TABSTOP;
  args.ExStyle |= WS_EX_CLIENTEDGE;
  return args;
}

bool SameLook(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
  return a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom && EqualRect(&a.rcScrollBar, &b.rcScrollBar) &&
         std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
}

}  // namespace

TLogView::TLogView(TControlCreateArgs args) {
  CreateControl(WithDefaults(std::move(args)), u"ZpLogView");
  UpdateScrollBar();
}

std::u16string TLogView::Line(int index) const {
  const size_t start = starts_[static_cast<size_t>(index)];
  const size_t end = static_cast<size_t>(index) + 1 < starts_.size() ? starts_[static_cast<size_t>(index) + 1] - 2
                                                                      : text_.size();
  return text_.substr(start, end - start);
}

void TLogView::Add(const std::u16string& lines) {
  if (!starts_.empty()) text_ += u"\r\n";
  for (size_t start = text_.size(), at = 0;;) {
    starts_.push_back(start);
    const size_t end = lines.find(u"\r\n", at);
    if (end == std::u16string::npos) break;
    start += end + 2 - at;
    at = end + 2;
  }
  text_ += lines;
  ScrollTo(Count());
}

void TLogView::Clear() {
  text_.clear();
  starts_.clear();
  ScrollTo(0);
}

int TLogView::LineHeight() {
  if (lineHeight_ == 0) {
    const TScopedGetDC dc(Handle());
    TScopedSelect font(dc.Get(), FontHandle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    lineHeight_ = std::max(1, static_cast<int>(metrics.tmHeight));
    indent_ = kMargin + static_cast<int>(metrics.tmAveCharWidth) / 2;
  }
  return lineHeight_;
}

int TLogView::VisibleLines() {
  const RECT client = ClientRect();
  return std::max(1, static_cast<int>(client.bottom - 2 * kMargin) / LineHeight());
}

// Scrolls so that `top` is the first line in view, as far as the log goes.
void TLogView::ScrollTo(int top) {
  top_ = std::clamp(top, 0, std::max(0, Count() - VisibleLines()));
  UpdateScrollBar();
  Invalidate();
}

void TLogView::UpdateScrollBar() {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMax = std::max(0, Count() - 1);
  info.nPage = static_cast<UINT>(VisibleLines());
  info.nPos = top_;
  SetScrollInfo(Handle(), SB_VERT, &info, FALSE);
  // Drawing the bar takes milliseconds under Wine, a good part of a frame:
  // it is drawn again only when its thumb or the state of its parts changed,
  // which in a long log that grows at its end is seldom.
  SCROLLBARINFO shown{};
  shown.cbSize = sizeof(shown);
  if (GetScrollBarInfo(Handle(), OBJID_VSCROLL, &shown) && SameLook(shown, barShown_)) return;
  barShown_ = shown;
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void TLogView::Scroll(WORD request) {
  const int page = VisibleLines();
  switch (request) {
    case SB_LINEUP: return ScrollTo(top_ - 1);
    case SB_LINEDOWN: return ScrollTo(top_ + 1);
    case SB_PAGEUP: return ScrollTo(top_ - page);
    case SB_PAGEDOWN: return ScrollTo(top_ + page);
    case SB_TOP: return ScrollTo(0);
    case SB_BOTTOM: return ScrollTo(Count());
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(Handle(), SB_VERT, &info);
      return ScrollTo(info.nTrackPos);
    }
    default: return;
  }
}

void TLogView::Paint(HDC dc) {
  TControl::Paint(dc);
  RECT client = ClientRect();
  TScopedSelect font(dc, FontHandle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const int height = LineHeight();  // measures indent_ too
  const int last = std::min(Count(), top_ + VisibleLines() + 1);  // and the part of a line below
  for (int i = top_; i < last; ++i) {
    const std::u16string line = Line(i);
    const int y = kMargin + (i - top_) * height;
    RECT box{indent_, y, client.right - kMargin, std::min<LONG>(y + height, client.bottom - kMargin)};
    ExtTextOutW(dc, box.left, y, ETO_CLIPPED, &box, W(line), static_cast<UINT>(line.size()), nullptr);
  }
}

void TLogView::FontChanged() {
  lineHeight_ = 0;
  ScrollTo(top_);
}

void TLogView::CopyToClipboard() const {
  if (!OpenClipboard(Handle())) return;
  EmptyClipboard();
  const size_t bytes = (text_.size() + 1) * sizeof(char16_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::copy_n(text_.c_str(), text_.size() + 1, static_cast<char16_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

LRESULT TLogView::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text_.size());
    case WM_GETTEXT: {
      if (wParam == 0) return 0;
      const size_t count = std::min(text_.size(), static_cast<size_t>(wParam) - 1);
      auto* out = reinterpret_cast<char16_t*>(lParam);
      std::copy_n(text_.c_str(), count, out);
      out[count] = u'\0';
      return static_cast<LRESULT>(count);
    }
    case WM_VSCROLL: Scroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      ScrollTo(top_ - GET_WHEEL_DELTA_WPARAM(wParam) * static_cast<int>(lines) / WHEEL_DELTA);
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: SetFocus(Handle()); break;
    case WM_COPY: CopyToClipboard(); return 0;
    case WM_KEYDOWN: {
      const bool control = GetKeyState(VK_CONTROL) < 0;
      switch (wParam) {
        case VK_UP: Scroll(SB_LINEUP); return 0;
        case VK_DOWN: Scroll(SB_LINEDOWN); return 0;
        case VK_PRIOR: Scroll(SB_PAGEUP); return 0;
        case VK_NEXT: Scroll(SB_PAGEDOWN); return 0;
        case VK_HOME: Scroll(SB_TOP); return 0;
        case VK_END: Scroll(SB_BOTTOM); return 0;
        case 'C': if (control) CopyToClipboard(); return 0;
        default: break;
      }
      break;
    }
    case WM_SIZE: ScrollTo(top_); break;
    default: break;
  }
  return TControl::WndProc(message, wParam, lParam);
}

}  // namespace zp
