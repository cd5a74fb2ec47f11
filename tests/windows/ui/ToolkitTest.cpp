// The toolkit through its window messages: a form built from a table with
// every control kind, found by name; texts, states, owner-drawn wide items,
// the rich viewer, pictures, keyboard navigation and the exception boundary.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "base/Strings.h"
#include "shots/Shots.h"
#include "ui/Forms.h"
#include "../../../src/wizard/res/WizardRes.h"

namespace zp {
namespace {

using K = TControlKind;
using ::testing::ElementsAre;

const TFontDesc kFonts[] = {{u"Arial", -16, fsBold}};

const TControlDesc kRows[] = {
    {K::ckPanel, "Page", "", 0, 0, 420, 250, nullptr, 0, clWhite},
    {K::ckLabel, "Title", "Page", 12, 10, 300, 19, u"Every control", 0, clParent, 1},
    {K::ckImage, "Picture", "Page", 360, 6, 48, 48, nullptr, coTransparent, clParent, 0, IDB_HEADER_READY},
    {K::ckLabel, "Wrapped", "Page", 12, 34, 330, 28, u"A label that wraps its words to the width it was given.", coWrap},
    {K::ckRadioButton, "RadioA", "Page", 12, 66, 120, 17, u"&Radio one", coGroup},
    {K::ckRadioButton, "RadioB", "Page", 140, 66, 120, 17, u"Radio two"},
    {K::ckCheckBox, "Check", "Page", 270, 66, 120, 17, u"Chec&k box"},
    {K::ckCheckListBox, "List", "Page", 12, 88, 190, 70, nullptr, 0, clParent, 0, 17},
    {K::ckComboBox, "Combo", "Page", 210, 88, 198, 23, nullptr, 0, clParent, 0, 17},
    {K::ckProgressBar, "Bar", "Page", 210, 118, 198, 17},
    {K::ckSpeedButton, "Speed", "Page", 210, 140, 150, 24, u" Speed button", 0, clParent, 0, IDB_ADD_FOLDER},
    {K::ckMemo, "Memo", "Page", 12, 166, 190, 76, nullptr, 0, clBtnFace},
    {K::ckRichEdit, "Rich", "Page", 210, 170, 198, 72},
    {K::ckPanel, "Bar1", "", 0, 250, 420, 44},
    {K::ckBevel, "Line", "Bar1", 0, 0, 420, 2},
    {K::ckButton, "BtnOk", "Bar1", 250, 10, 75, 25, u"OK", coDefault},
    {K::ckButton, "BtnCancel", "Bar1", 335, 10, 75, 25, u"&Cancel", coCancel},
};

const TFormDesc kForm = {u"Toolkit", 420, 294, {u"MS Sans Serif", -11, 0}, clBtnFace, kFonts, 1};

class Toolkit : public ::testing::Test {
protected:
  Toolkit() : form_(app_) {
    form_.Build(kForm, kRows, sizeof(kRows) / sizeof(kRows[0]));
    for (const char* name : {"BtnOk", "BtnCancel", "Speed", "Check"})
      form_.OnClick(name, [this, name](TComponent&) { clicks_.push_back(name); });
    form_.Show();
    app_.ProcessMessages();
  }
  // A key press that goes through the message loop, as typing does.
  void Key(UINT message, WPARAM key, LPARAM flags = 0) {
    PostMessageW(GetFocus(), message, key, flags);
    app_.ProcessMessages();
  }
  std::string Focused() {
    for (const TControlDesc& row : kRows)
      if (form_.FindComponent(row.Name)->Handle() == GetFocus()) return row.Name;
    return "";
  }

