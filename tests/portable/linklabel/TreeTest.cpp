#include "linklabel/UniTree.h"

#include <gtest/gtest.h>

#include "TreeDump.h"
#include "linklabel/UniParser.h"

namespace zp {
namespace {

std::unique_ptr<TNodeTree> Parse(const std::u16string& caption) {
  ResetNodeCounters();
  return TDefaultParser().Parse(caption);
}

template <class T>
void ExpectError(const char* message, T&& action) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const EZpError& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

// Places one rectangle on every text node, the n-th one at x = 100 * n, so
// that hit tests can be checked without layout.
void PlaceTexts(TParentNode& parent, int& n) {
  for (const auto& child : parent.Children()) {
    if (auto* text = dynamic_cast<TStringNode*>(child.get())) {
      text->AddRect({100 * n, 0, 100 * n + 50, 10});
      ++n;
    } else if (auto* inner = dynamic_cast<TParentNode*>(child.get())) {
      PlaceTexts(*inner, n);
    }
  }
}

std::unique_ptr<TNodeTree> Placed(const std::u16string& caption) {
  auto tree = Parse(caption);
  int n = 0;
  PlaceTexts(tree->Root(), n);
  return tree;
}

class TAppNode : public TStringNode {
public:
  TAppNode() : TStringNode(u"app") {}
};

TEST(Node, GetNodeTypeNamesTheExactClass) {
  auto tree = Parse(u"<b>t</b><link>l</link><dynamic><br><x>");
  TRootNode& root = tree->Root();
  EXPECT_EQ(root.GetNodeType(), TNodeType::ntRootNode);
  std::vector<TNodeType> types;
  for (const auto& child : root.Children()) types.push_back(child->GetNodeType());
  EXPECT_EQ(types, (std::vector<TNodeType>{TNodeType::ntStyleNode, TNodeType::ntLinkNode, TNodeType::ntDynamicNode,
                                           TNodeType::ntActionNode, TNodeType::ntUnknownNode}));
  EXPECT_EQ(root.FindFirst<TStringNode>()->GetNodeType(), TNodeType::ntStringNode);
  EXPECT_EQ(TNode().GetNodeType(), TNodeType::ntNode);
  EXPECT_EQ(TParentNode().GetNodeType(), TNodeType::ntParentNode);
  EXPECT_EQ(TAreaNode().GetNodeType(), TNodeType::ntAreaNode);
  ExpectError("TNode.GetNodeType: Unknown class", [] { TAppNode().GetNodeType(); });
}

TEST(Node, NewTreeAndLinkColours) {
  TNodeTree tree;
  EXPECT_EQ(tree.Root().Style, 0);
  EXPECT_EQ(tree.Root().GetColor(), 0xFF000008u);
  EXPECT_EQ(tree.Root().StartPos, (TPoint{0, 0}));

  TLinkNode link;
  link.Color = 0x123456;
  EXPECT_EQ(link.GetColor(), 0x80000400u);
  link.State = TLinkState::lsClicked;
  EXPECT_EQ(link.GetColor(), 0x80000401u);
  link.State = TLinkState::lsHot;
  EXPECT_EQ(link.GetColor(), 0x80000402u);
  link.State = static_cast<TLinkState>(7);
  EXPECT_EQ(link.GetColor(), 0x123456u);
}

TEST(Node, WordInfosAreBoundsChecked) {
  TStringNode text(u"x");
  EXPECT_FALSE(text.HasWordInfo(0));
  text.AddWordInfo({true, 3, 9});
  EXPECT_TRUE(text.HasWordInfo(0));
  EXPECT_EQ(text.GetWordInfo(0).Width, 9);
  EXPECT_FALSE(text.HasWordInfo(1));
  ExpectError("TStringNode.GetWordInfo: Index out of bounds", [&] { text.GetWordInfo(1); });
  text.ClearWordInfos();
  EXPECT_FALSE(text.HasWordInfo(0));
}

TEST(Tree, FindFirstIsDepthFirstWithParentsBeforeChildren) {
  auto tree = Parse(u"<b><i>x</i>y<link>z</link></b><link>w</link>");
  EXPECT_EQ(tree->Root().FindFirst<TStringNode>()->Text, u"x");
  EXPECT_EQ(tree->Root().FindFirst<TLinkNode>()->GetText(), u"z");
  EXPECT_EQ(tree->Root().FindFirst<TAreaNode>()->GetNodeType(), TNodeType::ntStyleNode);
  EXPECT_EQ(tree->Root().FindFirst<TActionNode>(), nullptr);
}

TEST(Tree, TopLevelNodesAreTheOutermostOfTheClass) {
  auto tree = Parse(u"<b><link>a<link>b</link></link></b>c<link>d</link>");
  auto links = tree->GetTopLevelNodes(TNodeClass::Of<TLinkNode>());
  std::vector<int32_t> numbers;
  while (links->HasNext()) numbers.push_back(static_cast<TLinkNode*>(links->Next())->Number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{0, 2}));
  ExpectError("No more nodes to return", [&] { links->Next(); });
  links->Reset();
  EXPECT_EQ(static_cast<TLinkNode*>(links->Next())->Number, 0);

