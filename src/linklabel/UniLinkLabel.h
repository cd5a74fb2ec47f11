// The markup label: shows a caption with bold, italic and underlined runs,
// line and paragraph breaks, dynamic content and links, wrapped to its width;
// colours a link while it is pressed (and, with HotLinks, while the pointer is
// over it) and reports clicks on links by number and text.
//
// TUniCustomLinkLabel holds the behaviour and is made in two steps (construct,
// then Create) so that a descendant's parser and renderer are in place before
// the caption is parsed; TUniLinkLabel is the final control, made in one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "linklabel/UniParser.h"
#include "linklabel/UniRenderer.h"
#include "linklabel/UniTree.h"
#include "ui/Controls.h"

namespace zp {

// The pointer over links: the system's pointing hand.
constexpr TCursor crLinkHand = crHandPoint;

class TUniCustomLinkLabel;

using TLinkClickEvent =
    std::function<void(TUniCustomLinkLabel& sender, int32_t linkNumber, const std::u16string& linkText)>;
// `source` is empty on entry; markup left in it becomes the tag's content.
using TDynamicTagInitEvent = std::function<void(TUniCustomLinkLabel& sender, std::u16string& source, int32_t number)>;
using TLabelNotifyEvent = std::function<void(TUniCustomLinkLabel& sender)>;

struct TLinkLabelCreateArgs : TControlCreateArgs {
  TLinkLabelCreateArgs() {
    Width = 160;
    Height = 17;
  }
  std::u16string Caption;
  bool Transparent = false;
  TColor LinkColor = 0x00FF0000;         // blue
  TColor LinkColorClicked = 0x000000FF;  // red
  TColor LinkColorHot = 0x00800080;      // purple
  TFontStyles LinkStyle = fsUnderline;
  bool HotLinks = false;
  bool AutoHeight = true;
  int32_t MarginWidth = 0;
  int32_t MarginHeight = 0;

  TDynamicTagInitEvent OnDynamicTagInit;
  TLabelNotifyEvent OnCaptionChanged;
  TLinkClickEvent OnLinkClick;
};

class TUniCustomLinkLabel : public TControl, private IDynamicNodeHandler {
public:
  TUniCustomLinkLabel();
  ~TUniCustomLinkLabel() override;

  // Creates the window and takes every setting of `args`; the caption comes
  // last, so its dynamic tags already reach OnDynamicTagInit. An empty
  // args.Caption keeps a caption set before Create.
  void Create(const TLinkLabelCreateArgs& args);

  // Setting a caption equal to the current one does nothing. A new caption is
  // Caption (and the only line of Text) while it is parsed, so
  // OnDynamicTagInit sees it; when the parse fails (an event handler raised),
  // the label gets its former caption and lines back and the error
  // propagates. The window text mirrors the caption (up to a U+0000, which
  // window texts cannot hold); WM_SETTEXT from outside sets a new caption.
  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& value);
  // The caption as lines. Setting lines joins them without separators into
  // the caption; when that changes the caption, Text holds the joined line,
  // and when the parse fails, Text keeps its former lines.
  const std::vector<std::u16string>& Text() const { return text_; }
  void SetText(const std::vector<std::u16string>& lines);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TColor LinkColor() const { return Renderer().LinkColor(); }
  void SetLinkColor(TColor value);
  // The clicked and hot colours show at the next state change of a link.
  TColor LinkColorClicked() const { return Renderer().LinkColorClicked(); }
  void SetLinkColorClicked(TColor value);
  TColor LinkColorHot() const { return Renderer().LinkColorHot(); }
  void SetLinkColorHot(TColor value);
  TFontStyles LinkStyle() const { return Renderer().LinkStyle(); }
  void SetLinkStyle(TFontStyles value);
  bool HotLinks() const { return hotLinks_; }
  void SetHotLinks(bool value) { hotLinks_ = value; }
  // Height follows the text after each paint unless Align is left, right or client.
  bool AutoHeight() const { return autoHeight_; }
  void SetAutoHeight(bool value);
  int32_t MarginWidth() const { return marginWidth_; }
  void SetMarginWidth(int32_t value);
  int32_t MarginHeight() const { return marginHeight_; }
  void SetMarginHeight(int32_t value);

  // The layout rectangle: the client area less the margins (none at the bottom).
  const TRect& TextRect() const { return textRect_; }
  // The parsed caption, with the positions of the last paint.
  const TNodeTree& Tree() const { return *tree_; }
  // The link shown as clicked or hot, or nullptr.
  const TLinkNode* ActiveLink() const { return activeLink_; }

  TDynamicTagInitEvent OnDynamicTagInit;
  TLabelNotifyEvent OnCaptionChanged;
  TLinkClickEvent OnLinkClick;

protected:
  virtual std::unique_ptr<IParser> CreateParser();
  virtual std::unique_ptr<IRenderer> CreateRenderer();
  virtual void DoCaptionChanged();
  virtual void DoLinkClick(int32_t linkNumber, const std::u16string& linkText);
  virtual void DoDynamicTagInit(std::u16string& source, int32_t number);

  void Paint(HDC dc) override;
  void MouseDown(const TMouseEvent& event) override;
  void MouseMove(const TMouseEvent& event) override;
  void MouseUp(const TMouseEvent& event) override;
  void MouseLeave() override;
  void Resize() override;
  void FontChanged() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void GetDynamicSource(std::u16string& source, TDynamicNode& node) override;

  IParser& Parser();
  IRenderer& Renderer() const;
  void MirrorCaption();
  void UpdateTextRect();
  void SyncRootFont();
  void ClearWordCaches();
  void FitHeightToText();
  TLinkNode* LinkAt(const TPoint& point) const;
  bool ActiveLinkIsClicked() const;
  void SetLinkStateAt(const TPoint& point, TLinkState state);
  void ResetActiveLink();
  void RedrawLink(TLinkNode& link);

  std::u16string caption_;
  std::vector<std::u16string> text_;
  std::unique_ptr<IParser> parser_;
  mutable std::unique_ptr<IRenderer> renderer_;
  std::unique_ptr<TNodeTree> tree_;
  TLinkNode* activeLink_ = nullptr;
  bool transparent_ = false;
  bool hotLinks_ = false;
  bool autoHeight_ = true;
  int32_t marginWidth_ = 0;
  int32_t marginHeight_ = 0;
  TRect textRect_;
  TCursor savedCursor_ = crDefault;
};

// The label as forms use it.
class TUniLinkLabel final : public TUniCustomLinkLabel {
public:
  TUniLinkLabel() = default;
  explicit TUniLinkLabel(const TLinkLabelCreateArgs& args) { Create(args); }
};

}  // namespace zp