  TApplication app_;
  TForm form_;
  std::vector<std::string> clicks_;
};

TEST_F(Toolkit, BuildsEveryKindFromTheTableAndShowsWhatItHolds) {
  RECT client{};
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, 420);
  EXPECT_EQ(client.bottom, 294);
  const RECT list = form_.Find<TCheckListBox>("List").BoundsRect();
  EXPECT_EQ(list.left, 12);
  EXPECT_EQ(list.top, 88);
  EXPECT_EQ(list.right - list.left, 190);
  EXPECT_EQ(form_.Find<TLabel>("Wrapped").Color(), clWhite);  // the parent's colour
  EXPECT_EQ(form_.Find<TLabel>("Title").Font().Name, u"Arial");
  EXPECT_EQ(form_.Find<TLabel>("Wrapped").Font().Name, u"MS Sans Serif");
  EXPECT_THROW(form_.Find<TButton>("Memo"), EZpError);

  TCheckListBox& items = form_.Find<TCheckListBox>("List");
  items.AddChecked(u"C:\\MetaTrader 4", true);
  items.AddChecked(u"D:\\Папка терминала", false);
  items.AddChecked(u"E:\\交易终端", true);
  EXPECT_EQ(items.Item(1), u"D:\\Папка терминала");
  EXPECT_FALSE(items.Checked(1));
  items.SetItemIndex(1);
  PostMessageW(items.Handle(), WM_KEYDOWN, VK_SPACE, 0);
  app_.ProcessMessages();
  EXPECT_TRUE(items.Checked(1));
  EXPECT_EQ(SendMessageW(items.Handle(), LB_GETITEMHEIGHT, 0, 0), 17);

  TComboBox& combo = form_.Find<TComboBox>("Combo");
  combo.Add(u"E:\\交易终端");
  combo.Add(u"D:\\Папка");
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.Text(), u"D:\\Папка");
  const RECT comboBounds = combo.BoundsRect();
  EXPECT_EQ(comboBounds.bottom - comboBounds.top, 23);

  TProgressBar& bar = form_.Find<TProgressBar>("Bar");
  for (const auto& [set, shown] : {std::pair{40, 40}, {150, 100}, {-5, 0}, {60, 60}}) {
    bar.SetPosition(set);
    EXPECT_EQ(bar.Position(), shown);
  }
  TMemo& memo = form_.Find<TMemo>("Memo");
  for (const char16_t* line : {u"Copying file A ...", u"Copying a rather long file name that does not wrap ...", u"Done."})
    memo.Append(line);
  EXPECT_THAT(memo.Lines(), ElementsAre(u"Copying file A ...", u"Copying a rather long file name that does not wrap ...", u"Done."));
  // A long last line: the end stays in view, the left edge too.
  const LRESULT left = LOWORD(SendMessageW(memo.Handle(), EM_POSFROMCHAR, 0, 0));
  for (int i = 0; i < 6; ++i) memo.Append(u"A line far too long for the memo's width, so it runs on past its right edge");
  EXPECT_GT(SendMessageW(memo.Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  const LRESULT last = SendMessageW(memo.Handle(), EM_LINEINDEX, 8, 0);
  EXPECT_EQ(LOWORD(SendMessageW(memo.Handle(), EM_POSFROMCHAR, static_cast<WPARAM>(last), 0)), left);

  TRichEdit& rich = form_.Find<TRichEdit>("Rich");
  rich.LoadText("Plain {text}, not RTF.");
  EXPECT_EQ(rich.Text(), u"Plain {text}, not RTF.");
  rich.LoadText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs16 {\\b Bold} and plain.\\par}");
  EXPECT_EQ(rich.Text().substr(0, 15), u"Bold and plain.");

  // The picture is drawn where it belongs: transparent corners, a drawn middle.
  form_.Repaint();
  HDC dc = GetDC(form_.Handle());
  const RECT picture = form_.Find<TImage>("Picture").BoundsRect();
  EXPECT_EQ(GetPixel(dc, picture.left + 1, picture.top + 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, picture.left + 33, picture.top + 25), RGB(60, 160, 80));  // the green badge
  ReleaseDC(form_.Handle(), dc);
  SaveShot(form_.Handle(), "toolkit-controls", [this] { app_.ProcessMessages(); });
}

TEST_F(Toolkit, LogViewKeepsEveryLineAndScrollsThroughThem) {
  TControlCreateArgs args;
  args.Parent = form_.FindComponent("Page")->Handle();
  args.Left = 12, args.Top = 166, args.Width = 190, args.Height = 76;
  TLogView log(args);
  log.Add(u"one");
  log.Add(u"");
  log.Add(u"two\r\nthree");
  EXPECT_EQ(log.Text(), u"one\r\n\r\ntwo\r\nthree");
  EXPECT_EQ(log.Line(1), u"");
  EXPECT_EQ(log.Line(3), u"three");
  for (int i = 0; i < 100; ++i) log.Add(u"a line");
  const int count = log.Count(), page = log.VisibleLines();
  ASSERT_EQ(count, 104);
  EXPECT_EQ(log.TopLine(), count - page);  // the end in view
  const struct {
    UINT Message;
    WPARAM Param;
    int Top;
  } steps[] = {
      {WM_KEYDOWN, VK_HOME, 0},           {WM_KEYDOWN, VK_DOWN, 1},          {WM_KEYDOWN, VK_NEXT, 1 + page},
      {WM_VSCROLL, SB_LINEUP, page},      {WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), page + 3},
      {WM_KEYDOWN, VK_UP, page + 2},      {WM_KEYDOWN, VK_END, count - page}, {WM_KEYDOWN, VK_DOWN, count - page},
  };
  for (const auto& step : steps) {
    SendMessageW(log.Handle(), step.Message, step.Param, 0);
    EXPECT_EQ(log.TopLine(), step.Top) << step.Message << " " << step.Param;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(log.Handle(), SB_VERT, &info);
    EXPECT_EQ(info.nPos, step.Top);
    EXPECT_EQ(info.nMax, count - 1);
  }
}

