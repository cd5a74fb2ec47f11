#include "linklabel/UniParser.h"

#include <gtest/gtest.h>

#include <vector>

#include "TreeDump.h"

namespace zp {
namespace {

using test::Dump;

std::string Parsed(const std::u16string& caption) {
  ResetNodeCounters();
  TDefaultParser parser;
  return Dump(parser.Parse(caption)->Root());
}

// Supplies each DYNAMIC tag's markup from a list, by the node's number, and
// records the numbers it was asked for.
class TListHandler : public IDynamicNodeHandler {
public:
  explicit TListHandler(std::vector<std::u16string> sources) : sources_(std::move(sources)) {}
  void GetDynamicSource(std::u16string& source, TDynamicNode& node) override {
    EXPECT_TRUE(source.empty());
    Asked.push_back(node.Number);
    if (static_cast<size_t>(node.Number) < sources_.size()) source = sources_[static_cast<size_t>(node.Number)];
  }
  std::vector<int32_t> Asked;

private:
  std::vector<std::u16string> sources_;
};

std::string ParsedWith(TListHandler& handler, const std::u16string& caption) {
  ResetNodeCounters();
  TDefaultParser parser;
  parser.SetDynamicNodeHandler(&handler);
  return Dump(parser.Parse(caption)->Root());
}

TEST(ElementScanner, SplitsTheWorkedExampleIntoSevenElements) {
  TElementEnumerator scanner(u"First<br>Second<link>more</link>end");
  std::vector<std::pair<TElementKind, std::u16string>> got;
  while (!scanner.AtEnd()) {
    const TElement peeked = scanner.PeekElement();
    const TElement element = scanner.GetNextElement();
    EXPECT_EQ(peeked.Kind, element.Kind);
    EXPECT_EQ(peeked.Text, element.Text);
    got.emplace_back(element.Kind, element.Text);
  }
  using K = TElementKind;
  const std::vector<std::pair<TElementKind, std::u16string>> expected = {
      {K::ekText, u"First"}, {K::ekOpenTag, u"br"}, {K::ekText, u"Second"}, {K::ekOpenTag, u"link"},
      {K::ekText, u"more"},  {K::ekCloseTag, u"link"}, {K::ekText, u"end"}};
  EXPECT_EQ(got, expected);
}

TEST(ElementScanner, UnterminatedTagsRunToTheEnd) {
  TElementEnumerator open(u"x<b");
  open.GetNextElement();
  TElement tag = open.GetNextElement();
  EXPECT_EQ(tag.Kind, TElementKind::ekOpenTag);
  EXPECT_EQ(tag.Text, u"b");
  EXPECT_TRUE(open.AtEnd());

  TElementEnumerator close(u"</");
  tag = close.GetNextElement();
  EXPECT_EQ(tag.Kind, TElementKind::ekCloseTag);
  EXPECT_EQ(tag.Text, u"");
  EXPECT_TRUE(close.AtEnd());
}

TEST(ElementScanner, ReadingAtTheEndRaises) {
  TElementEnumerator scanner(u"");
  EXPECT_TRUE(scanner.AtEnd());
  for (int peek = 0; peek < 2; ++peek) {
    try {
      peek ? scanner.PeekElement() : scanner.GetNextElement();
      FAIL() << "no error";
    } catch (const EParserError& e) {
      EXPECT_STREQ(e.what(), "TElementEnumerator.GetNextElement: No more elements to return");
    }
  }
}

TEST(Parser, BuildsTheWorkedExample) {
  EXPECT_EQ(Parsed(u"First<br>Second<link>more</link>end"), "S(First) BR S(Second) LINK0[S(more)] S(end)");
  EXPECT_EQ(Parsed(u""), "");
}

TEST(Parser, MatchesTagsInAnyCaseButOnlyWhole) {
  EXPECT_EQ(Parsed(u"<b>x</b><B>y</B><i>z</i><U>w</U><Link>l</LINK><bR><p><Dynamic>"),
            "B[S(x)] B[S(y)] I[S(z)] U[S(w)] LINK0[S(l)] BR P DYN0");
  // Anything more than the bare name is an unknown tag, kept as written; it
  // opens no scope, so its closing tag closes the enclosing one.
  EXPECT_EQ(Parsed(u"<b >a</b>c"), "?(b ) S(a)");
  EXPECT_EQ(Parsed(u"<i><Br/>a</x>b"), "I[?(Br/) S(a)] S(b)");
  EXPECT_EQ(Parsed(u"<link href=x>a"), "?(link href=x) S(a)");
}

TEST(Parser, ClosingTagsCloseTheInnermostScopeWhateverTheirName) {
  EXPECT_EQ(Parsed(u"<b>one</i>two"), "B[S(one)] S(two)");
  EXPECT_EQ(Parsed(u"<b><i>x</b>y</u>z"), "B[I[S(x)] S(y)] S(z)");
  EXPECT_EQ(Parsed(u"<b>x<br></br>y"), "B[S(x) BR] S(y)");
  EXPECT_EQ(Parsed(u"<u>unclosed<i>to the end"), "U[S(unclosed) I[S(to the end)]]");
}

TEST(Parser, ClosingTagAtTopLevelEndsTheCaption) {
  EXPECT_EQ(Parsed(u"text</x>more<b>bold</b>"), "S(text)");
  EXPECT_EQ(Parsed(u"<p>x</p>y"), "P S(x)");
}

TEST(Parser, TagsCutOffByTheEnd) {
  EXPECT_EQ(Parsed(u"a<b"), "S(a) B");
  EXPECT_EQ(Parsed(u"a<"), "S(a) ?()");
  EXPECT_EQ(Parsed(u"a>b"), "S(a>b)");
}

TEST(Parser, DeletesLineBreakPairsOnly) {
  EXPECT_EQ(Parsed(u"one\r\ntwo"), "S(onetwo)");
  EXPECT_EQ(Parsed(u"<b\r\nr>x"), "BR S(x)");
  EXPECT_EQ(Parsed(u"a\nb\rc\td  e"), "S(a\nb\rc\td  e)");
  EXPECT_EQ(Parsed(u" lead "), "S( lead )");
}

TEST(Parser, DecodesTheTwoEntitiesInTextOnly) {
  EXPECT_EQ(Parsed(u"a &lt;b&gt; c"), "S(a <b> c)");
  EXPECT_EQ(Parsed(u"&LT;&Gt;&amp;&#60;"), "S(&LT;&Gt;&amp;&#60;)");
  EXPECT_EQ(Parsed(u"&&lt;lt;&lt;&gt;"), "S(&<lt;<>)");
  // Tag texts are not decoded.
  EXPECT_EQ(Parsed(u"<&lt;b>x"), "?(&lt;b) S(x)");
}

TEST(Parser, NumbersLinksInDocumentOrder) {
  EXPECT_EQ(Parsed(u"<link>a</link> <link>b</link>"), "LINK0[S(a)] S( ) LINK1[S(b)]");
  EXPECT_EQ(Parsed(u"<link>a<link>b</link></link><link>c"), "LINK0[S(a) LINK1[S(b)]] LINK2[S(c)]");

  // Counters run on across parses until they are reset.
  ResetNodeCounters();
  TDefaultParser parser;
  parser.Parse(u"<link>a</link>");
  EXPECT_EQ(Dump(parser.Parse(u"<link>b</link><dynamic>")->Root()), "LINK1[S(b)] DYN0");
}

TEST(Parser, JoinsStringListsWithoutSeparators) {
  ResetNodeCounters();
  TDefaultParser parser;
  const auto tree = parser.ParseStrings({"one <b>bold", "</b>two", "caf\xe9"});
  EXPECT_EQ(Dump(tree->Root()), "S(one ) B[S(bold)] S(twocaf\xc3\xa9)");
}

TEST(Parser, DynamicTagsTakeTheirContentFromTheHandler) {
  TListHandler handler({u"<b>bold</b>", u"", u"plain"});
  EXPECT_EQ(ParsedWith(handler, u"a<dynamic>b<DYNAMIC><dynamic>"), "S(a) DYN0[B[S(bold)]] S(b) DYN1 DYN2[S(plain)]");
  EXPECT_EQ(handler.Asked, (std::vector<int32_t>{0, 1, 2}));

  // Without a handler every dynamic node stays empty.
  EXPECT_EQ(Parsed(u"<dynamic>x"), "DYN0 S(x)");
}

TEST(Parser, DynamicContentIsParsedOnItsOwn) {
  // A closing tag inside the content cannot close anything outside; a closing
  // tag after the tag closes the scope around it; DYNAMIC tags inside the
  // content stay empty and do not reach the handler.
  TListHandler handler({u"in</b>dropped", u"never"});
  EXPECT_EQ(ParsedWith(handler, u"<b><dynamic>x</b>y"), "B[DYN0[S(in)] S(x)] S(y)");
  TListHandler nested({u"<dynamic>z"});
  EXPECT_EQ(ParsedWith(nested, u"<dynamic>"), "DYN0[DYN1 S(z)]");
  EXPECT_EQ(nested.Asked, std::vector<int32_t>{0});
}

TEST(Parser, AHandlerMayParseWithTheSameParser) {
  struct TReentrant : IDynamicNodeHandler {
    TDefaultParser* parser = nullptr;
    void GetDynamicSource(std::u16string& source, TDynamicNode&) override {
      parser->SetDynamicNodeHandler(nullptr);
      source = parser->Parse(u"<b>in")->Root().GetText();
      parser->SetDynamicNodeHandler(this);
    }
  } handler;
  TDefaultParser parser;
  handler.parser = &parser;
  parser.SetDynamicNodeHandler(&handler);
  ResetNodeCounters();
  EXPECT_EQ(Dump(parser.Parse(u"<i>a<dynamic>b</i>c")->Root()), "I[S(a) DYN0[S(in)] S(b)] S(c)");
}

TEST(Parser, NumbersLinksOfDynamicContentWhereTheTagStands) {
  TListHandler handler({u"<link>b</link>"});
  EXPECT_EQ(ParsedWith(handler, u"<link>a</link><dynamic><link>c</link>"),
            "LINK0[S(a)] DYN0[LINK1[S(b)]] LINK2[S(c)]");
}

TEST(Parser, ParseIntoAppendsTheTopLevelNodes) {
  ResetNodeCounters();
  TDefaultParser parser;
  auto tree = parser.Parse(u"<b>x</b>");
  auto* bold = tree->Root().FindFirst<TStyleNode>();
  parser.ParseInto(*bold, u"y<i>z</i></b>gone");
  EXPECT_EQ(Dump(tree->Root()), "B[S(x) S(y) I[S(z)]]");
  for (const auto& child : bold->Children()) EXPECT_EQ(child->Parent(), bold);
}

TEST(Parser, DeepNestingKeepsEveryTextAndBalancesTheClosingTags) {
  const int depth = TDefaultParser::kMaxDepth + 50;
  std::u16string caption;
  for (int i = 0; i < depth; ++i) caption += u"<link>";
  caption += u"x";
  for (int i = 0; i < depth; ++i) caption += u"</b>";
  caption += u"y";
  ResetNodeCounters();
  TDefaultParser parser;
  const auto tree = parser.Parse(caption);
  EXPECT_EQ(tree->Root().GetText(), u"xy");
  // y stands at the top level again: every closing tag closed one scope.
  EXPECT_EQ(test::DumpNode(*tree->Root().Children().back()), "S(y)");
  // Links beyond the depth limit still take their numbers.
  TLinkNode probe;
  EXPECT_EQ(probe.Number, depth);

  // A very deep caption parses without exhausting the stack.
  std::u16string deep;
  for (int i = 0; i < 200000; ++i) deep += u"<i>";
  EXPECT_EQ(parser.Parse(deep + u"z")->Root().GetText(), u"z");
}

// An application's parser that knows one more tag.
class THrParser : public TDefaultParser {
protected:
  std::unique_ptr<TNode> CreateNode(const std::u16string& tagText) override {
    if (tagText == u"hr") return std::make_unique<TActionNode>(TActionKind::akParagraphBreak);
    return TDefaultParser::CreateNode(tagText);
  }
};

TEST(Parser, DescendantsCanAddTags) {
  THrParser parser;
  EXPECT_EQ(Dump(parser.Parse(u"a<hr>b<br>")->Root()), "S(a) P S(b) BR");
}

}  // namespace
}  // namespace zp
