// The markup parser: a scanner that splits a caption into tags and text runs,
// and the parser that builds the node tree from them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "linklabel/UniTree.h"

namespace zp {

class EParserError : public EZpError {
public:
  using EZpError::EZpError;
};

enum class TElementKind : uint8_t { ekOpenTag = 0, ekCloseTag = 1, ekText = 2 };

struct TElement {
  TElementKind Kind = TElementKind::ekText;
  std::u16string Text;  // tag text without brackets and "/", or the text run as written
};

class IElementEnumerator {
public:
  virtual ~IElementEnumerator() = default;
  virtual TElement GetNextElement() = 0;  // EParserError at the end
  virtual TElement PeekElement() = 0;     // EParserError at the end
  virtual bool AtEnd() const = 0;
};

class TElementEnumerator : public IElementEnumerator {
public:
  explicit TElementEnumerator(std::u16string text);
  TElement GetNextElement() override;
  TElement PeekElement() override;
  bool AtEnd() const override;

private:
  // Scans the element at pos_ once; a second read of it uses the cache.
  void ScanCurrent();

  std::u16string text_;
  size_t pos_ = 0;  // 0-based
  bool cached_ = false;
  size_t cachedPos_ = 0;
  TElement cachedElement_;
  size_t cachedNext_ = 0;
};

// Supplies the markup of a DYNAMIC tag while the caption is parsed.
class IDynamicNodeHandler {
public:
  virtual ~IDynamicNodeHandler() = default;
  // `source` is empty on entry; markup left in it becomes the node's content.
  virtual void GetDynamicSource(std::u16string& source, TDynamicNode& node) = 0;
};

class IParser {
public:
  virtual ~IParser() = default;
  virtual std::unique_ptr<TNodeTree> Parse(const std::u16string& text) = 0;
  // The lines (ANSI), each followed by CR LF, then Parse: so they are joined
  // without separators.
  virtual std::unique_ptr<TNodeTree> ParseStrings(const std::vector<std::string>& lines) = 0;
  // The handler is not owned and must outlive the parser (or be reset).
  virtual void SetDynamicNodeHandler(IDynamicNodeHandler* handler) = 0;
  // Parses the text on its own, without a dynamic handler, and appends its
  // top-level nodes to `parent`.
  virtual void ParseInto(TParentNode& parent, const std::u16string& text) = 0;
};

class TDefaultParser : public IParser {
public:
  std::unique_ptr<TNodeTree> Parse(const std::u16string& text) override;
  std::unique_ptr<TNodeTree> ParseStrings(const std::vector<std::string>& lines) override;
  void SetDynamicNodeHandler(IDynamicNodeHandler* handler) override { handler_ = handler; }
  void ParseInto(TParentNode& parent, const std::u16string& text) override;

  // Scopes nest at most this deep; deeper scope tags still make their nodes
  // (links keep their numbers) but their content stays in the deepest scope.
  static constexpr int kMaxDepth = 100;

protected:
  // The tag-to-node factory; a descendant may add tags.
  virtual std::unique_ptr<TNode> CreateNode(const std::u16string& tagText);
  void ParseNode(TParentNode& parent, int depth = 0);

private:
  std::unique_ptr<IElementEnumerator> scanner_;
  IDynamicNodeHandler* handler_ = nullptr;
  int excessScopes_ = 0;
};

}  // namespace zp
