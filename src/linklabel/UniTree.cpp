#include "linklabel/UniTree.h"

#include "linklabel/UniLinkTools.h"

namespace zp {

namespace {

// Link and dynamic numbers of the caption being parsed. Kept unsigned so that
// counting past 2^31 wraps instead of overflowing.
uint32_t linkCounter = 0;
uint32_t dynamicCounter = 0;

int32_t TakeNumber(uint32_t& counter) { return static_cast<int32_t>(counter++); }

class TTopLevelNodeEnumerator : public INodeEnumerator {
public:
  explicit TTopLevelNodeEnumerator(std::vector<TNode*> nodes) : nodes_(std::move(nodes)) {}
  TNode* Next() override {
    if (!HasNext()) throw ENodeError("No more nodes to return");
    return nodes_[index_++];
  }
  bool HasNext() const override { return index_ < nodes_.size(); }
  void Reset() override { index_ = 0; }

private:
  std::vector<TNode*> nodes_;
  size_t index_ = 0;
};

class TRectEnumerator : public IRectEnumerator {
public:
  explicit TRectEnumerator(std::unique_ptr<TRectList> rects) : rects_(std::move(rects)) {}
  TRect Next() override {
    if (!HasNext()) throw ENodeError("No more records to return");
    return rects_->Get(index_++);
  }
  bool HasNext() const override { return index_ < rects_->Count(); }
  void Reset() override { index_ = 0; }

private:
  std::unique_ptr<TRectList> rects_;
  size_t index_ = 0;
};

void CollectTopLevel(const TParentNode& parent, const TNodeClass& cls, std::vector<TNode*>& out) {
  for (const auto& child : parent.Children()) {
    if (cls.Matches(child.get())) {
      out.push_back(child.get());
    } else if (const TParentNode* inner = child->AsParentNode()) {
      CollectTopLevel(*inner, cls, out);
    }
  }
}

// Visits every text node beneath `parent` in document order until `visit`
// returns true; true when it did.
template <class Visit>
bool AnyStringNode(const TParentNode& parent, Visit&& visit) {
  for (const auto& child : parent.Children()) {
    if (const TStringNode* text = child->AsStringNode()) {
      if (visit(*text)) return true;
    } else if (const TParentNode* inner = child->AsParentNode()) {
      if (AnyStringNode(*inner, visit)) return true;
    }
  }
  return false;
}

}  // namespace

void ResetNodeCounters() {
  linkCounter = 0;
  dynamicCounter = 0;
}

const std::vector<TEntity>& Entities() {
  static const std::vector<TEntity> table = {{u"&lt;", u"<"}, {u"&gt;", u">"}};
  return table;
}

std::u16string DecodeEntities(std::u16string text) {
  for (const TEntity& entity : Entities()) TStringTools::ReplaceAll(entity.Name, entity.Value, text);
  return text;
}

// --- TNode ---

TNodeType TNode::GetNodeType() const {
  const std::type_info& type = typeid(*this);
  if (type == typeid(TStringNode)) return TNodeType::ntStringNode;
  if (type == typeid(TStyleNode)) return TNodeType::ntStyleNode;
  if (type == typeid(TLinkNode)) return TNodeType::ntLinkNode;
  if (type == typeid(TActionNode)) return TNodeType::ntActionNode;
  if (type == typeid(TDynamicNode)) return TNodeType::ntDynamicNode;
  if (type == typeid(TUnknownNode)) return TNodeType::ntUnknownNode;
  if (type == typeid(TRootNode)) return TNodeType::ntRootNode;
  if (type == typeid(TAreaNode)) return TNodeType::ntAreaNode;
  if (type == typeid(TParentNode)) return TNodeType::ntParentNode;
  if (type == typeid(TNode)) return TNodeType::ntNode;
  throw ENodeError("TNode.GetNodeType: Unknown class");
}

// --- TParentNode ---

TParentNode::~TParentNode() { ClearChildren(); }

TNode& TParentNode::AddChild(std::unique_ptr<TNode> node) {
  node->parent_ = this;
  children_.push_back(std::move(node));
  return *children_.back();
}

void TParentNode::ClearChildren() {
  while (!children_.empty()) children_.pop_back();
}

TNodeList TParentNode::TakeChildren() {
  TNodeList taken = std::move(children_);
  children_.clear();
  for (auto& child : taken) child->parent_ = nullptr;
  return taken;
}

TNode* TParentNode::FindFirst(const TNodeClass& cls) const {
  for (const auto& child : children_) {
    if (cls.Matches(child.get())) return child.get();
    if (const TParentNode* inner = child->AsParentNode()) {
      if (TNode* found = inner->FindFirst(cls)) return found;
    }
  }
  return nullptr;
}

std::unique_ptr<INodeEnumerator> TParentNode::GetTopLevelNodes(const TNodeClass& cls) const {
  std::vector<TNode*> nodes;
  CollectTopLevel(*this, cls, nodes);
  return std::make_unique<TTopLevelNodeEnumerator>(std::move(nodes));
}

// --- TAreaNode ---

bool TAreaNode::IsPointOver(const TPoint& point, const TNodeClass& cls) const {
  auto nodes = GetTopLevelNodes(cls);
  while (nodes->HasNext()) {
    auto* area = dynamic_cast<const TAreaNode*>(nodes->Next());
    if (area && area->ContainsPoint(point)) return true;
  }
  return false;
}

TNode* TAreaNode::FindNodeAt(const TPoint& point, const TNodeClass& cls) const {
  auto areas = GetTopLevelNodes(TNodeClass::Of<TAreaNode>());
  while (areas->HasNext()) {
    auto* area = static_cast<TAreaNode*>(areas->Next());
    if (!area->ContainsPoint(point)) continue;
    if (cls.Matches(area)) return area;
    if (TNode* found = area->FindNodeAt(point, cls)) return found;
  }
  return nullptr;
}

bool TAreaNode::ContainsPoint(const TPoint& point) const {
  return AnyStringNode(*this, [&](const TStringNode& text) { return text.ContainsPoint(point); });
}

std::unique_ptr<IRectEnumerator> TAreaNode::GetRects() const {
  auto rects = std::make_unique<TRectList>();
  AnyStringNode(*this, [&](const TStringNode& text) {
    for (const TRect& rect : text.Rects) rects->Add(rect);
    return false;
  });
  return std::make_unique<TRectEnumerator>(std::move(rects));
}

std::u16string TAreaNode::GetText() const {
  std::u16string text;
  AnyStringNode(*this, [&](const TStringNode& node) {
    text += node.Text;
    return false;
  });
  return text;
}

// --- TLinkNode, TDynamicNode ---

TLinkNode::TLinkNode() : Number(TakeNumber(linkCounter)) {}

TColor TLinkNode::GetColor() const {
  switch (State) {
    case TLinkState::lsNormal: return clLinkNormal;
    case TLinkState::lsClicked: return clLinkClicked;
    case TLinkState::lsHot: return clLinkHot;
  }
  return Color;
}

TDynamicNode::TDynamicNode() : Number(TakeNumber(dynamicCounter)) {}

// --- TRootNode ---

bool TRootNode::IsPointOver(const TPoint& point, const TNodeClass& cls) const {
  if (cls == TNodeClass::Of<TLinkNode>() && !LinkRects.empty()) {
    for (const TRect& rect : LinkRects) {
      if (TGraphicTools::PointInRect(rect, point)) return true;
    }
    return false;
  }
  return TAreaNode::IsPointOver(point, cls);
}

void TRootNode::UpdateLinkRects() {
  LinkRects.clear();
  auto links = GetTopLevelNodes(TNodeClass::Of<TLinkNode>());
  while (links->HasNext()) {
    auto rects = static_cast<TAreaNode*>(links->Next())->GetRects();
    while (rects->HasNext()) LinkRects.push_back(rects->Next());
  }
}

// --- TStringNode ---

TStringNode::TStringNode(std::u16string text) : Text(DecodeEntities(std::move(text))) {}

bool TStringNode::ContainsPoint(const TPoint& point) const {
  for (const TRect& rect : Rects) {
    if (TGraphicTools::PointInRect(rect, point)) return true;
  }
  return false;
}

const TWordInfo& TStringNode::GetWordInfo(size_t index) const {
  if (!HasWordInfo(index)) throw ENodeError("TStringNode.GetWordInfo: Index out of bounds");
  return WordInfos[index];
}

// --- TNodeTree ---

TNodeTree::TNodeTree() : root_(std::make_unique<TRootNode>()) { root_->Color = clWindowText; }

}  // namespace zp