  // The class test takes descendants: area nodes include style and link nodes.
  auto areas = tree->GetTopLevelNodes(TNodeClass::Of<TAreaNode>());
  std::vector<TNodeType> types;
  while (areas->HasNext()) types.push_back(areas->Next()->GetNodeType());
  EXPECT_EQ(types, (std::vector<TNodeType>{TNodeType::ntStyleNode, TNodeType::ntLinkNode}));
}

TEST(Tree, RectsAndTextFollowDocumentOrder) {
  auto tree = Parse(u"<link>a &lt;<b>b</b><x>c</link>");
  auto* link = tree->Root().FindFirst<TLinkNode>();
  EXPECT_EQ(link->GetText(), u"a <bc");
  int n = 0;
  PlaceTexts(tree->Root(), n);
  link->FindFirst<TStringNode>()->AddRect({1, 2, 3, 4});
  auto rects = link->GetRects();
  std::vector<int32_t> lefts;
  while (rects->HasNext()) lefts.push_back(rects->Next().Left);
  EXPECT_EQ(lefts, (std::vector<int32_t>{0, 1, 100, 200}));
  ExpectError("No more records to return", [&] { rects->Next(); });
  rects->Reset();
  EXPECT_TRUE(rects->HasNext());
}

TEST(Tree, HitTestsFindTheOutermostLinkUnderThePoint) {
  // Texts: a at x 0..50, b at 100..150 (inner link), c at 200..250, d at 300..350.
  auto tree = Placed(u"<link>a<link>b</link></link>c<link><i>d</i></link>");
  const auto link = TNodeClass::Of<TLinkNode>();
  auto number = [&](TPoint p) {
    auto* found = static_cast<TLinkNode*>(tree->FindNodeAt(p, link));
    return found ? found->Number : -1;
  };
  EXPECT_EQ(number({0, 0}), 0);
  EXPECT_EQ(number({150, 10}), 0);  // the inner link's text, edges inclusive
  EXPECT_EQ(number({151, 5}), -1);
  EXPECT_EQ(number({225, 5}), -1);  // plain text
  EXPECT_EQ(number({300, 5}), 2);
  EXPECT_EQ(tree->FindNodeAt({300, 5}, TNodeClass::Of<TStyleNode>())->GetNodeType(), TNodeType::ntStyleNode);

  EXPECT_TRUE(tree->IsPointOver({120, 5}, link));
  EXPECT_FALSE(tree->IsPointOver({225, 5}, link));
  EXPECT_FALSE(tree->IsPointOver({120, 11}, link));
  // Plain text at the top level lies under no area node below the root.
  EXPECT_FALSE(tree->IsPointOver({225, 5}, TNodeClass::Of<TAreaNode>()));
  EXPECT_TRUE(tree->IsPointOver({25, 5}, TNodeClass::Of<TAreaNode>()));
}

TEST(Tree, LinkHitTestsUseTheLinkRectsOnceFilled) {
  auto tree = Placed(u"<link>a<link>b</link></link>c<link>d</link>");
  TRootNode& root = tree->Root();
  root.UpdateLinkRects();
  EXPECT_EQ(root.LinkRects, (TRectArray{{0, 0, 50, 10}, {100, 0, 150, 10}, {300, 0, 350, 10}}));

  // The flat list answers for exactly TLinkNode, so moving the texts without
  // updating it leaves that answer where it was.
  tree->Root().FindFirst<TStringNode>()->Rects = {{1000, 0, 1050, 10}};
  const auto link = TNodeClass::Of<TLinkNode>();
  EXPECT_TRUE(tree->IsPointOver({25, 5}, link));
  EXPECT_FALSE(tree->IsPointOver({1025, 5}, link));
  root.UpdateLinkRects();
  EXPECT_TRUE(tree->IsPointOver({1025, 5}, link));
  EXPECT_FALSE(tree->IsPointOver({25, 5}, link));
}

}  // namespace
}  // namespace zp
