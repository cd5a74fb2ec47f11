#include "linklabel/UniLinkLabel.h"

#include <utility>

#include "base/Strings.h"
#include "ui/GdiSurface.h"
#include "linklabel/UniLinkTools.h"

namespace zp {

namespace {

TPoint PointOf(const TMouseEvent& event) { return TPoint{event.X, event.Y}; }

}  // namespace

TUniCustomLinkLabel::TUniCustomLinkLabel() : tree_(std::make_unique<TNodeTree>()) {}

TUniCustomLinkLabel::~TUniCustomLinkLabel() = default;

void TUniCustomLinkLabel::Create(const TLinkLabelCreateArgs& args) {
  transparent_ = args.Transparent;
  SetLinkColor(args.LinkColor);
  SetLinkColorClicked(args.LinkColorClicked);
  SetLinkColorHot(args.LinkColorHot);
  SetLinkStyle(args.LinkStyle);
  hotLinks_ = args.HotLinks;
  autoHeight_ = args.AutoHeight;
  marginWidth_ = args.MarginWidth;
  marginHeight_ = args.MarginHeight;
  OnDynamicTagInit = args.OnDynamicTagInit;
  OnCaptionChanged = args.OnCaptionChanged;
  OnLinkClick = args.OnLinkClick;
  CreateControl(args, u"ZpLinkLabel");
  savedCursor_ = Cursor();
  UpdateTextRect();
  SyncRootFont();
  // A caption set before the window existed stays unless args gives one.
  if (!args.Caption.empty()) SetCaption(args.Caption);
}

IParser& TUniCustomLinkLabel::Parser() {
  if (!parser_) {
    parser_ = CreateParser();
    parser_->SetDynamicNodeHandler(this);
  }
  return *parser_;
}

IRenderer& TUniCustomLinkLabel::Renderer() const {
  if (!renderer_) {
    // Made on first use, when a descendant's CreateRenderer is in place.
    renderer_ = const_cast<TUniCustomLinkLabel*>(this)->CreateRenderer();
    renderer_->SetLinkColor(0x00FF0000);
    renderer_->SetLinkColorClicked(0x000000FF);
    renderer_->SetLinkColorHot(0x00800080);
    renderer_->SetLinkStyle(fsUnderline);
  }
  return *renderer_;
}

std::unique_ptr<IParser> TUniCustomLinkLabel::CreateParser() { return std::make_unique<TDefaultParser>(); }

std::unique_ptr<IRenderer> TUniCustomLinkLabel::CreateRenderer() { return std::make_unique<TDefaultRenderer>(); }

// --- Caption -----------------------------------------------------------------

void TUniCustomLinkLabel::SetCaption(const std::u16string& value) {
  if (value == caption_) return;
  // The caption changes first, so that OnDynamicTagInit sees the caption
  // being parsed; a failed parse puts the former caption and lines back.
  std::u16string formerCaption = std::exchange(caption_, value);
  std::vector<std::u16string> formerText = std::exchange(text_, {value});
  std::unique_ptr<TNodeTree> tree;
  try {
    ResetNodeCounters();
    tree = Parser().Parse(value);
  } catch (...) {
    caption_ = std::move(formerCaption);
    text_ = std::move(formerText);
    throw;
  }
  activeLink_ = nullptr;  // it belongs to the old tree; the next paint draws the new one
  tree_ = std::move(tree);
  SyncRootFont();
  Invalidate();
  MirrorCaption();
  DoCaptionChanged();
}

void TUniCustomLinkLabel::SetText(const std::vector<std::u16string>& lines) {
  std::u16string joined;
  for (const std::u16string& line : lines) joined += line + u"\r\n";
  std::vector<std::u16string> former = std::exchange(text_, lines);
  try {
    SetCaption(TStringTools::RemoveLineBreaks(joined));
  } catch (...) {
    text_ = std::move(former);  // the label still shows the former caption
    throw;
  }
}

void TUniCustomLinkLabel::MirrorCaption() {
  // Straight to the default procedure: a WM_SETTEXT through our own would
  // come back as a caption cut at its first U+0000.
  if (Handle()) DefaultWndProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(caption_)));
}

void TUniCustomLinkLabel::GetDynamicSource(std::u16string& source, TDynamicNode& node) {
  source.clear();
  DoDynamicTagInit(source, node.Number);
}

void TUniCustomLinkLabel::DoCaptionChanged() {
  if (OnCaptionChanged) OnCaptionChanged(*this);
}

void TUniCustomLinkLabel::DoLinkClick(int32_t linkNumber, const std::u16string& linkText) {
  if (OnLinkClick) OnLinkClick(*this, linkNumber, linkText);
}

void TUniCustomLinkLabel::DoDynamicTagInit(std::u16string& source, int32_t number) {
  source.clear();
  if (OnDynamicTagInit) OnDynamicTagInit(*this, source, number);
}

// --- Properties --------------------------------------------------------------

void TUniCustomLinkLabel::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}

void TUniCustomLinkLabel::SetLinkColor(TColor value) {
  if (value == Renderer().LinkColor()) return;
  Renderer().SetLinkColor(value);
  Invalidate();
}

void TUniCustomLinkLabel::SetLinkColorClicked(TColor value) { Renderer().SetLinkColorClicked(value); }

void TUniCustomLinkLabel::SetLinkColorHot(TColor value) { Renderer().SetLinkColorHot(value); }

void TUniCustomLinkLabel::SetLinkStyle(TFontStyles value) {
  if (value == Renderer().LinkStyle()) return;
  Renderer().SetLinkStyle(value);
  // Link words measured in the former style (bold is wider) would wrap wrongly.
  ClearWordCaches();
  Invalidate();
}

