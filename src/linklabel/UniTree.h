// The node tree of a parsed caption and its queries. Every node is owned by
// its parent; the tree owns its root. Layout writes its results (rectangles,
// word measurements, start positions, styles, colours) into the nodes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "linklabel/UniLinkTools.h"
#include "ui/Surface.h"

namespace zp {

class ENodeError : public EZpError {
public:
  using EZpError::EZpError;
};

class TNode;
class TParentNode;
class TAreaNode;
class TStringNode;

// A class of nodes: matches nodes of that class and of its descendants.
class TNodeClass {
public:
  template <class T>
  static TNodeClass Of() {
    return TNodeClass(typeid(T), [](const TNode* node) { return dynamic_cast<const T*>(node) != nullptr; });
  }
  bool Matches(const TNode* node) const { return node != nullptr && matches_(node); }
  // The exact class, descendants aside.
  bool operator==(const TNodeClass& other) const { return type_ == other.type_; }
  bool operator!=(const TNodeClass& other) const { return !(*this == other); }

private:
  TNodeClass(const std::type_info& type, bool (*matches)(const TNode*)) : type_(type), matches_(matches) {}
  std::type_index type_;
  bool (*matches_)(const TNode*);
};

enum class TNodeType : uint8_t {
  ntNode,
  ntParentNode,
  ntAreaNode,
  ntStyleNode,
  ntLinkNode,
  ntDynamicNode,
  ntRootNode,
  ntStringNode,
  ntActionNode,
  ntUnknownNode,
};

enum class TLinkState : uint8_t { lsNormal = 0, lsClicked = 1, lsHot = 2 };
enum class TActionKind : uint8_t { akLineBreak = 0, akParagraphBreak = 1 };

// Placeholder colours of a link by state; the renderer maps them to the
// label's link colours and never hands them to a surface.
constexpr TColor clLinkNormal = 0x80000400;
constexpr TColor clLinkClicked = 0x80000401;
constexpr TColor clLinkHot = 0x80000402;

// The character entities of text runs, applied in this order.
struct TEntity {
  std::u16string Name;
  std::u16string Value;
};
const std::vector<TEntity>& Entities();
std::u16string DecodeEntities(std::u16string text);

struct TWordInfo {
  bool EndsWithSpace = false;
  int32_t SpaceWidth = 0;
  int32_t Width = 0;
};
using TWordInfoArray = std::vector<TWordInfo>;

using TNodeList = std::vector<std::unique_ptr<TNode>>;

// Enumerators over a snapshot taken when they are made.
class INodeEnumerator {
public:
  virtual ~INodeEnumerator() = default;
  virtual TNode* Next() = 0;  // raises ENodeError past the end
  virtual bool HasNext() const = 0;
  virtual void Reset() = 0;
};

class IRectEnumerator {
public:
  virtual ~IRectEnumerator() = default;
  virtual TRect Next() = 0;  // raises ENodeError past the end
  virtual bool HasNext() const = 0;
  virtual void Reset() = 0;
};

class TNode {
public:
  TNode() = default;
  TNode(const TNode&) = delete;
  TNode& operator=(const TNode&) = delete;
  virtual ~TNode() = default;

  TParentNode* Parent() const { return parent_; }
  // Cheap kind tests for the tree walks.
  virtual TParentNode* AsParentNode() { return nullptr; }
  virtual const TParentNode* AsParentNode() const { return nullptr; }
  virtual const TStringNode* AsStringNode() const { return nullptr; }
  // The exact class of this node; ENodeError for classes outside the table.
  TNodeType GetNodeType() const;

private:
  friend class TParentNode;
  TParentNode* parent_ = nullptr;
};

class TParentNode : public TNode {
public:
  ~TParentNode() override;
  TParentNode* AsParentNode() override { return this; }
  const TParentNode* AsParentNode() const override { return this; }

  const TNodeList& Children() const { return children_; }
  // Appends the node and becomes its parent.
  TNode& AddChild(std::unique_ptr<TNode> node);
  // Frees the children, last to first.
  void ClearChildren();
  // Hands the children over to the caller; the list is left empty.
  TNodeList TakeChildren();