// The scroll bar is drawn again only when its look changes: as the log grows
// frame by frame, and after scrolling back to the end, it shows what a full
// redraw shows.
TEST_F(Toolkit, LogViewScrollBarFollowsTheLog) {
  TControlCreateArgs args;
  args.Parent = form_.FindComponent("Page")->Handle();
  args.Left = 12, args.Top = 166, args.Width = 190, args.Height = 76;
  TLogView log(args);
  ShowWindow(form_.FindComponent("Memo")->Handle(), SW_HIDE);  // in the same place
  const auto bar = [&] {  // the pixels down the middle of the bar
    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    GetScrollBarInfo(log.Handle(), OBJID_VSCROLL, &info);
    RECT window{};
    GetWindowRect(log.Handle(), &window);
    const int x = (info.rcScrollBar.left + info.rcScrollBar.right) / 2 - window.left;
    std::vector<COLORREF> pixels;
    HDC dc = GetWindowDC(log.Handle());
    for (int y = info.rcScrollBar.top; y < info.rcScrollBar.bottom; ++y) pixels.push_back(GetPixel(dc, x, y - window.top));
    ReleaseDC(log.Handle(), dc);
    return pixels;
  };
  const auto redrawn = [&] {
    RedrawWindow(log.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    return bar();
  };
  app_.ProcessMessages();
  const std::vector<COLORREF> empty = bar();
  for (int frame = 0; frame < 30; ++frame) {
    log.Add(u"a line\r\nanother line");
    app_.ProcessMessages();
  }
  const std::vector<COLORREF> grown = bar();
  EXPECT_NE(grown, empty);
  EXPECT_EQ(grown, redrawn());
  SendMessageW(log.Handle(), WM_KEYDOWN, VK_HOME, 0);
  app_.ProcessMessages();
  EXPECT_EQ(bar(), redrawn());
  EXPECT_NE(bar(), grown);
  SendMessageW(log.Handle(), WM_KEYDOWN, VK_END, 0);
  app_.ProcessMessages();
  EXPECT_EQ(bar(), grown);
}

TEST_F(Toolkit, KeyboardWorksAsInADialog) {
  SetFocus(form_.Find<TButton>("BtnOk").Handle());
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(Focused(), "BtnCancel");
  Key(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(Focused(), "RadioA");  // the first tab stop of the page
  Key(WM_KEYDOWN, VK_RETURN);       // Enter presses the default button
  Key(WM_KEYDOWN, VK_ESCAPE);       // Esc the cancel button
  Key(WM_SYSCHAR, 'k', 1 << 29);    // Alt+K the check box
  EXPECT_THAT(clicks_, ElementsAre("BtnOk", "BtnCancel", "Check"));
  EXPECT_TRUE(form_.Find<TCheckBox>("Check").Checked());
  form_.Find<TButton>("BtnOk").SetEnabled(false);
  Key(WM_KEYDOWN, VK_RETURN);  // a disabled default button is not pressed
  SendMessageW(form_.Find<TSpeedButton>("Speed").Handle(), BM_CLICK, 0, 0);
  EXPECT_THAT(clicks_, ElementsAre("BtnOk", "BtnCancel", "Check", "Speed"));
  EXPECT_NE(Focused(), "Speed");  // a speed button never takes the focus
}

TEST_F(Toolkit, AnExceptionInAHandlerStopsAtTheWindowBoundary) {
  std::vector<std::string> caught;
  SetExceptionHandler([&](HWND, std::exception_ptr error) { caught.push_back(WideToUtf8(ExceptionMessage(error))); });
  form_.OnClick("BtnOk", [](TComponent&) { throw std::runtime_error("handler failed"); });
  form_.Find<TButton>("BtnOk").Click();
  form_.Find<TButton>("BtnCancel").Click();  // the form goes on working
  SetExceptionHandler(nullptr);
  EXPECT_THAT(caught, ElementsAre("handler failed"));
  EXPECT_THAT(clicks_, ElementsAre("BtnCancel"));
}

}  // namespace
}  // namespace zp

