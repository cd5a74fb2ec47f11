#include "linklabel/UniTextHandler.h"

#include "linklabel/UniUtils.h"

namespace zp {

namespace {

bool StartsWithSpace(const std::u16string& s) { return !s.empty() && s.front() == u' '; }
bool EndsWithSpace(const std::u16string& s) { return !s.empty() && s.back() == u' '; }

}  // namespace

// --- TNodeObserverList ---

void TNodeObserverList::Add(IStartingPosObserver* observer, TAreaNode& areaNode, TStringNode* stringNode) {
  items_.push_back(std::make_unique<TNodeObserver>(TNodeObserver{observer, &areaNode, stringNode}));
}

ptrdiff_t TNodeObserverList::IndexOfStringNode(const TStringNode* node) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->StringNode == node) return static_cast<ptrdiff_t>(i);
  }
  return -1;
}

void TNodeObserverList::Remove(const TNodeObserver& record) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->get() == &record) {
      items_.erase(it);
      return;
    }
  }
}

// --- TWordEnumerator ---

TWordEnumerator::TWordEnumerator(const std::u16string& text) {
  Reset();
  SetText(text);
}

void TWordEnumerator::SetText(const std::u16string& text) {
  text_ = text;
  count_ = 0;
}

void TWordEnumerator::Reset() {
  pos_ = 0;
  count_ = 0;
}

// A word ends after its space, or where East Asian text may break a line.
size_t TWordEnumerator::WordEnd() const {
  for (size_t i = pos_; i < text_.size(); ++i) {
    if (text_[i] == u' ' || IsLineBreakAfter(text_, i)) return i + 1;
  }
  return text_.size();
}

std::u16string TWordEnumerator::PeekNext() const {
  if (!HasNext()) throw ETextHandlerError("TWordEnumerator.GetNext: No more words to return");
  return text_.substr(pos_, WordEnd() - pos_);
}

std::u16string TWordEnumerator::GetNext() {
  std::u16string word = PeekNext();
  pos_ += word.size();
  ++count_;
  return word;
}

// --- TTextHandler ---

TTextHandler::TTextHandler(ISurface& canvas, const TRect& bounds, const TPoint& pen)
    : penX_(pen.X), penY_(pen.Y), bounds_(bounds), canvas_(canvas) {
  const TFontStyles saved = canvas_.FontStyle();
  canvas_.SetFontStyle(0);
  lineHeight_ = canvas_.TextHeight(u"fg");
  canvas_.SetFontStyle(saved);
}

void TTextHandler::AddText(TStringNode& node, TFontStyles style, TColor color) {
  if (StartsWithSpace(node.Text)) EmptyBuffer();
  elements_.AddString(node, style, color);
  if (EndsWithSpace(node.Text)) EmptyBuffer();
}

void TTextHandler::LineBreak() {
  elements_.AddLineBreak();
  EmptyBuffer();
}

void TTextHandler::ParagraphBreak() {
  elements_.AddParagraphBreak();
  EmptyBuffer();
}

void TTextHandler::WatchStartingPos(IStartingPosObserver* observer, TAreaNode& areaNode) {
  // A node without text is never laid out: nothing would come of watching it.
  if (TStringNode* first = areaNode.FindFirst<TStringNode>()) observers_.Add(observer, areaNode, first);
}

void TTextHandler::EmptyBuffer() {
  for (size_t k = 0; k < elements_.Count(); ++k) {
    TParentTextElement& element = elements_.Item(k);
    if (auto* action = dynamic_cast<TActionElement*>(&element)) {
      penX_ = bounds_.Left;
      penY_ += action->ActionKind == TActionKind::akParagraphBreak ? 2 * lineHeight_ : lineHeight_;
    } else if (auto* text = dynamic_cast<TStringElement*>(&element)) {
      LayOutString(k, *text);
    } else {
      throw ETextHandlerError("TTextHandler.EmptyBuffer: Unsupported TParentTextElement descendant encountered");
    }
  }
  elements_.Clear();
}

void TTextHandler::NotifyObservers(TStringNode& node) {
  for (ptrdiff_t i = observers_.IndexOfStringNode(&node); i >= 0; i = observers_.IndexOfStringNode(&node)) {
    TNodeObserver& record = observers_.Item(static_cast<size_t>(i));
    if (record.Observer) record.Observer->StartingPosFound(penX_, penY_, *record.AreaNode);
    observers_.Remove(record);
  }
}

int32_t TTextHandler::DrawSegment(TStringNode& node, const std::u16string& line, bool trim) {
  // A word that wraps as the first of its text leaves nothing behind on the
  // line it leaves: no glyphs to draw, and no empty rectangle that would make
  // the end of that line answer link hit tests.
  if (line.empty()) return 0;
  const int32_t width = canvas_.TextWidth(line);
  const std::u16string text = trim ? WideTrimRight(line) : line;
  if (!text.empty()) canvas_.DrawString(penX_, penY_, text);
  node.AddRect({penX_, penY_, penX_ + width, penY_ + lineHeight_});
  return width;
}

