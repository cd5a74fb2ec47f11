#include <gtest/gtest.h>

#include "portable/linklabel/FakeSurface.h"
#include "linklabel/UniParser.h"
#include "linklabel/UniRenderer.h"
#include "linklabel/UniTextHandler.h"

namespace zp {
namespace {

// The fake measures 6 per code unit (8 in bold) and 13 per line.
constexpr TColor kText = 0x00112233;
constexpr TColor kLink = 0x00FF0000;
constexpr TColor kClicked = 0x000000FF;
constexpr TColor kHot = 0x00800080;

struct TLayout {
  TLayout(const std::u16string& caption, TRect rect) : bounds(rect) {
    ResetNodeCounters();
    tree = TDefaultParser().Parse(caption);
    tree->Root().Color = kText;
    renderer.SetLinkColor(kLink);
    renderer.SetLinkColorClicked(kClicked);
    renderer.SetLinkColorHot(kHot);
    renderer.SetLinkStyle(fsUnderline);
    Render();
  }
  explicit TLayout(const std::u16string& caption, int32_t right = 1000) : TLayout(caption, TRect{0, 0, right, 500}) {}

  void Render() {
    surface.Draws.clear();
    renderer.Render(surface, bounds, *tree);
  }
  void Redraw(TAreaNode& node) {
    surface.Draws.clear();
    renderer.RedrawNode(surface, bounds, node);
  }
  // "x,y text" per draw call, separated by "|".
  std::string Draws() const {
    std::string out;
    for (const auto& draw : surface.Draws) {
      if (!out.empty()) out += '|';
      out += std::to_string(draw.X) + "," + std::to_string(draw.Y) + " ";
      for (char16_t c : draw.Text) out += static_cast<char>(c);
    }
    return out;
  }
  TLinkNode& Link(int number = 0) {
    auto links = tree->GetTopLevelNodes(TNodeClass::Of<TLinkNode>());
    while (links->HasNext()) {
      auto* link = static_cast<TLinkNode*>(links->Next());
      if (link->Number == number) return *link;
    }
    throw std::logic_error("no such link");
  }

