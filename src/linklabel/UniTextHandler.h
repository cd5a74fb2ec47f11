// The layout engine: buffers pieces of text that touch without a space,
// splits them into words, wraps lines at the right edge of the bounds, draws
// each line segment and records its rectangle on the text node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "linklabel/UniLinkTools.h"
#include "ui/Surface.h"
#include "linklabel/UniTree.h"

namespace zp {

class ETextHandlerError : public EZpError {
public:
  using EZpError::EZpError;
};

// Told where an area node's first text was laid out, when the node started
// while text before it was still buffered.
class IStartingPosObserver {
public:
  virtual ~IStartingPosObserver() = default;
  virtual void StartingPosFound(int32_t x, int32_t y, TAreaNode& node) = 0;
};

struct TNodeObserver {
  IStartingPosObserver* Observer = nullptr;  // not owned
  TAreaNode* AreaNode = nullptr;
  TStringNode* StringNode = nullptr;  // the area node's first text, may be nullptr
};

class TNodeObserverList : public TOwnerPointerList<TNodeObserver> {
public:
  void Add(IStartingPosObserver* observer, TAreaNode& areaNode, TStringNode* stringNode);
  // The first record watching `node`, or -1.
  ptrdiff_t IndexOfStringNode(const TStringNode* node) const;
  TNodeObserver& Item(size_t index) const { return *items_.at(index); }
  void Remove(const TNodeObserver& record);
};

// Buffer elements.
class TParentTextElement {
public:
  virtual ~TParentTextElement() = default;
};

class TStringElement : public TParentTextElement {
public:
  TStringElement(TStringNode& node, TFontStyles style, TColor color) : Node(&node), Style(style), Color(color) {}
  TStringNode* Node;  // not owned
  TFontStyles Style;
  TColor Color;
};

class TActionElement : public TParentTextElement {
public:
  explicit TActionElement(TActionKind kind) : ActionKind(kind) {}
  TActionKind ActionKind;
};

class TTextElementList : public TOwnerPointerList<TParentTextElement> {
public:
  void AddLineBreak() { Add(std::make_unique<TActionElement>(TActionKind::akLineBreak)); }
  void AddParagraphBreak() { Add(std::make_unique<TActionElement>(TActionKind::akParagraphBreak)); }
  void AddString(TStringNode& node, TFontStyles style, TColor color) {
    Add(std::make_unique<TStringElement>(node, style, color));
  }
  void Add(std::unique_ptr<TParentTextElement> element) { items_.push_back(std::move(element)); }
  TParentTextElement& Item(size_t index) const { return *items_.at(index); }
};

// Words of a text: each word carries its one trailing space; in a run of
// spaces every further space is a word of its own. East Asian text, which
// has no spaces, ends a word wherever a line may break (IsLineBreakAfter).
class IWordEnumerator {
public:
  virtual ~IWordEnumerator() = default;
  virtual void SetText(const std::u16string& text) = 0;
  virtual const std::u16string& GetText() const = 0;
  virtual size_t Count() const = 0;  // words returned so far
  virtual std::u16string GetNext() = 0;  // ETextHandlerError at the end
  virtual std::u16string PeekNext() const = 0;  // ETextHandlerError at the end
  virtual bool HasNext() const = 0;
  virtual void Reset() = 0;
};

class TWordEnumerator : public IWordEnumerator {
public:
  explicit TWordEnumerator(const std::u16string& text = std::u16string());
  void SetText(const std::u16string& text) override;
  const std::u16string& GetText() const override { return text_; }
  size_t Count() const override { return count_; }
  std::u16string GetNext() override;
  std::u16string PeekNext() const override;
  bool HasNext() const override { return pos_ < text_.size(); }
  void Reset() override;

private:
  size_t WordEnd() const;  // one past the current word

  std::u16string text_;
  size_t pos_ = 0;  // 0-based
  size_t count_ = 0;
};

class ITextHandler {
public:
  virtual ~ITextHandler() = default;
  virtual int32_t PenX() const = 0;
  virtual int32_t PenY() const = 0;
  virtual int32_t LineHeight() const = 0;
  virtual ISurface& Canvas() const = 0;
  virtual void AddText(TStringNode& node, TFontStyles style, TColor color) = 0;
  virtual void ParagraphBreak() = 0;
  virtual void LineBreak() = 0;
  // Lays out and draws everything buffered.
  virtual void EmptyBuffer() = 0;
  virtual int32_t UsedHeight() const = 0;  // PenY + LineHeight
  virtual bool BufferIsEmpty() const = 0;
  virtual void WatchStartingPos(IStartingPosObserver* observer, TAreaNode& areaNode) = 0;
};

class TTextHandler : public ITextHandler {
public:
  // The line height is measured once, on "fg" with an empty style.
  TTextHandler(ISurface& canvas, const TRect& bounds, const TPoint& pen);

  int32_t PenX() const override { return penX_; }
  int32_t PenY() const override { return penY_; }
  int32_t LineHeight() const override { return lineHeight_; }
  ISurface& Canvas() const override { return canvas_; }
  void AddText(TStringNode& node, TFontStyles style, TColor color) override;
  void ParagraphBreak() override;
  void LineBreak() override;
  void EmptyBuffer() override;
  int32_t UsedHeight() const override { return penY_ + lineHeight_; }
  bool BufferIsEmpty() const override { return elements_.Count() == 0; }
  void WatchStartingPos(IStartingPosObserver* observer, TAreaNode& areaNode) override;

private:
  void LayOutString(size_t k, const TStringElement& element);
  void NotifyObservers(TStringNode& node);
  TWordInfo MeasureWord(const std::u16string& word, bool moreWords, size_t n, size_t k);
  // Draws a line segment and records its rectangle; returns its width.
  int32_t DrawSegment(TStringNode& node, const std::u16string& line, bool trim);
  // Draws the heads of a word too wide for a line, each on a line of its
  // own, and returns the tail that fits; the pen is then at its line's start.
  std::u16string BreakLongWord(TStringNode& node, const std::u16string& word);

  int32_t penX_;
  int32_t penY_;
  TRect bounds_;
  ISurface& canvas_;
  int32_t lineHeight_;
  TTextElementList elements_;
  TNodeObserverList observers_;
};

}  // namespace zp
