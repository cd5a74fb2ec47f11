// The link label as a window: clicks, link states and their colours, the
// pointer, captions and the window text, automatic height, margins,
// transparency, system colours, a screenshot, and the toolkit's exception
// boundary and window lifetime underneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LabelHost.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "linklabel/UniLinkLabel.h"

namespace zp::test {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);    // LinkColor
constexpr COLORREF kRed = RGB(255, 0, 0);     // LinkColorClicked
constexpr COLORREF kPurple = RGB(128, 0, 128);  // LinkColorHot

const std::u16string kTwoLinks = u"Read <link>the first &lt;guide&gt;</link> or <link>the <b>second</b></link> now.";

TFont TestFont(int32_t height = -13) {
  TFont font;
  font.Name = u"Tahoma";
  font.Height = height;
  return font;
}

int LineHeightOf(const TFont& font) {
  TScopedGetDC dc(nullptr);
  TScopedFont handle = CreateFontHandle(font, 0);
  TScopedSelect select(dc.Get(), handle.Get());
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), L"fg", 2, &size);
  return size.cy;
}

bool RepaintPending(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

std::u16string WindowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return FromW(buffer);
}

class LinkLabelTest : public ::testing::Test {
protected:
  // Mapping and unmapping a top-level window takes wine a while: the tests
  // share one host.
  static void SetUpTestSuite() { host = std::make_unique<THostWindow>(); }
  static void TearDownTestSuite() { host.reset(); }

  // An error box would stop the run until its time is up: errors that reach
  // a window procedure fail the test instead.
  static void FailOnError(HWND, std::exception_ptr error) {
    ADD_FAILURE() << "error in a window procedure: " << WideToUtf8(ExceptionMessage(error));
  }
  void SetUp() override { SetExceptionHandler(&FailOnError); }
  void TearDown() override { SetExceptionHandler(nullptr); }

  TLinkLabelCreateArgs Args(const std::u16string& caption, HWND parent = host->Handle()) {
    TLinkLabelCreateArgs args;
    args.Parent = parent;
    args.Left = 10;
    args.Top = 10;
    args.Width = 380;
    args.Height = 100;
    args.Font = TestFont();
    args.Color = clWhite;
    args.Cursor = crIBeam;
    args.Caption = caption;
    args.OnLinkClick = [this](TUniCustomLinkLabel&, int32_t number, const std::u16string& text) {
      clicks.emplace_back(number, text);
    };
    args.OnCaptionChanged = [this](TUniCustomLinkLabel&) { ++captionChanges; };
    return args;
  }

  std::unique_ptr<TUniLinkLabel> Make(const TLinkLabelCreateArgs& args) {
    auto label = std::make_unique<TUniLinkLabel>(args);
    PaintNow(label->Handle());
    return label;
  }

  // Press and release; the pointer of the release may be elsewhere.
  static void Click(TUniLinkLabel& label, POINT down, POINT up, bool right = false) {
    SendMouse(label.Handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, down, right ? MK_RBUTTON : MK_LBUTTON);
    SendMouse(label.Handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, up);
  }

  static inline std::unique_ptr<THostWindow> host;
  std::vector<std::pair<int32_t, std::u16string>> clicks;
  int captionChanges = 0;
};

using Clicks = std::vector<std::pair<int32_t, std::u16string>>;