  TRect bounds;
  TFakeSurface surface;
  TDefaultRenderer renderer;
  std::unique_ptr<TNodeTree> tree;
};

TEST(Words, EachWordCarriesOneTrailingSpace) {
  TWordEnumerator words(u" ab  c d ");
  std::vector<std::u16string> got;
  EXPECT_EQ(words.PeekNext(), u" ");
  while (words.HasNext()) got.push_back(words.GetNext());
  EXPECT_EQ(got, (std::vector<std::u16string>{u" ", u"ab ", u" ", u"c ", u"d "}));
  EXPECT_EQ(words.Count(), 5u);
  try {
    words.GetNext();
    FAIL() << "no error";
  } catch (const ETextHandlerError& e) {
    EXPECT_STREQ(e.what(), "TWordEnumerator.GetNext: No more words to return");
  }
  EXPECT_THROW(words.PeekNext(), ETextHandlerError);
  words.Reset();
  EXPECT_EQ(words.GetNext(), u" ");
  words.SetText(u"");
  EXPECT_FALSE(words.HasNext());
}

TEST(Layout, OneLineStartsAtTheTopLeftCorner) {
  TLayout layout(u"Hello world", TRect{10, 20, 500, 400});
  EXPECT_EQ(layout.Draws(), "10,20 Hello world");
  EXPECT_EQ(layout.surface.Draws[0].Color, kText);
  EXPECT_EQ(layout.renderer.RenderedHeight(), 20 + 13);
  EXPECT_EQ(layout.tree->Root().FindFirst<TStringNode>()->Rects, (TRectArray{{10, 20, 76, 33}}));
}

TEST(Layout, BreaksMoveThePenDown) {
  TLayout layout(u"a<br>b<p>c<br><br>", TRect{5, 0, 500, 400});
  EXPECT_EQ(layout.Draws(), "5,0 a|5,13 b|5,39 c");
  EXPECT_EQ(layout.renderer.RenderedHeight(), 39 + 2 * 13 + 13);
}

TEST(Layout, WrapsWhenTheTextReachesTheRightEdge) {
  // "aaaa " is 30 wide, "bbbb" 24: together they end at 54.
  EXPECT_EQ(TLayout(u"aaaa bbbb", 54).Draws(), "0,0 aaaa|0,13 bbbb");
  EXPECT_EQ(TLayout(u"aaaa bbbb", 55).Draws(), "0,0 aaaa bbbb");

  // The rectangle of a wrapped segment keeps its trailing space; the drawn
  // text does not.
  TLayout layout(u"aaaa bbbb", 54);
  EXPECT_EQ(layout.tree->Root().FindFirst<TStringNode>()->Rects, (TRectArray{{0, 0, 30, 13}, {0, 13, 24, 26}}));
  EXPECT_EQ(layout.renderer.RenderedHeight(), 26);
}

TEST(Layout, TrailingSpacesMayHangOverTheEdge) {
  // "aaaa bbbb " is 60 wide, but without its space 54 < 55.
  EXPECT_EQ(TLayout(u"aaaa bbbb cc", 55).Draws(), "0,0 aaaa bbbb|0,13 cc");
  // Further spaces are words of their own and never start a line.
  TLayout spaces(u"aaaa   b", 30);
  EXPECT_EQ(spaces.Draws(), "0,0 aaaa|0,13 b");
  EXPECT_EQ(spaces.tree->Root().FindFirst<TStringNode>()->Rects[0], (TRect{0, 0, 42, 13}));
  EXPECT_EQ(TLayout(u"a   b").Draws(), "0,0 a   b");
}

TEST(Layout, TooWideWordsBreakInsideThemselves) {
  // 30 wide: four code units (24) fit, five (30) reach the edge.
  EXPECT_EQ(TLayout(u"wwwwwwwwww next", 30).Draws(), "0,0 wwww|0,13 wwww|0,26 ww|0,39 next");
  // After a break the word starts a new line and breaks there.
  TLayout broken(u"x<br>wwwwwwwwww", 30);
  EXPECT_EQ(broken.Draws(), "0,0 x|0,13 wwww|0,26 wwww|0,39 ww");
  EXPECT_EQ(broken.renderer.RenderedHeight(), 52);
  // Behind other text it first wraps; every piece of a link answers hit tests.
  TLayout link(u"see <link>somewherefar</link>", 60);
  EXPECT_EQ(link.Draws(), "0,0 see |0,13 somewhere|0,26 far");
  EXPECT_EQ(link.tree->Root().LinkRects, (TRectArray{{0, 13, 54, 26}, {0, 26, 18, 39}}));
  // A surrogate pair is never split: 5 code units would fit, 4 are drawn.
  EXPECT_EQ(TLayout(u"wwww\U0001F600ww", 31).surface.Draws.size(), 2u);
  EXPECT_EQ(TLayout(u"wwww\U0001F600ww", 31).surface.Draws[0].Text, u"wwww");
  // A box with no width at all: one character a line, and the word ends.
  EXPECT_EQ(TLayout(u"ab", 0).Draws(), "0,0 a|0,13 b");
}

// Lines in East Asian text break between characters (six code units of 6 fit
// in 40), not before closing punctuation nor after opening punctuation.
TEST(Layout, EastAsianTextBreaksBetweenCharacters) {
  const struct {
    const char16_t* Text;
    std::u16string Lines;
  } cases[] = {
      {u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3092\u8868\u793A",  // 日本語の文章を表示
       u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0|\u3092\u8868\u793A"},
      {u"\u4E00\u4E8C\u4E09\u56DB\u4E94\u516D\u3002\u4E03",  // 一二三四五六。七: 。 stays
       u"\u4E00\u4E8C\u4E09\u56DB\u4E94|\u516D\u3002\u4E03"},
      {u"\u4E00\u4E8C\u4E09\u56DB\u4E94\u300C\u516D\u300D",  // 「 goes with 六
       u"\u4E00\u4E8C\u4E09\u56DB\u4E94|\u300C\u516D\u300D"},
      {u"Demo v1\u3092\u8868\u793A", u"Demo|v1\u3092\u8868\u793A"},  // Latin words stay whole
      {u"\u4E00\u4E8C\u4E09\u56DB<b>\u4E94\u516D</b>\u4E03", u"\u4E00\u4E8C\u4E09\u56DB\u4E94|\u516D\u4E03"},
  };
  for (const auto& c : cases) {
    TLayout layout(c.Text, 40);
    std::u16string lines;
    int32_t y = 0;
    for (const auto& draw : layout.surface.Draws) {
      if (draw.Y != y) lines += u"|";
      y = draw.Y;
      lines += draw.Text;
    }
    EXPECT_TRUE(lines == c.Lines) << layout.Draws();
  }
  TWordEnumerator words(u"\u3042\u3044 ab\u3001\u3046");  // あい ab、う
  std::vector<std::u16string> got;
  while (words.HasNext()) got.push_back(words.GetNext());
  EXPECT_EQ(got, (std::vector<std::u16string>{u"\u3042", u"\u3044 ", u"ab\u3001", u"\u3046"}));
}

TEST(Layout, WordsThatTouchAcrossStylesWrapAsOne) {
  // "bold" (32 in bold) and "plain " (36) are one word ending at 18 + 62.
  TLayout layout(u"xx <b>bold</b>plain more", 70);
  EXPECT_EQ(layout.Draws(), "0,0 xx |0,13 bold|32,13 plain|0,26 more");
  EXPECT_EQ(layout.surface.Draws[1].Style, fsBold);
  EXPECT_EQ(layout.surface.Draws[2].Style, 0);
  auto* plain = static_cast<TStringNode*>(layout.tree->Root().Children()[2].get());
  EXPECT_TRUE(plain->Joined);
  EXPECT_EQ(plain->WordInfos[0].Width, 0);
  EXPECT_EQ(layout.tree->Root().FindFirst<TStyleNode>()->FindFirst<TStringNode>()->WordInfos[0].Width, 68);

  // With room for it, nothing moves.
  EXPECT_EQ(TLayout(u"xx <b>bold</b>plain more", 200).Draws(), "0,0 xx |18,0 bold|50,0 plain more");
  // A chain of pieces glues to the end.
  EXPECT_EQ(TLayout(u"aa <b>b</b><i>c</i>d<u>e</u>", 40).Draws(), "0,0 aa |0,13 b|8,13 c|14,13 d|20,13 e");
}

TEST(Layout, StylesAndColoursComeFromTheTree) {
  TLayout layout(u"<b>x</b><link><i>y</i></link><x>z<dynamic>", 200);
  layout.tree->Root().Style = fsStrikeOut;
  layout.Render();
  ASSERT_EQ(layout.Draws(), "0,0 x|8,0 y|14,0 z");
  EXPECT_EQ(layout.surface.Draws[0].Style, fsStrikeOut | fsBold);
  EXPECT_EQ(layout.surface.Draws[0].Color, kText);
  EXPECT_EQ(layout.surface.Draws[1].Style, fsStrikeOut | fsUnderline | fsItalic);
  EXPECT_EQ(layout.surface.Draws[1].Color, kLink);
  EXPECT_EQ(layout.surface.Draws[2].Style, fsStrikeOut);
  EXPECT_EQ(layout.surface.Draws[2].Color, kText);
  EXPECT_EQ(layout.Link().Style, fsStrikeOut | fsUnderline);
  EXPECT_EQ(layout.Link().Color, kLink);
}

TEST(Layout, DynamicContentIsDrawnInPlace) {
  struct THandler : IDynamicNodeHandler {
    void GetDynamicSource(std::u16string& source, TDynamicNode&) override { source = u"<b>in</b>"; }
  } handler;
  ResetNodeCounters();
  TDefaultParser parser;
  parser.SetDynamicNodeHandler(&handler);
  auto tree = parser.Parse(u"a <dynamic> b");
  TFakeSurface surface;
  TDefaultRenderer renderer;
  renderer.Render(surface, {0, 0, 500, 500}, *tree);
  ASSERT_EQ(surface.Draws.size(), 3u);
  EXPECT_EQ(surface.Draws[1].Text, u"in");
  EXPECT_EQ(surface.Draws[1].X, 12);
  EXPECT_EQ(surface.Draws[1].Style, fsBold);
}

TEST(Layout, LinkRectsFollowEveryLineOfALink) {
  TLayout layout(u"go <link>one two</link> end <link>x</link>", 40);
  EXPECT_EQ(layout.Draws(), "0,0 go |18,0 one|0,13 two|0,26 end |24,26 x");
  EXPECT_EQ(layout.tree->Root().LinkRects, (TRectArray{{18, 0, 42, 13}, {0, 13, 18, 26}, {24, 26, 30, 39}}));
  auto* hit = static_cast<TLinkNode*>(layout.tree->FindNodeAt({5, 20}, TNodeClass::Of<TLinkNode>()));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->Number, 0);
  EXPECT_FALSE(layout.tree->IsPointOver({30, 20}, TNodeClass::Of<TLinkNode>()));
}

TEST(Redraw, DrawsALinkAgainWhereItStartedInTheColourOfItsState) {
  TLayout layout(u"see <link>here</link> now");
  TLinkNode& link = layout.Link();
  EXPECT_EQ(link.StartPos, (TPoint{24, 0}));

  link.State = TLinkState::lsHot;
  layout.Redraw(link);
  EXPECT_EQ(layout.Draws(), "24,0 here");
  EXPECT_EQ(layout.surface.Draws[0].Color, kHot);
  EXPECT_EQ(layout.surface.Draws[0].Style, fsUnderline);
  EXPECT_EQ(layout.renderer.RenderedHeight(), 13);

  link.State = TLinkState::lsClicked;
  layout.Redraw(link);
  EXPECT_EQ(layout.surface.Draws[0].Color, kClicked);

  // A full render shows every link in the link colour, whatever its state.
  layout.Render();
  EXPECT_EQ(layout.surface.Draws[1].Text, u"here");
  EXPECT_EQ(layout.surface.Draws[1].Color, kLink);
}

TEST(Redraw, ALinkInsideAWordStartsWhereItsTextWasLaidOut) {
  TLayout joined(u"go<link>to</link>");
  EXPECT_EQ(joined.Link().StartPos, (TPoint{12, 0}));
  joined.Redraw(joined.Link());
  EXPECT_EQ(joined.Draws(), "12,0 to");

  // The word moved to the next line before the link's part was drawn.
  TLayout wrapped(u"aaaa bb<link>cc</link>", 50);
  EXPECT_EQ(wrapped.Draws(), "0,0 aaaa|0,13 bb|12,13 cc");
  wrapped.Redraw(wrapped.Link());
  EXPECT_EQ(wrapped.Draws(), "12,13 cc");

  // A link without text keeps the start it had.
  TLayout empty(u"a<link></link>b");
  EXPECT_EQ(empty.Link().StartPos, (TPoint{0, 0}));
  empty.Redraw(empty.Link());
  EXPECT_EQ(empty.Draws(), "");
}

TEST(Renderer, ResolvesOnlyTheThreeLinkPlaceholders) {
  TDefaultRenderer renderer;
  renderer.SetLinkColor(1);
  renderer.SetLinkColorClicked(2);
  renderer.SetLinkColorHot(3);
  EXPECT_EQ(renderer.ResolveColor(0x80000400), 1u);
  EXPECT_EQ(renderer.ResolveColor(0x80000401), 2u);
  EXPECT_EQ(renderer.ResolveColor(0x80000402), 3u);
  EXPECT_EQ(renderer.ResolveColor(0x80000403), 0x80000403u);
  EXPECT_EQ(renderer.ResolveColor(0xFF000008), 0xFF000008u);
  EXPECT_EQ(renderer.ResolveColor(0x00123456), 0x00123456u);
}

TEST(Layout, LaterPaintsUseTheCachedWordWidths) {
  TLayout layout(u"aaaa bbbb cccc", 200);
  const std::string first = layout.Draws();
  auto* text = layout.tree->Root().FindFirst<TStringNode>();
  ASSERT_EQ(text->WordInfos.size(), 3u);
  layout.Render();
  EXPECT_EQ(layout.Draws(), first);
  // The cache decides where lines break until it is cleared.
  text->WordInfos[1].Width = 500;
  layout.Render();
  EXPECT_EQ(layout.Draws(), "0,0 aaaa|0,13 bbbb|0,26 cccc");
  text->ClearWordInfos();
  layout.Render();
  EXPECT_EQ(layout.Draws(), first);
}

TEST(TextHandler, MeasuresTheLineHeightInThePlainStyle) {
  class TTallBold : public TFakeSurface {
  public:
    int32_t TextHeight(const std::u16string& text) override {
      EXPECT_EQ(text, u"fg");
      return FontStyle() & fsBold ? 20 : 13;
    }
  } surface;
  surface.SetFontStyle(fsBold | fsItalic);
  TTextHandler handler(surface, {0, 0, 100, 100}, {7, 9});
  EXPECT_EQ(handler.LineHeight(), 13);
  EXPECT_EQ(surface.FontStyle(), fsBold | fsItalic);
  EXPECT_EQ(handler.UsedHeight(), 22);
  EXPECT_TRUE(handler.BufferIsEmpty());
  TStringNode text(u"ab");
  handler.AddText(text, 0, 0);
  EXPECT_FALSE(handler.BufferIsEmpty());
  handler.ParagraphBreak();
  EXPECT_TRUE(handler.BufferIsEmpty());
  EXPECT_EQ(surface.Draws.size(), 1u);
  EXPECT_EQ(handler.PenX(), 0);
  EXPECT_EQ(handler.PenY(), 9 + 26);
}

}  // namespace
}  // namespace zp