void TUniCustomLinkLabel::SetAutoHeight(bool value) {
  if (value == autoHeight_) return;
  autoHeight_ = value;
  Invalidate();
}

void TUniCustomLinkLabel::SetMarginWidth(int32_t value) {
  marginWidth_ = value;
  UpdateTextRect();
  Invalidate();
}

void TUniCustomLinkLabel::SetMarginHeight(int32_t value) {
  marginHeight_ = value;
  UpdateTextRect();
  Invalidate();
}

void TUniCustomLinkLabel::UpdateTextRect() {
  if (!Handle()) return;
  const RECT client = ClientRect();
  textRect_ = TRect{client.left + marginWidth_, client.top + marginHeight_, client.right - marginWidth_,
                    client.bottom};
}

void TUniCustomLinkLabel::SyncRootFont() {
  tree_->Root().Style = Font().Style;
  tree_->Root().Color = Font().Color;
}

void TUniCustomLinkLabel::ClearWordCaches() {
  auto strings = tree_->GetTopLevelNodes(TNodeClass::Of<TStringNode>());
  while (strings->HasNext()) static_cast<TStringNode*>(strings->Next())->ClearWordInfos();
}

// --- Painting ----------------------------------------------------------------

void TUniCustomLinkLabel::Paint(HDC dc) {
  if (transparent_) {
    PaintParentBackground(dc);
  } else {
    TControl::Paint(dc);
  }
  {
    TGdiSurface surface(dc, Font());
    Renderer().Render(surface, textRect_, *tree_);
  }
  FitHeightToText();
}

void TUniCustomLinkLabel::FitHeightToText() {
  if (!autoHeight_) return;
  if (Align() != TAlign::alNone && Align() != TAlign::alTop && Align() != TAlign::alBottom) return;
  const RECT client = ClientRect();
  const int clientHeight = client.bottom - client.top;
  const int wanted = Renderer().RenderedHeight() + marginHeight_;
  // A new height makes the window repaint itself (CS_VREDRAW).
  if (wanted != clientHeight) SetHeight(Height() - clientHeight + wanted);
}

void TUniCustomLinkLabel::FontChanged() {
  SyncRootFont();
  ClearWordCaches();
  TControl::FontChanged();
}

void TUniCustomLinkLabel::Resize() {
  TControl::Resize();
  UpdateTextRect();
}

LRESULT TUniCustomLinkLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      MirrorCaption();  // a caption set before the window existed
      break;
    case WM_SETTEXT:
      // Text set from outside (a translation, a driver) is a new caption;
      // SetCaption mirrors it into the window text.
      SetCaption(lParam ? FromW(reinterpret_cast<const wchar_t*>(lParam)) : std::u16string());
      return TRUE;
  }
  return TControl::WndProc(message, wParam, lParam);
}

// --- Links and the mouse -----------------------------------------------------

TLinkNode* TUniCustomLinkLabel::LinkAt(const TPoint& point) const {
  // The flat list of link rectangles answers first: it is one pass, and it
  // is what every mouse move asks.
  if (!tree_->IsPointOver(point, TNodeClass::Of<TLinkNode>())) return nullptr;
  return static_cast<TLinkNode*>(tree_->FindNodeAt(point, TNodeClass::Of<TLinkNode>()));
}

bool TUniCustomLinkLabel::ActiveLinkIsClicked() const {
  return activeLink_ && activeLink_->State == TLinkState::lsClicked;
}

void TUniCustomLinkLabel::RedrawLink(TLinkNode& link) {
  if (!Handle()) return;
  TScopedGetDC dc(Handle());
  TGdiSurface surface(dc.Get(), Font());
  Renderer().RedrawNode(surface, textRect_, link);
}

void TUniCustomLinkLabel::SetLinkStateAt(const TPoint& point, TLinkState state) {
  TLinkNode* link = LinkAt(point);
  if (!link) return;
  if (link == activeLink_ && link->State == state) return;
  ResetActiveLink();
  link->State = state;
  activeLink_ = link;
  RedrawLink(*link);
}

void TUniCustomLinkLabel::ResetActiveLink() {
  if (!activeLink_) return;
  TLinkNode* link = std::exchange(activeLink_, nullptr);
  link->State = TLinkState::lsNormal;
  RedrawLink(*link);
}

void TUniCustomLinkLabel::MouseDown(const TMouseEvent& event) {
  TControl::MouseDown(event);
  SetLinkStateAt(PointOf(event), TLinkState::lsClicked);
}

void TUniCustomLinkLabel::MouseMove(const TMouseEvent& event) {
  TControl::MouseMove(event);
  const TPoint point = PointOf(event);
  if (tree_->IsPointOver(point, TNodeClass::Of<TLinkNode>())) {
    SetCursor(crLinkHand);
    if (hotLinks_ && !ActiveLinkIsClicked()) SetLinkStateAt(point, TLinkState::lsHot);
  } else {
    SetCursor(savedCursor_);
    if (hotLinks_ && !ActiveLinkIsClicked()) ResetActiveLink();
  }
}

void TUniCustomLinkLabel::MouseUp(const TMouseEvent& event) {
  TControl::MouseUp(event);
  // The release decides: it clicks the link under the pointer, whichever
  // link (if any) was pressed.
  TLinkNode* link = LinkAt(PointOf(event));
  try {
    if (link) DoLinkClick(link->Number, link->GetText());
  } catch (...) {
    ResetActiveLink();
    throw;
  }
  // The handler may have set a new caption: then there is nothing to reset.
  ResetActiveLink();
}

void TUniCustomLinkLabel::MouseLeave() {
  TControl::MouseLeave();
  if (hotLinks_ && !ActiveLinkIsClicked()) ResetActiveLink();
}

}  // namespace zp
