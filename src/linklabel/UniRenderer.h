// The renderer: walks a node tree, works out the style and colour of every
// piece of text and hands text and breaks to the layout engine.
#pragma once

#include <cstdint>
#include <memory>

#include "linklabel/UniLinkTools.h"
#include "ui/Surface.h"
#include "linklabel/UniTextHandler.h"
#include "linklabel/UniTree.h"

namespace zp {

class IRenderer {
public:
  virtual ~IRenderer() = default;
  virtual TColor LinkColor() const = 0;
  virtual void SetLinkColor(TColor color) = 0;
  virtual TColor LinkColorClicked() const = 0;
  virtual void SetLinkColorClicked(TColor color) = 0;
  virtual TColor LinkColorHot() const = 0;
  virtual void SetLinkColorHot(TColor color) = 0;
  virtual TFontStyles LinkStyle() const = 0;
  virtual void SetLinkStyle(TFontStyles style) = 0;
  // Lays out and draws the whole tree from the top-left corner of `rect`,
  // then refreshes the root's link rectangles.
  virtual void Render(ISurface& surface, const TRect& rect, TNodeTree& tree) = 0;
  // Draws one area node and its content again from its StartPos, a link in
  // the colour of its state.
  virtual void RedrawNode(ISurface& surface, const TRect& rect, TAreaNode& node) = 0;
  // The used height of the last render, as a y coordinate of the surface.
  virtual int32_t RenderedHeight() const = 0;
};

class TDefaultRenderer : public IRenderer, public IStartingPosObserver {
public:
  TColor LinkColor() const override { return linkColor_; }
  void SetLinkColor(TColor color) override { linkColor_ = color; }
  TColor LinkColorClicked() const override { return linkColorClicked_; }
  void SetLinkColorClicked(TColor color) override { linkColorClicked_ = color; }
  TColor LinkColorHot() const override { return linkColorHot_; }
  void SetLinkColorHot(TColor color) override { linkColorHot_ = color; }
  TFontStyles LinkStyle() const override { return linkStyle_; }
  void SetLinkStyle(TFontStyles style) override { linkStyle_ = style; }
  void Render(ISurface& surface, const TRect& rect, TNodeTree& tree) override;
  void RedrawNode(ISurface& surface, const TRect& rect, TAreaNode& node) override;
  int32_t RenderedHeight() const override { return renderedHeight_; }

  void StartingPosFound(int32_t x, int32_t y, TAreaNode& node) override;

  // The three link placeholders become the link colours; anything else stays.
  virtual TColor ResolveColor(TColor color) const;

protected:
  virtual void RenderNode(TAreaNode& node, TFontStyles style, TColor color);

private:
  TColor linkColor_ = 0;
  TColor linkColorClicked_ = 0;
  TColor linkColorHot_ = 0;
  TFontStyles linkStyle_ = 0;
  std::unique_ptr<ITextHandler> handler_;  // only while RedrawNode runs
  int32_t renderedHeight_ = 0;
};

}  // namespace zp
