// A read-only log: lines of text under each other on the window colour, with
// a vertical scroll bar, drawn by us. Adding lines costs the same however
// long the log has grown (the system's edit control measures its whole text
// again on every change, which makes a long log slow to fill), and only the
// lines in view are drawn. The window text (WM_GETTEXT) is the whole log,
// lines joined by CR LF; Ctrl+C copies it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace zp {

class TLogView : public TControl {
public:
  // White, with a sunken border and a vertical scroll bar unless `args` say
  // otherwise.
  explicit TLogView(TControlCreateArgs args);

  int Count() const { return static_cast<int>(starts_.size()); }
  std::u16string Line(int index) const;
  // Adds `lines` (one line, or several with CR LF between them) after the
  // last line and brings the end of the log into view. Drawn with the next
  // paint.
  void Add(const std::u16string& lines);
  void Clear();
  // The index of the first line in view.
  int TopLine() const { return top_; }
  // How many whole lines the control shows.
  int VisibleLines();

protected:
  void Paint(HDC dc) override;
  void FontChanged() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  int LineHeight();
  void ScrollTo(int top);
  void UpdateScrollBar();
  void Scroll(WORD request);
  void CopyToClipboard() const;

  std::u16string text_;      // the lines, CR LF between them
  std::vector<size_t> starts_;  // where each line begins in text_
  int top_ = 0;
  int lineHeight_ = 0;  // 0: not measured yet
  int indent_ = 0;      // where the text of a line begins, measured with lineHeight_
  SCROLLBARINFO barShown_{};  // the scroll bar as last drawn
};

}  // namespace zp