TEST_F(LinkLabelTest, ClickReportsTheLinkNumberAndItsDecodedText) {
  auto label = Make(Args(kTwoLinks));
  const POINT first = CenterOf(LinkRect(*label, 0));
  const POINT second = CenterOf(LinkRect(*label, 1));
  Click(*label, first, first);
  Click(*label, second, second);
  EXPECT_EQ(clicks, (Clicks{{0, u"the first <guide>"}, {1, u"the second"}}));
  EXPECT_EQ(label->ActiveLink(), nullptr);

  // A new caption drops the pressed link with the old tree, and numbers its
  // own links from 0 again.
  clicks.clear();
  SendMouse(label->Handle(), WM_LBUTTONDOWN, first, MK_LBUTTON);
  label->SetCaption(u"One more <link>again</link>");
  EXPECT_EQ(label->ActiveLink(), nullptr);
  PaintNow(label->Handle());
  const POINT again = CenterOf(LinkRect(*label, 0));
  SendMouse(label->Handle(), WM_LBUTTONUP, again);
  EXPECT_EQ(clicks, (Clicks{{0, u"again"}}));
}

TEST_F(LinkLabelTest, TheReleaseClicksTheLinkUnderThePointer) {
  auto label = Make(Args(kTwoLinks));
  const TRect firstRect = LinkRect(*label, 0);
  const POINT first = CenterOf(firstRect);
  const POINT second = CenterOf(LinkRect(*label, 1));
  const POINT plainText{3, first.y};

  Click(*label, first, second);
  EXPECT_EQ(clicks, (Clicks{{1, u"the second"}}));
  Click(*label, plainText, first);
  EXPECT_EQ(clicks, (Clicks{{1, u"the second"}, {0, u"the first <guide>"}}));
  clicks.clear();
  Click(*label, first, POINT{-5, -5});  // released outside the label
  Click(*label, first, plainText);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(label->ActiveLink(), nullptr);
  const TPixels after = Capture(label->Handle());
  EXPECT_GT(after.Count(firstRect, kBlue), 0);
  EXPECT_EQ(after.Count(firstRect, kRed), 0);

  // Any button presses and clicks a link.
  SendMouse(label->Handle(), WM_RBUTTONDOWN, second, MK_RBUTTON);
  ASSERT_NE(label->ActiveLink(), nullptr);
  EXPECT_EQ(label->ActiveLink()->Number, 1);
  EXPECT_EQ(label->ActiveLink()->State, TLinkState::lsClicked);
  SendMouse(label->Handle(), WM_RBUTTONUP, second);
  EXPECT_EQ(clicks, (Clicks{{1, u"the second"}}));
}

TEST_F(LinkLabelTest, PressedLinkIsRedrawnInPlaceInTheClickedColour) {
  auto label = Make(Args(kTwoLinks));
  const TRect firstRect = LinkRect(*label, 0);
  const TRect secondRect = LinkRect(*label, 1);
  const POINT first = CenterOf(firstRect);

  SendMouse(label->Handle(), WM_LBUTTONDOWN, first, MK_LBUTTON);
  EXPECT_FALSE(RepaintPending(label->Handle()));  // drawn at once, not invalidated
  TPixels pressed = Capture(label->Handle());
  EXPECT_GT(pressed.Count(firstRect, kRed), 0);
  EXPECT_EQ(pressed.Count(firstRect, kBlue), 0);
  EXPECT_GT(pressed.Count(secondRect, kBlue), 0);

  // Moving about while pressed changes nothing but the pointer.
  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(secondRect), MK_LBUTTON);
  EXPECT_EQ(label->ActiveLink()->Number, 0);
  EXPECT_EQ(label->Cursor(), crLinkHand);
  SendMouse(label->Handle(), WM_MOUSEMOVE, POINT{370, 90}, MK_LBUTTON);
  EXPECT_EQ(label->Cursor(), crIBeam);
  EXPECT_EQ(label->ActiveLink()->State, TLinkState::lsClicked);

  SendMouse(label->Handle(), WM_LBUTTONUP, first);
  TPixels released = Capture(label->Handle());
  EXPECT_EQ(released.Count(firstRect, kRed), 0);
  EXPECT_GT(released.Count(firstRect, kBlue), 0);
}

