// Parses and lays out arbitrary captions on the fake surface, then does what
// the label does with a tree: hit tests, link redraws in every state, and a
// second paint, which must come out exactly like the first.
//
// Input: byte 0 holds options (bit 0: the caption is UTF-16LE rather than one
// code unit per byte; bit 1: DYNAMIC tags get the caption's first half as
// their content, up to 48 code units), byte 1 the width of the layout rectangle (may be negative),
// the rest is the caption.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "portable/linklabel/FakeSurface.h"
#include "linklabel/UniParser.h"
#include "linklabel/UniRenderer.h"

namespace {

using namespace zp;

class TEchoHandler : public IDynamicNodeHandler {
public:
  explicit TEchoHandler(std::u16string source) : source_(std::move(source)) {}
  void GetDynamicSource(std::u16string& source, TDynamicNode&) override { source = source_; }

private:
  std::u16string source_;
};

bool SameDraws(const TFakeSurface& a, const TFakeSurface& b) {
  if (a.Draws.size() != b.Draws.size()) return false;
  for (size_t i = 0; i < a.Draws.size(); ++i) {
    const auto &x = a.Draws[i], &y = b.Draws[i];
    if (x.X != y.X || x.Y != y.Y || x.Text != y.Text || x.Style != y.Style || x.Color != y.Color) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[0];
  const int32_t width = static_cast<int8_t>(data[1]) * 2;
  std::u16string caption;
  if (options & 1) {
    for (size_t i = 2; i + 1 < size; i += 2) caption.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  } else {
    for (size_t i = 2; i < size; ++i) caption.push_back(static_cast<char16_t>(data[i]));
  }

  // A short slice: every DYNAMIC tag gets it, so a long one would make the
  // tree grow with the square of the input.
  TEchoHandler handler(caption.substr(0, std::min<size_t>(caption.size() / 2, 48)));
  TDefaultParser parser;
  if (options & 2) parser.SetDynamicNodeHandler(&handler);
  ResetNodeCounters();
  auto tree = parser.Parse(caption);

  TDefaultRenderer renderer;
  renderer.SetLinkColor(1);
  renderer.SetLinkColorClicked(2);
  renderer.SetLinkColorHot(3);
  renderer.SetLinkStyle(fsUnderline);
  const TRect bounds{3, 4, 3 + width, 200};
  TFakeSurface first;
  renderer.Render(first, bounds, *tree);
  const int32_t height = renderer.RenderedHeight();

  const auto linkClass = TNodeClass::Of<TLinkNode>();
  const int32_t stepY = height / 5 > 3 ? height / 5 : 3;
  for (int32_t y = 0; y < height + 13; y += stepY) {
    for (int32_t x = 0; x < 260; x += 53) {
      const bool over = tree->IsPointOver({x, y}, linkClass);
      TNode* link = tree->FindNodeAt({x, y}, linkClass);
      if (link && !over) abort();  // the flat rectangles miss a link's text
      if (link) static_cast<TAreaNode*>(link)->GetText();
    }
  }
  auto links = tree->GetTopLevelNodes(linkClass);
  while (links->HasNext()) {
    auto* link = static_cast<TLinkNode*>(links->Next());
    for (TLinkState state : {TLinkState::lsHot, TLinkState::lsClicked, TLinkState::lsNormal}) {
      link->State = state;
      TFakeSurface surface;
      renderer.RedrawNode(surface, bounds, *link);
    }
  }

  TFakeSurface second;
  renderer.Render(second, bounds, *tree);
  if (!SameDraws(first, second) || renderer.RenderedHeight() != height) abort();
  return 0;
}