  // Depth first, a node before its descendants; nullptr when none matches.
  TNode* FindFirst(const TNodeClass& cls) const;
  template <class T>
  T* FindFirst() const {
    return static_cast<T*>(FindFirst(TNodeClass::Of<T>()));
  }
  // The outermost descendants of the class, in document order.
  std::unique_ptr<INodeEnumerator> GetTopLevelNodes(const TNodeClass& cls) const;

private:
  TNodeList children_;
};

class TAreaNode : public TParentNode {
public:
  TPoint StartPos;
  TFontStyles Style = 0;
  TColor Color = 0;

  virtual TFontStyles GetStyle() const { return Style; }
  virtual TColor GetColor() const { return Color; }
  // Whether an outermost area node of the class lies under the point.
  virtual bool IsPointOver(const TPoint& point, const TNodeClass& cls) const;

  TNode* FindNodeAt(const TPoint& point, const TNodeClass& cls) const;
  bool ContainsPoint(const TPoint& point) const;
  // Copies of the rectangles of every text beneath, in document order.
  std::unique_ptr<IRectEnumerator> GetRects() const;
  // The decoded text beneath, tags left out.
  std::u16string GetText() const;
};

class TStyleNode : public TAreaNode {
public:
  explicit TStyleNode(uint8_t styleBit) : StyleBit(styleBit) {}
  uint8_t StyleBit;  // 0 bold, 1 italic, 2 underline
};

class TLinkNode : public TAreaNode {
public:
  TLinkNode();  // takes the next link number
  TLinkState State = TLinkState::lsNormal;
  int32_t Number;

  // The placeholder colour of the state.
  TColor GetColor() const override;
};

class TDynamicNode : public TAreaNode {
public:
  TDynamicNode();  // takes the next dynamic number
  int32_t Number;
};

class TRootNode : public TAreaNode {
public:
  TRectArray LinkRects;  // the rectangles of the outermost links, as last laid out

  // For exactly TLinkNode, once LinkRects holds anything, one pass over it.
  bool IsPointOver(const TPoint& point, const TNodeClass& cls) const override;
  void UpdateLinkRects();
};

class TStringNode : public TNode {
public:
  explicit TStringNode(std::u16string text);  // decodes the entities
  const TStringNode* AsStringNode() const override { return this; }

  std::u16string Text;
  TRectArray Rects;
  TWordInfoArray WordInfos;
  bool Joined = false;

  void AddRect(const TRect& rect) { Rects.push_back(rect); }
  void ClearRects() { Rects.clear(); }
  bool ContainsPoint(const TPoint& point) const;
  void AddWordInfo(const TWordInfo& info) { WordInfos.push_back(info); }
  bool HasWordInfo(size_t index) const { return index < WordInfos.size(); }
  const TWordInfo& GetWordInfo(size_t index) const;  // ENodeError past the last
  void ClearWordInfos() { WordInfos.clear(); }
};

class TActionNode : public TNode {
public:
  explicit TActionNode(TActionKind kind) : ActionKind(kind) {}
  TActionKind ActionKind;
};

class TUnknownNode : public TNode {
public:
  explicit TUnknownNode(std::u16string tagText) : TagText(std::move(tagText)) {}
  std::u16string TagText;  // as written
};

class TNodeTree {
public:
  TNodeTree();  // root: empty style, window-text colour
  TNodeTree(const TNodeTree&) = delete;
  TNodeTree& operator=(const TNodeTree&) = delete;

  TRootNode& Root() const { return *root_; }

  TNode* FindNodeAt(const TPoint& point, const TNodeClass& cls) const { return root_->FindNodeAt(point, cls); }
  std::unique_ptr<INodeEnumerator> GetTopLevelNodes(const TNodeClass& cls) const {
    return root_->GetTopLevelNodes(cls);
  }
  bool IsPointOver(const TPoint& point, const TNodeClass& cls) const { return root_->IsPointOver(point, cls); }

private:
  std::unique_ptr<TRootNode> root_;
};

// Numbers the links and dynamic tags of the next caption from 0.
void ResetNodeCounters();

}  // namespace zp