TEST_F(LinkLabelTest, HotLinksFollowThePointer) {
  TLinkLabelCreateArgs args = Args(kTwoLinks);
  args.HotLinks = true;
  auto label = Make(args);
  const TRect firstRect = LinkRect(*label, 0);
  const TRect secondRect = LinkRect(*label, 1);

  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(firstRect));
  ASSERT_NE(label->ActiveLink(), nullptr);
  EXPECT_EQ(label->ActiveLink()->State, TLinkState::lsHot);
  EXPECT_GT(Capture(label->Handle()).Count(firstRect, kPurple), 0);

  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(secondRect));
  EXPECT_EQ(label->ActiveLink()->Number, 1);
  TPixels moved = Capture(label->Handle());
  EXPECT_EQ(moved.Count(firstRect, kPurple), 0);
  EXPECT_GT(moved.Count(firstRect, kBlue), 0);
  EXPECT_GT(moved.Count(secondRect, kPurple), 0);

  SendMouse(label->Handle(), WM_MOUSEMOVE, POINT{370, 90});
  EXPECT_EQ(label->ActiveLink(), nullptr);
  EXPECT_EQ(label->Cursor(), crIBeam);

  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(firstRect));
  SendMessageW(label->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(label->ActiveLink(), nullptr);
  EXPECT_GT(Capture(label->Handle()).Count(firstRect, kBlue), 0);

  // A pressed link stays pressed while the pointer passes other links.
  SendMouse(label->Handle(), WM_LBUTTONDOWN, CenterOf(firstRect), MK_LBUTTON);
  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(secondRect), MK_LBUTTON);
  SendMessageW(label->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(label->ActiveLink()->Number, 0);
  EXPECT_EQ(label->ActiveLink()->State, TLinkState::lsClicked);
}

TEST_F(LinkLabelTest, WithoutHotLinksOnlyThePointerChanges) {
  TLinkLabelCreateArgs args = Args(kTwoLinks);
  auto label = std::make_unique<TUniLinkLabel>(args);
  // Before the first paint no point is over a link.
  SendMouse(label->Handle(), WM_MOUSEMOVE, POINT{40, 6});
  EXPECT_EQ(label->Cursor(), crIBeam);

  PaintNow(label->Handle());
  SendMouse(label->Handle(), WM_MOUSEMOVE, CenterOf(LinkRect(*label, 0)));
  EXPECT_EQ(label->Cursor(), crLinkHand);
  EXPECT_EQ(label->ActiveLink(), nullptr);
  SendMouse(label->Handle(), WM_MOUSEMOVE, POINT{370, 90});
  EXPECT_EQ(label->Cursor(), crIBeam);
}