void TTextHandler::LayOutString(size_t k, const TStringElement& element) {
  TStringNode& node = *element.Node;
  NotifyObservers(node);
  canvas_.SetFontStyle(element.Style);
  canvas_.SetFontColor(element.Color);

  TWordEnumerator words(node.Text);
  std::u16string line;
  int32_t lineWidth = 0;
  node.ClearRects();
  while (words.HasNext()) {
    const std::u16string word = words.GetNext();
    const size_t n = words.Count();
    const bool moreWords = words.HasNext();
    TWordInfo info;
    if (node.HasWordInfo(n - 1)) {
      info = node.GetWordInfo(n - 1);
    } else {
      info = MeasureWord(word, moreWords, n, k);
      node.AddWordInfo(info);
    }
    lineWidth += info.Width;
    // A trailing space may hang over the edge.
    const int32_t fit = info.EndsWithSpace ? lineWidth - info.SpaceWidth : lineWidth;
    // Nothing stands before the word on its line: wrapping would only leave
    // that line empty.
    const bool atLineStart = penX_ == bounds_.Left && line.empty();
    const bool continuesWord = node.Joined && n == 1;
    if (penX_ + fit >= bounds_.Right && word != u" " && !atLineStart && !continuesWord) {
      DrawSegment(node, line, true);
      line.clear();
      penX_ = bounds_.Left;
      lineWidth = info.Width;
      penY_ += lineHeight_;
    } else if (continuesWord && moreWords) {
      // The cached width of a continuation is 0: it was counted with the word's
      // first piece. The rest of this line starts after it all the same.
      lineWidth += canvas_.TextWidth(word);
    }
    // A word wider than a whole line now starts one (or the corner): it is
    // broken inside, as little as the width asks.
    const int32_t ownWidth = info.EndsWithSpace ? info.Width - info.SpaceWidth : info.Width;
    if (!continuesWord && line.empty() && ownWidth >= bounds_.Right - bounds_.Left) {
      const std::u16string rest = BreakLongWord(node, word);
      lineWidth = info.Width - canvas_.TextWidth(word) + canvas_.TextWidth(rest);
      line = rest;
      continue;
    }
    line += word;
  }
  penX_ += DrawSegment(node, line, false);
}

std::u16string TTextHandler::BreakLongWord(TStringNode& node, const std::u16string& word) {
  const int32_t room = bounds_.Right - bounds_.Left;
  size_t start = 0;
  for (;;) {
    // A box with no room takes one character a line; the word ends either way.
    const std::u16string rest = word.substr(start);
    if (rest.empty() || canvas_.TextWidth(WideTrimRight(rest)) < room) return rest;
    // The longest head that stays inside, at least one character; a
    // surrogate pair stays whole.
    size_t low = 1;
    size_t high = rest.size();
    while (low + 1 < high) {
      const size_t mid = (low + high) / 2;
      if (canvas_.TextWidth(rest.substr(0, mid)) < room)
        low = mid;
      else
        high = mid;
    }
    size_t take = low;
    if (take < rest.size() && rest[take] >= 0xDC00 && rest[take] <= 0xDFFF) take += (take == 1) ? 1 : -1;
    DrawSegment(node, rest.substr(0, take), false);
    penX_ = bounds_.Left;
    penY_ += lineHeight_;
    start += take;
  }
}

TWordInfo TTextHandler::MeasureWord(const std::u16string& word, bool moreWords, size_t n, size_t k) {
  const auto& element = static_cast<const TStringElement&>(elements_.Item(k));
  const TStringNode& node = *element.Node;
  TWordInfo info;
  const bool continuesWord = node.Joined && n == 1;
  info.Width = continuesWord ? 0 : canvas_.TextWidth(word);
  info.EndsWithSpace = EndsWithSpace(word);
  info.SpaceWidth = canvas_.TextWidth(u" ");
  if (moreWords || continuesWord) return info;

  // The last word goes on in the following pieces that touch it: it wraps as
  // one unit, so it carries their first words' widths.
  for (size_t j = k + 1; j < elements_.Count(); ++j) {
    auto* before = dynamic_cast<TStringElement*>(&elements_.Item(j - 1));
    auto* next = dynamic_cast<TStringElement*>(&elements_.Item(j));
    if (!before || !next || EndsWithSpace(before->Node->Text) || StartsWithSpace(next->Node->Text) ||
        next->Node->Text.empty() || IsLineBreakBetween(before->Node->Text, next->Node->Text)) {
      break;
    }
    canvas_.SetFontStyle(next->Style);
    TWordEnumerator words(next->Node->Text);
    const std::u16string first = words.GetNext();
    info.Width += canvas_.TextWidth(first);
    next->Node->Joined = true;
    if (j + 1 == elements_.Count()) {
      info.EndsWithSpace = EndsWithSpace(first);
      info.SpaceWidth = canvas_.TextWidth(u" ");
    }
    if (words.HasNext()) break;
  }
  canvas_.SetFontStyle(element.Style);
  return info;
}

}  // namespace zp
