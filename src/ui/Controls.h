// The base of the toolkit's controls: a child window with bounds, alignment,
// font, colour, pointer shape, painting and mouse events. A control is made
// in two steps, construction and Create(args), so that every virtual
// operation of the final class is in place when the window's first messages
// arrive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "ui/Graphics.h"
#include "ui/Window.h"

namespace zp {

// How a control is meant to sit in its parent. Forms place every control by
// its bounds, so no container arranges by this value; it tells a control
// whose size follows its content which side it may change (the markup label
// keeps its height when it is aligned left, right or to the whole client).
enum class TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Pointer shapes by number, as the system cursors they stand for.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crHandPoint = -21;

// The system cursor of a pointer shape; unknown numbers give the arrow.
HCURSOR CursorHandle(TCursor cursor);

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

class TControl;

// A window whose colour and font its children take unless they set their own.
class IStyleParent {
public:
  virtual ~IStyleParent() = default;
  virtual TColor Color() const = 0;
  virtual const TFont& Font() const = 0;
};

// The colour and font a child of `parent` takes by default.
TColor ParentColor(HWND parent);
TFont ParentFont(HWND parent);

// A child control that answers what Windows sends its parent about it
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR...). Every container of
// the toolkit passes these messages on through ReflectToChild.
class IReflected {
public:
  virtual ~IReflected() = default;
  // True when the message was handled; `result` is then the answer.
  virtual bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

// Registers `target` as the receiver of the notifications of `window`;
// DetachReflected ends that.
void AttachReflected(HWND window, IReflected* target);
void DetachReflected(HWND window);
// Passes a parent's message to the child it is about, if that child is one
// of ours; false when the message is not such a notification or nobody took it.
bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

struct TMouseEvent {
  TMouseButton Button = TMouseButton::mbLeft;   // the button pressed or released; mbLeft for moves
  uint32_t Keys = 0;              // MK_ flags of the message
  int X = 0;                      // client coordinates; outside the client area
  int Y = 0;                      // while the control holds the mouse capture
};

using TNotifyEvent = std::function<void(TControl& sender)>;
using TMouseEventHandler = std::function<void(TControl& sender, const TMouseEvent& event)>;

// What every control is created with. Controls derive their own args struct
// from this one and set their own defaults (size, colour) in its constructor.
struct TControlCreateArgs {
  HWND Parent = nullptr;
  int Id = 0;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  TAlign Align = TAlign::alNone;
  std::optional<TFont> Font;    // none: the parent's font, else the default GUI font
  std::optional<TColor> Color;  // none: the parent's colour, else button face
  DWORD Style = 0;              // added to WS_CHILD | WS_CLIPSIBLINGS
  DWORD ExStyle = 0;
  TCursor Cursor = crDefault;
  bool Visible = true;

  TMouseEventHandler OnMouseDown;
  TMouseEventHandler OnMouseMove;
  TMouseEventHandler OnMouseUp;
  TNotifyEvent OnResize;
};

class TControl : public TWindow, public IStyleParent {
public:
  // Bounds in the parent's client coordinates.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetBounds(int left, int top, int width, int height);
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  RECT ClientRect() const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align) { align_ = align; }
  const TFont& Font() const override { return font_; }
  void SetFont(const TFont& font);
  // The GDI font of Font, made on first use.
  HFONT FontHandle();
  TColor Color() const override { return color_; }
  void SetColor(TColor color);
  TCursor Cursor() const { return cursor_; }
  // Shows the new shape at once when the pointer is over the control.
  void SetCursor(TCursor cursor);

  // Asks for a paint of the whole control; Repaint paints at once.
  void Invalidate();
  void Repaint();

  TMouseEventHandler OnMouseDown;
  TMouseEventHandler OnMouseMove;
  TMouseEventHandler OnMouseUp;
  TNotifyEvent OnResize;

protected:
  TControl() = default;

  // Creates the window of the control (class registered on first use).
  void CreateControl(const TControlCreateArgs& args, const char16_t* className);

  // Paints the whole client area on `dc`, in WM_PAINT and in WM_PRINTCLIENT.
  // The default fills it with Color.
  virtual void Paint(HDC dc);
  // Draws what the parent shows under this control, for controls that let
  // the parent's background through.
  void PaintParentBackground(HDC dc);

  // The defaults fire the matching On... events.
  virtual void MouseDown(const TMouseEvent& event);
  virtual void MouseMove(const TMouseEvent& event);
  virtual void MouseUp(const TMouseEvent& event);
  virtual void Resize();
  // The pointer left the control; the default does nothing.
  virtual void MouseLeave() {}
  // Font changed; the default repaints.
  virtual void FontChanged();

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  LRESULT MouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool PointerIsOver() const;

  TAlign align_ = TAlign::alNone;
  TFont font_;
  TScopedFont fontHandle_;
  TColor color_ = clBtnFace;
  TCursor cursor_ = crDefault;
  bool trackingLeave_ = false;
};

}  // namespace zp