TEST_F(LinkLabelTest, SameCaptionAgainChangesNothing) {
  std::vector<int32_t> dynamicNumbers;
  TLinkLabelCreateArgs args = Args(u"A<dynamic>B<DYNAMIC>C");
  args.OnDynamicTagInit = [&](TUniCustomLinkLabel&, std::u16string& source, int32_t number) {
    EXPECT_TRUE(source.empty());
    dynamicNumbers.push_back(number);
    if (number == 0) source = u"<link>inside</link>";
  };
  auto label = Make(args);
  EXPECT_EQ(dynamicNumbers, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(captionChanges, 1);
  auto dynamics = label->Tree().GetTopLevelNodes(TNodeClass::Of<TDynamicNode>());
  auto* filled = static_cast<TDynamicNode*>(dynamics->Next());
  auto* empty = static_cast<TDynamicNode*>(dynamics->Next());
  EXPECT_NE(filled->FindFirst<TLinkNode>(), nullptr);
  EXPECT_TRUE(empty->Children().empty());

  const TNodeTree* tree = &label->Tree();
  label->SetCaption(u"A<dynamic>B<DYNAMIC>C");
  EXPECT_EQ(&label->Tree(), tree);
  EXPECT_EQ(dynamicNumbers.size(), 2u);
  EXPECT_EQ(captionChanges, 1);
  EXPECT_FALSE(RepaintPending(label->Handle()));

  const POINT inside = CenterOf(LinkRect(*label, 0));
  Click(*label, inside, inside);
  EXPECT_EQ(clicks, (Clicks{{0, u"inside"}}));
}

TEST_F(LinkLabelTest, TextLinesJoinIntoTheCaptionAndWindowTextMirrorsIt) {
  auto label = Make(Args(u"start"));
  label->SetText({u"one", u"two"});
  EXPECT_EQ(label->Caption(), u"onetwo");
  EXPECT_EQ(label->Text(), (std::vector<std::u16string>{u"onetwo"}));
  EXPECT_EQ(WindowText(label->Handle()), u"onetwo");

  // Lines that join to the caption it has keep the lines as given.
  label->SetText({u"one", u"", u"two"});
  EXPECT_EQ(label->Text(), (std::vector<std::u16string>{u"one", u"", u"two"}));
  EXPECT_EQ(captionChanges, 2);

  SetWindowTextW(label->Handle(), L"<b>set</b> from outside");
  EXPECT_EQ(label->Caption(), u"<b>set</b> from outside");
  EXPECT_EQ(label->Tree().Root().GetText(), u"set from outside");
  EXPECT_EQ(captionChanges, 3);
}

TEST_F(LinkLabelTest, ACaptionIsInPlaceWhileParsedAndTakenBackWhenTheParseFails) {
  std::vector<std::u16string> seen;
  bool fail = false;
  TLinkLabelCreateArgs args = Args(u"<link>kept</link>");
  args.OnDynamicTagInit = [&](TUniCustomLinkLabel& sender, std::u16string& source, int32_t) {
    seen.push_back(sender.Caption());
    EXPECT_EQ(sender.Text(), std::vector<std::u16string>{sender.Caption()});
    if (fail) throw EZpError("no content for this tag");
    source = u"filled";
  };
  auto label = Make(args);
  label->SetCaption(u"a<dynamic>");
  label->SetText({u"a<dyn", u"amic>"});  // the same caption: Text keeps these lines
  const TNodeTree* tree = &label->Tree();

  fail = true;
  EXPECT_THROW(label->SetCaption(u"x<dynamic>y"), EZpError);
  EXPECT_THROW(label->SetText({u"x<dyn", u"amic>z"}), EZpError);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"a<dynamic>", u"x<dynamic>y", u"x<dynamic>z"}));
  EXPECT_EQ(label->Caption(), u"a<dynamic>");
  EXPECT_EQ(label->Text(), (std::vector<std::u16string>{u"a<dyn", u"amic>"}));
  EXPECT_EQ(&label->Tree(), tree);
  EXPECT_EQ(label->Tree().Root().GetText(), u"afilled");
  EXPECT_EQ(captionChanges, 2);
  EXPECT_EQ(WindowText(label->Handle()), u"a<dynamic>");
}

TEST_F(LinkLabelTest, TheWindowTextMirrorsTheCaptionWithoutFeedingBack) {
  // A window text ends at U+0000; the caption must not be cut there.
  auto label = Make(Args(u"start"));
  const std::u16string withNul(u"one\0two", 7);
  label->SetCaption(withNul);
  EXPECT_EQ(label->Caption(), withNul);
  EXPECT_EQ(label->Text(), std::vector<std::u16string>{withNul});
  EXPECT_EQ(captionChanges, 2);
  EXPECT_EQ(WindowText(label->Handle()), u"one");

  // A caption set before the window exists is its text from the start; a
  // caption in args replaces it.
  const struct {
    std::u16string early, given, shown;
  } cases[] = {{u"early <b>one</b>", u"", u"early <b>one</b>"},
               {u"early <b>one</b>", u"early <b>one</b>", u"early <b>one</b>"},
               {u"early", u"given", u"given"}};
  for (const auto& c : cases) {
    TUniLinkLabel late;
    late.SetCaption(c.early);
    TLinkLabelCreateArgs args = Args(c.given);
    late.Create(args);
    EXPECT_EQ(late.Caption(), c.shown);
    EXPECT_EQ(WindowText(late.Handle()), c.shown);
  }
}

