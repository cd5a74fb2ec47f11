#include "ui/Controls.h"

#include <windowsx.h>

namespace zp {

HCURSOR CursorHandle(TCursor cursor) {
  // The numbers of IDC_ARROW, IDC_IBEAM, IDC_WAIT and IDC_HAND, whose macros
  // are the ANSI forms here.
  WORD id = 32512;
  switch (cursor) {
    case crIBeam: id = 32513; break;
    case crHourGlass: id = 32514; break;
    case crHandPoint: id = 32649; break;
    default: break;
  }
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(id));
}

TColor ParentColor(HWND parent) {
  auto* style = dynamic_cast<IStyleParent*>(TWindow::FromHandle(parent));
  return style ? style->Color() : clBtnFace;
}

TFont ParentFont(HWND parent) {
  auto* style = dynamic_cast<IStyleParent*>(TWindow::FromHandle(parent));
  return style ? style->Font() : TFont::DefaultGui();
}

namespace {

constexpr wchar_t kReflectedProp[] = L"ZpReflected";

// The child window a parent's notification is about.
HWND NotifyingChild(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
      return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM:
      return reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
    default:
      return nullptr;
  }
}

}  // namespace

void AttachReflected(HWND window, IReflected* target) { SetPropW(window, kReflectedProp, target); }

void DetachReflected(HWND window) { RemovePropW(window, kReflectedProp); }

bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND child = NotifyingChild(message, lParam);
  if (!child) return false;
  auto* target = static_cast<IReflected*>(GetPropW(child, kReflectedProp));
  return target && target->Reflect(message, wParam, lParam, result);
}

void TControl::CreateControl(const TControlCreateArgs& args, const char16_t* className) {
  align_ = args.Align;
  color_ = args.Color ? *args.Color : ParentColor(args.Parent);
  cursor_ = args.Cursor;
  font_ = args.Font ? *args.Font : ParentFont(args.Parent);
  OnMouseDown = args.OnMouseDown;
  OnMouseMove = args.OnMouseMove;
  OnMouseUp = args.OnMouseUp;
  OnResize = args.OnResize;

  TWindowClass windowClass;
  windowClass.Name = className;
  // What a control shows depends on its size (a label wraps to its width).
  windowClass.Style = CS_HREDRAW | CS_VREDRAW;
  TWindowArgs window;
  window.Parent = args.Parent;
  window.Style = WS_CHILD | WS_CLIPSIBLINGS | args.Style | (args.Visible ? WS_VISIBLE : 0);
  window.ExStyle = args.ExStyle;
  window.Left = args.Left;
  window.Top = args.Top;
  window.Width = args.Width;
  window.Height = args.Height;
  window.Id = args.Id;
  CreateHandle(windowClass, window);
}

int TControl::Left() const { return BoundsRect().left; }
int TControl::Top() const { return BoundsRect().top; }

int TControl::Width() const {
  const RECT bounds = BoundsRect();
  return bounds.right - bounds.left;
}

int TControl::Height() const {
  const RECT bounds = BoundsRect();
  return bounds.bottom - bounds.top;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TControl::ClientRect() const {
  RECT client{};
  GetClientRect(Handle(), &client);
  return client;
}

void TControl::SetFont(const TFont& font) {
  if (font == font_) return;
  font_ = font;
  fontHandle_.Reset();
  FontChanged();
}

HFONT TControl::FontHandle() {
  if (!fontHandle_) fontHandle_ = CreateFontHandle(font_);
  return fontHandle_.Get();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

void TControl::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (PointerIsOver()) ::SetCursor(CursorHandle(cursor_));
}

void TControl::Invalidate() {
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TControl::Repaint() {
  Invalidate();
  if (Handle()) UpdateWindow(Handle());
}

bool TControl::PointerIsOver() const {
  if (!Handle()) return false;
  if (GetCapture() == Handle()) return true;
  POINT point{};
  return GetCursorPos(&point) && WindowFromPoint(point) == Handle();
}

void TControl::Paint(HDC dc) {
  RECT client = ClientRect();
  TScopedBrush brush(CreateSolidBrush(ColorToRGB(color_)));
  FillRect(dc, &client, brush.Get());
}

void TControl::PaintParentBackground(HDC dc) {
  HWND parent = GetParent(Handle());
  if (!parent) return;
  POINT origin{0, 0};
  MapWindowPoints(Handle(), parent, &origin, 1);
  TScopedSaveDC saved(dc);
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
}

void TControl::MouseDown(const TMouseEvent& event) {
  if (OnMouseDown) OnMouseDown(*this, event);
}

void TControl::MouseMove(const TMouseEvent& event) {
  if (OnMouseMove) OnMouseMove(*this, event);
}

void TControl::MouseUp(const TMouseEvent& event) {
  if (OnMouseUp) OnMouseUp(*this, event);
}

void TControl::Resize() {
  if (OnResize) OnResize(*this);
}

void TControl::FontChanged() { Invalidate(); }

LRESULT TControl::MouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  TMouseEvent event;
  event.Keys = static_cast<uint32_t>(GET_KEYSTATE_WPARAM(wParam));
  event.X = GET_X_LPARAM(lParam);
  event.Y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
      }
      MouseMove(event);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      event.Button = message == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                     : message == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                 : TMouseButton::mbMiddle;
      // Holding the capture brings the release here wherever it happens.
      SetCapture(Handle());
      MouseDown(event);
      return 0;
    default:  // WM_?BUTTONUP
      event.Button = message == WM_LBUTTONUP   ? TMouseButton::mbLeft
                     : message == WM_RBUTTONUP ? TMouseButton::mbRight
                                               : TMouseButton::mbMiddle;
      if (!(event.Keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == Handle()) ReleaseCapture();
      MouseUp(event);
      return 0;
  }
}

LRESULT TControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT reflected = 0;
  if (ReflectToChild(message, wParam, lParam, reflected)) return reflected;
  switch (message) {
    case WM_PAINT: {
      TScopedPaintDC dc(Handle());
      Paint(dc.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // Paint covers the whole client area
    case WM_SIZE:
      Resize();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontHandle());
    case WM_SETTEXT:
    case WM_ENABLE: {
      // What a control shows follows its text and whether it is enabled.
      const LRESULT result = DefaultWndProc(message, wParam, lParam);
      Invalidate();
      return result;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(CursorHandle(cursor_));
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      return MouseMessage(message, wParam, lParam);
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      MouseLeave();
      return 0;
    default:
      break;
  }
  return TControl::DefaultWndProc(message, wParam, lParam);
}

}  // namespace zp