namespace zp {
namespace {

// Run ends with the exit code of Terminate, also when Terminate came before
// it, and leaves no quit message behind for the next loop of the thread.
TEST(Application, RunEndsOnTerminateAndTakesItsQuitMessage) {
  for (const bool early : {false, true}) {
    TApplication application;
    TForm form(application);
    form.Build(kForm, kRows, 1);
    application.SetMainForm(form);
    TTimer timer;
    timer.SetInterval(10);
    timer.OnTimer = [&](TTimer& sender) {
      sender.SetEnabled(false);
      application.Terminate(7);
    };
    if (early)
      application.Terminate(7);
    else
      timer.SetEnabled(true);
    EXPECT_EQ(application.Run(), 7);
    MSG left{};
    EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "early " << early;
  }
}

}  // namespace
}  // namespace zp

namespace zp {
namespace {

RECT Bounds(TForm& form, const char* name) { return form.FindComponent(name)->BoundsRect(); }

// What a control paints, read back from a bitmap of its size.
class TPrinted {
public:
  explicit TPrinted(TComponent& control) : dc_(nullptr) {
    RECT client{};
    GetClientRect(control.Handle(), &client);
    TScopedGetDC screen(nullptr);
    bitmap_.Reset(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    select_ = std::make_unique<TScopedSelect>(dc_.Get(), bitmap_.Get());
    SendMessageW(control.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_.Get()), PRF_CLIENT);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_.Get(), x, y); }

private:
  TScopedMemDC dc_;
  TScopedBitmap bitmap_;
  std::unique_ptr<TScopedSelect> select_;
};

TEST(FormLayout, ScalesLengthsFontsListsAndPicturesWithTheDpi) {
  TApplication application;
  TForm form(application);
  form.Build(kForm, kRows, sizeof(kRows) / sizeof(kRows[0]), 192);
  RECT client{};
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 840);
  EXPECT_EQ(client.bottom, 588);
  const RECT wrapped = Bounds(form, "Wrapped");
  EXPECT_EQ(wrapped.left, 24);
  EXPECT_EQ(wrapped.top, 68);
  EXPECT_EQ(wrapped.right - wrapped.left, 660);
  EXPECT_EQ(form.Find<TLabel>("Title").Font().Height, -32);
  EXPECT_EQ(SendMessageW(form.FindComponent("List")->Handle(), LB_GETITEMHEIGHT, 0, 0), 34);
  // The picture of 200 %: 96 pixels, the green badge where it belongs.
  TPrinted picture(form.Find<TImage>("Picture"));
  EXPECT_EQ(picture.At(66, 50), RGB(60, 160, 80));
}