TEST_F(LinkLabelTest, AutoHeightFitsThreeLinesUnlessAlignSetsTheHeight) {
  const int lineHeight = LineHeightOf(TestFont());
  const struct {
    TAlign align;
    bool fits;
  } cases[] = {{TAlign::alNone, true},  {TAlign::alTop, true},    {TAlign::alBottom, true},
               {TAlign::alLeft, false}, {TAlign::alRight, false}, {TAlign::alClient, false}};
  for (const auto& c : cases) {
    TLinkLabelCreateArgs args = Args(u"one<br>two<br><link>three</link>");
    args.Align = c.align;
    args.MarginHeight = 4;
    auto label = Make(args);
    EXPECT_EQ(label->Height(), c.fits ? 4 + 3 * lineHeight + 4 : 100) << static_cast<int>(c.align);
  }
  TLinkLabelCreateArgs args = Args(u"one<br>two");
  args.AutoHeight = false;
  EXPECT_EQ(Make(args)->Height(), 100);
}

TEST_F(LinkLabelTest, MarginsMoveTheTextAndNarrowTheWrapAtOnce) {
  std::u16string words;
  for (int i = 0; i < 20; ++i) words += u"word ";
  TLinkLabelCreateArgs args = Args(words);
  args.AutoHeight = false;
  auto label = Make(args);
  auto* first = label->Tree().Root().FindFirst<TStringNode>();
  ASSERT_FALSE(first->Rects.empty());
  EXPECT_EQ(first->Rects[0].Left, 0);
  const size_t lines = first->Rects.size();

  label->SetMarginWidth(100);
  EXPECT_TRUE(RepaintPending(label->Handle()));
  EXPECT_EQ(label->TextRect().Left, 100);
  EXPECT_EQ(label->TextRect().Right, 380 - 100);
  PaintNow(label->Handle());
  EXPECT_EQ(first->Rects[0].Left, 100);
  EXPECT_GT(first->Rects.size(), lines);
  // A line's rectangle holds its trailing space, which may cross the edge.
  const int space = first->WordInfos[0].SpaceWidth;
  for (const TRect& rect : first->Rects) EXPECT_LE(rect.Right - space, 380 - 100);
}

TEST_F(LinkLabelTest, OnlyPropertiesThatShowAtOnceRequestARepaint) {
  auto label = Make(Args(kTwoLinks));
  const auto pendingAfter = [&](auto change) {
    PaintNow(label->Handle());
    change();
    return RepaintPending(label->Handle());
  };
  EXPECT_FALSE(pendingAfter([&] { label->SetLinkColorClicked(RGB(1, 2, 3)); }));
  EXPECT_FALSE(pendingAfter([&] { label->SetLinkColorHot(RGB(1, 2, 3)); }));
  EXPECT_FALSE(pendingAfter([&] { label->SetHotLinks(true); }));
  EXPECT_FALSE(pendingAfter([&] { label->SetLinkColor(label->LinkColor()); }));
  EXPECT_TRUE(pendingAfter([&] { label->SetLinkColor(RGB(1, 2, 3)); }));
  EXPECT_TRUE(pendingAfter([&] { label->SetLinkStyle(fsBold); }));
  EXPECT_TRUE(pendingAfter([&] { label->SetTransparent(true); }));
  EXPECT_TRUE(pendingAfter([&] { label->SetAutoHeight(false); }));
  EXPECT_TRUE(pendingAfter([&] { label->SetMarginHeight(2); }));
}

