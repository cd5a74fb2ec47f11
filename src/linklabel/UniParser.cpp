#include "linklabel/UniParser.h"

#include <iterator>

#include "base/Strings.h"
#include "linklabel/UniLinkTools.h"
#include "linklabel/UniUtils.h"

namespace zp {

// --- TElementEnumerator ---

TElementEnumerator::TElementEnumerator(std::u16string text) : text_(std::move(text)) {}

bool TElementEnumerator::AtEnd() const { return pos_ >= text_.size(); }

void TElementEnumerator::ScanCurrent() {
  if (AtEnd()) throw EParserError("TElementEnumerator.GetNextElement: No more elements to return");
  if (cached_ && cachedPos_ == pos_) return;
  TElement element;
  size_t next;
  if (text_[pos_] == u'<') {
    const bool closing = pos_ + 1 < text_.size() && text_[pos_ + 1] == u'/';
    element.Kind = closing ? TElementKind::ekCloseTag : TElementKind::ekOpenTag;
    const size_t start = pos_ + (closing ? 2 : 1);
    const size_t close = text_.find(u'>', start);
    const size_t end = close == std::u16string::npos ? text_.size() : close;
    element.Text = text_.substr(start, end - start);
    next = close == std::u16string::npos ? text_.size() : close + 1;
  } else {
    element.Kind = TElementKind::ekText;
    const size_t open = text_.find(u'<', pos_);
    next = open == std::u16string::npos ? text_.size() : open;
    element.Text = text_.substr(pos_, next - pos_);
  }
  cached_ = true;
  cachedPos_ = pos_;
  cachedElement_ = std::move(element);
  cachedNext_ = next;
}

TElement TElementEnumerator::GetNextElement() {
  ScanCurrent();
  pos_ = cachedNext_;
  return cachedElement_;
}

TElement TElementEnumerator::PeekElement() {
  ScanCurrent();
  return cachedElement_;
}

// --- TDefaultParser ---

namespace {

// Installs the scanner of one parse and puts back the one before it however
// the parse ends, so that a dynamic handler may even parse with this parser.
class TScannerScope {
public:
  TScannerScope(std::unique_ptr<IElementEnumerator>& slot, int& excess, std::unique_ptr<IElementEnumerator> scanner)
      : slot_(slot), excess_(excess), saved_(std::move(slot)), savedExcess_(excess) {
    slot_ = std::move(scanner);
    excess_ = 0;
  }
  ~TScannerScope() {
    slot_ = std::move(saved_);
    excess_ = savedExcess_;
  }
  TScannerScope(const TScannerScope&) = delete;
  TScannerScope& operator=(const TScannerScope&) = delete;

private:
  std::unique_ptr<IElementEnumerator>& slot_;
  int& excess_;
  std::unique_ptr<IElementEnumerator> saved_;
  int savedExcess_;
};

}  // namespace

std::unique_ptr<TNodeTree> TDefaultParser::Parse(const std::u16string& text) {
  auto tree = std::make_unique<TNodeTree>();
  TScannerScope scope(scanner_, excessScopes_,
                      std::make_unique<TElementEnumerator>(TStringTools::RemoveLineBreaks(text)));
  ParseNode(tree->Root());
  return tree;
}

std::unique_ptr<TNodeTree> TDefaultParser::ParseStrings(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return Parse(AnsiToWide(text));
}

void TDefaultParser::ParseInto(TParentNode& parent, const std::u16string& text) {
  TDefaultParser inner;
  std::unique_ptr<TNodeTree> tree = inner.Parse(text);
  for (auto& node : tree->Root().TakeChildren()) parent.AddChild(std::move(node));
}

std::unique_ptr<TNode> TDefaultParser::CreateNode(const std::u16string& tagText) {
  static const char16_t* const kTags[] = {u"B", u"I", u"U", u"LINK", u"BR", u"P", u"DYNAMIC"};
  const std::u16string upper = WideUpperCase(tagText);
  size_t index = 0;
  while (index < std::size(kTags) && upper != kTags[index]) ++index;
  switch (index) {
    case 0:
    case 1:
    case 2: return std::make_unique<TStyleNode>(static_cast<uint8_t>(index));
    case 3: return std::make_unique<TLinkNode>();
    case 4: return std::make_unique<TActionNode>(TActionKind::akLineBreak);
    case 5: return std::make_unique<TActionNode>(TActionKind::akParagraphBreak);
    case 6: {
      auto node = std::make_unique<TDynamicNode>();
      if (handler_) {
        std::u16string source;
        handler_->GetDynamicSource(source, *node);
        if (!source.empty()) ParseInto(*node, source);
      }
      return node;
    }
    default: return std::make_unique<TUnknownNode>(tagText);
  }
}

void TDefaultParser::ParseNode(TParentNode& parent, int depth) {
  for (;;) {
    while (!scanner_->AtEnd() && scanner_->PeekElement().Kind != TElementKind::ekCloseTag) {
      const TElement element = scanner_->GetNextElement();
      std::unique_ptr<TNode> node;
      if (element.Kind == TElementKind::ekOpenTag) {
        node = CreateNode(element.Text);
      } else if (element.Kind == TElementKind::ekText) {
        node = std::make_unique<TStringNode>(element.Text);
      } else {
        throw EParserError("TDefaultParser.ParseNode: Unsupported state");
      }
      TNode& added = parent.AddChild(std::move(node));
      auto* scope = dynamic_cast<TParentNode*>(&added);
      if (element.Kind == TElementKind::ekOpenTag && scope && !dynamic_cast<TDynamicNode*>(scope)) {
        if (depth + 1 < kMaxDepth) {
          ParseNode(*scope, depth + 1);
        } else {
          ++excessScopes_;  // its content stays here; its closing tag is counted off below
        }
      }
    }
    if (scanner_->AtEnd()) return;
    scanner_->GetNextElement();  // the closing tag that ends this scope
    if (excessScopes_ == 0) return;
    --excessScopes_;
  }
}

}  // namespace zp
