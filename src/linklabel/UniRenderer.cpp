#include "linklabel/UniRenderer.h"

namespace zp {

namespace {

// Installs the text handler of one redraw and puts back the one before it
// however the redraw ends.
class THandlerScope {
public:
  THandlerScope(std::unique_ptr<ITextHandler>& slot, std::unique_ptr<ITextHandler> handler)
      : slot_(slot), saved_(std::move(slot)) {
    slot_ = std::move(handler);
  }
  ~THandlerScope() { slot_ = std::move(saved_); }
  THandlerScope(const THandlerScope&) = delete;
  THandlerScope& operator=(const THandlerScope&) = delete;

private:
  std::unique_ptr<ITextHandler>& slot_;
  std::unique_ptr<ITextHandler> saved_;
};

}  // namespace

void TDefaultRenderer::Render(ISurface& surface, const TRect& rect, TNodeTree& tree) {
  tree.Root().StartPos = {rect.Left, rect.Top};
  RedrawNode(surface, rect, tree.Root());
  tree.Root().UpdateLinkRects();
}

void TDefaultRenderer::RedrawNode(ISurface& surface, const TRect& rect, TAreaNode& node) {
  THandlerScope scope(handler_, std::make_unique<TTextHandler>(surface, rect, node.StartPos));
  RenderNode(node, node.GetStyle(), node.GetColor());
  handler_->EmptyBuffer();
  renderedHeight_ = handler_->UsedHeight();
}

void TDefaultRenderer::StartingPosFound(int32_t x, int32_t y, TAreaNode& node) { node.StartPos = {x, y}; }

TColor TDefaultRenderer::ResolveColor(TColor color) const {
  switch (color) {
    case clLinkNormal: return linkColor_;
    case clLinkClicked: return linkColorClicked_;
    case clLinkHot: return linkColorHot_;
    default: return color;
  }
}

void TDefaultRenderer::RenderNode(TAreaNode& node, TFontStyles style, TColor color) {
  if (handler_->BufferIsEmpty()) {
    node.StartPos = {handler_->PenX(), handler_->PenY()};
  } else {
    // The node's text goes on from text that is not laid out yet: its start
    // is known only once that happens.
    handler_->WatchStartingPos(this, node);
  }
  node.Style = style;
  node.Color = ResolveColor(color);
  for (const auto& child : node.Children()) {
    TColor childColor = ResolveColor(color);
    TFontStyles childStyle = style;
    switch (child->GetNodeType()) {
      case TNodeType::ntStyleNode: {
        const uint8_t bit = static_cast<TStyleNode&>(*child).StyleBit;
        childStyle = static_cast<TFontStyles>(style | (bit < 8 ? 1u << bit : 0u));
        break;
      }
      case TNodeType::ntLinkNode:
        childStyle = static_cast<TFontStyles>(linkStyle_ | style);
        childColor = linkColor_;
        break;
      case TNodeType::ntStringNode:
        handler_->AddText(static_cast<TStringNode&>(*child), childStyle, childColor);
        break;
      case TNodeType::ntActionNode:
        if (static_cast<TActionNode&>(*child).ActionKind == TActionKind::akLineBreak) {
          handler_->LineBreak();
        } else {
          handler_->ParagraphBreak();
        }
        break;
      default: break;  // unknown tags draw nothing; a dynamic node draws its children
    }
    if (auto* area = dynamic_cast<TAreaNode*>(child.get())) RenderNode(*area, childStyle, childColor);
  }
}

}  // namespace zp