TEST_F(LinkLabelTest, FontChangeRestylesTheRootAndMeasuresAgain) {
  auto label = Make(Args(kTwoLinks));
  const int smallHeight = LinkRect(*label, 0).Bottom - LinkRect(*label, 0).Top;
  TFont bigBold = TestFont(-24);
  bigBold.Style = fsBold;
  bigBold.Color = RGB(10, 20, 30);
  label->SetFont(bigBold);
  EXPECT_EQ(label->Tree().Root().Style, fsBold);
  EXPECT_EQ(label->Tree().Root().Color, RGB(10, 20, 30));
  EXPECT_TRUE(label->Tree().Root().FindFirst<TStringNode>()->WordInfos.empty());
  PaintNow(label->Handle());
  EXPECT_GT(LinkRect(*label, 0).Bottom - LinkRect(*label, 0).Top, smallHeight);
}

TEST_F(LinkLabelTest, TransparentLetsTheParentShowThrough) {
  TLinkLabelCreateArgs args = Args(u"short");
  args.AutoHeight = false;
  auto label = Make(args);
  const TRect blank{300, 60, 370, 95};
  EXPECT_GT(Capture(label->Handle()).Count(blank, RGB(255, 255, 255)), 70 * 35 - 1);

  label->SetTransparent(true);
  PaintNow(label->Handle());
  TPixels see = Capture(label->Handle());
  EXPECT_EQ(see.Count(blank, kHostBackground), 70 * 35);
  EXPECT_EQ(see.Count(TRect{0, 0, 380, 100}, RGB(255, 255, 255)), 0);
}

TEST_F(LinkLabelTest, HandlerErrorsStopAtTheWindowProcedure) {
  std::vector<std::u16string> reported;
  SetExceptionHandler([&](HWND, std::exception_ptr error) { reported.push_back(ExceptionMessage(error)); });
  TLinkLabelCreateArgs args = Args(kTwoLinks);
  args.OnLinkClick = [](TUniCustomLinkLabel&, int32_t, const std::u16string&) {
    throw EZpError("cannot open the link");
  };
  auto label = Make(args);
  const POINT first = CenterOf(LinkRect(*label, 0));
  Click(*label, first, first);
  SetExceptionHandler(&FailOnError);
  EXPECT_EQ(reported, (std::vector<std::u16string>{u"cannot open the link"}));
  EXPECT_EQ(label->ActiveLink(), nullptr);
}

TEST_F(LinkLabelTest, WindowAndObjectMayEndInEitherOrder) {
  auto label = Make(Args(kTwoLinks));
  HWND window = label->Handle();
  label.reset();
  EXPECT_FALSE(IsWindow(window));

  THostWindow ownHost;
  auto orphan = Make(Args(kTwoLinks, ownHost.Handle()));
  DestroyWindow(ownHost.Handle());  // takes the label's window with it
  EXPECT_EQ(ownHost.Handle(), nullptr);
  EXPECT_EQ(orphan->Handle(), nullptr);
  orphan->SetCaption(u"still usable");
  EXPECT_EQ(orphan->Caption(), u"still usable");
}

TEST_F(LinkLabelTest, SystemColoursAreTheSystemsOwn) {
  // Colour numbers whose neighbours look different, so that a lookup of the
  // wrong number shows.
  const int text = COLOR_HIGHLIGHT, link = COLOR_3DDKSHADOW, back = COLOR_BTNFACE;
  for (int index : {text, link, back}) {
    ASSERT_NE(GetSysColor(index - 1), GetSysColor(index)) << index;
    ASSERT_NE(GetSysColor(index + 1), GetSysColor(index)) << index;
  }
  TLinkLabelCreateArgs args = Args(u"plain words <link>and a link</link>");
  args.Font->Color = 0xFF000000u | text;
  args.LinkColor = 0xFF000000u | link;
  args.Color = 0xFF000000u | back;
  args.AutoHeight = false;
  auto label = Make(args);
  const TPixels pixels = Capture(label->Handle());
  const TRect plain = label->Tree().Root().FindFirst<TStringNode>()->Rects.at(0);
  const TRect linkRect = LinkRect(*label, 0);
  EXPECT_GT(pixels.Count(plain, GetSysColor(text)), 0);
  EXPECT_EQ(pixels.Count(plain, GetSysColor(link)), 0);
  EXPECT_GT(pixels.Count(linkRect, GetSysColor(link)), 0);
  EXPECT_EQ(pixels.Count(linkRect, GetSysColor(text)), 0);
  EXPECT_EQ(pixels.Count(TRect{0, 60, 380, 100}, GetSysColor(back)), 380 * 40);
}