TEST(FormLayout, FitsTextsByShrinkingGrowingAndWidening) {
  const TControlDesc rows[] = {
      {K::ckPanel, "Page", "", 0, 0, 300, 240},
      {K::ckLabel, "Title", "Page", 10, 10, 200, 19, u"A title much too long for one line", coShrink, clParent, 1},
      {K::ckLabel, "Body", "Page", 10, 40, 200, 17, u"A body text that needs three or four lines at this width."},
      {K::ckMemo, "Memo", "Page", 10, 60, 200, 100},
      {K::ckButton, "Left", "Page", 135, 200, 75, 25, u"Left"},
      {K::ckButton, "Right", "Page", 215, 200, 75, 25, u"A much longer caption"},
      {K::ckSpeedButton, "Speed", "Page", 10, 165, 40, 28, u"Widens to the right"},
  };
  TApplication application;
  TForm form(application);
  form.Build(kForm, rows, sizeof(rows) / sizeof(rows[0]), 96);
  form.FitLabels();
  const int title = form.Find<TLabel>("Title").Font().Height;
  EXPECT_GT(title, -16);
  EXPECT_LE(title, -11);
  const RECT body = Bounds(form, "Body");
  const RECT memo = Bounds(form, "Memo");
  EXPECT_GT(body.bottom - body.top, 17);
  EXPECT_EQ(memo.top, body.bottom);  // the free 3 pixels, then the memo moves
  EXPECT_EQ(memo.bottom, 160);       // and gives up that height
  const RECT left = Bounds(form, "Left");
  const RECT right = Bounds(form, "Right");
  EXPECT_EQ(right.right, 290);  // nearer the right edge: grows leftwards
  EXPECT_GT(right.right - right.left, 75);
  EXPECT_EQ(left.right, right.left - 5);  // and its neighbour moves along
  const RECT speed = Bounds(form, "Speed");
  EXPECT_EQ(speed.left, 10);
  EXPECT_GT(speed.right, 50);
  // Fitting again starts from the description: the same result.
  form.FitLabels();
  EXPECT_EQ(Bounds(form, "Memo").top, memo.top);
  EXPECT_EQ(Bounds(form, "Left").left, left.left);
}

TEST(FormLayout, PicturesCoverTheirBoxOrShowAGradientWithACaption) {
  const TControlDesc rows[] = {
      {K::ckImage, "Cover", "", 0, 0, 40, 80, nullptr, coCover},
      {K::ckImage, "Drawn", "", 50, 0, 80, 160, nullptr, coCover},
  };
  TApplication application;
  TForm form(application);
  form.Build(kForm, rows, 2, 96);
  // 20 x 20 red: enlarged to 80 x 80 and cut to 40 x 80, no strip anywhere.
  TPixels24 red;
  red.Width = red.Height = 20;
  red.Stride = 60;
  for (int i = 0; i < 400; ++i) red.Bits.insert(red.Bits.end(), {0, 0, 255});
  auto& cover = form.Find<TImage>("Cover");
  cover.LoadPixels(red);
  TPrinted covered(cover);
  for (const POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 79}, POINT{39, 79}}) EXPECT_EQ(covered.At(p.x, p.y), RGB(255, 0, 0));

  auto& drawn = form.Find<TImage>("Drawn");
  drawn.SetGradient(RGB(0, 0, 100), RGB(0, 0, 250), u"Name");
  TPrinted gradient(drawn);
  EXPECT_LT(GetBValue(gradient.At(2, 1)), 110);
  EXPECT_GT(GetBValue(gradient.At(2, 158)), 240);
  int white = 0;
  for (int y = 60; y < 100; ++y)
    for (int x = 0; x < 80; ++x) white += gradient.At(x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 10);  // the caption across the middle
}

}  // namespace
}  // namespace zp