// The label as the user sees it, taken from the screen: the text sits where
// the layout put it and nowhere else, inside the margins, and only links are
// blue and underlined.
TEST_F(LinkLabelTest, Screenshot) {
  TLinkLabelCreateArgs args = Args(
      u"Welcome to the <b>Demo Expert</b> setup.<p>It installs into <i>every</i> terminal you "
      u"choose. Read the <u>licence</u> first, visit <link>our website</link> or write to "
      u"<link>support &lt;mail&gt;</link>.");
  args.MarginWidth = 8;
  args.MarginHeight = 8;
  auto label = Make(args);
  const TPixels shot = Screenshot(label->Handle(), "linklabel");
  ASSERT_EQ(shot.Width, label->Width());
  ASSERT_EQ(shot.Height, label->Height());
  const uint32_t white = 0xFFFFFF, blue = 0x0000FF;  // as the picture holds them: 0xRRGGBB

  // Every piece of text shows (a piece may be a lone space at a line's end).
  std::vector<TRect> textRects;
  auto strings = label->Tree().GetTopLevelNodes(TNodeClass::Of<TStringNode>());
  while (strings->HasNext()) {
    const auto* node = static_cast<TStringNode*>(strings->Next());
    int ink = 0;
    for (const TRect& r : node->Rects) {
      textRects.push_back(r);
      ink += (r.Right - r.Left) * (r.Bottom - r.Top) - shot.Count(r, RGB(255, 255, 255));
    }
    EXPECT_GT(ink, 0) << WideToUtf8(node->Text);
  }
  const std::vector<TRect> linkRects(label->Tree().Root().LinkRects.begin(), label->Tree().Root().LinkRects.end());
  ASSERT_GE(linkRects.size(), 2u);
  const auto inside = [](const std::vector<TRect>& rects, int x, int y, int slack) {
    for (const TRect& r : rects)
      if (x >= r.Left - slack && x < r.Right + slack && y >= r.Top && y < r.Bottom) return true;
    return false;
  };
  int strays = 0, blueOutsideLinks = 0, inMargins = 0;
  for (int y = 0; y < shot.Height; ++y)
    for (int x = 0; x < shot.Width; ++x) {
      const uint32_t pixel = shot.At(x, y);
      if (pixel == white) continue;
      if (x < 8 || x >= shot.Width - 8 || y < 8 || y >= shot.Height - 8) ++inMargins;
      if (!inside(textRects, x, y, 1)) ++strays;  // an italic overhangs its cell by a pixel
      if (pixel == blue && !inside(linkRects, x, y, 0)) ++blueOutsideLinks;
    }
  EXPECT_EQ(inMargins, 0);
  EXPECT_EQ(strays, 0);
  EXPECT_EQ(blueOutsideLinks, 0);
  EXPECT_GT(shot.Count(textRects.at(0), RGB(0, 0, 0)), 0);  // plain text in the window-text colour
  // Each link is underlined: one blue row runs along its words.
  for (const TRect& r : linkRects) {
    int longest = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      longest = std::max(longest, shot.Count(TRect{r.Left, y, r.Right, y + 1}, kBlue));
    EXPECT_GT(longest, (r.Right - r.Left) * 3 / 4);
  }
}

}  // namespace
}  // namespace zp::test
