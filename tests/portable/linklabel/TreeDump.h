// Writes a node tree as one line, e.g.  S(First) BR LINK0[S(more)]  so that
// tests can compare whole trees at once.
#pragma once

#include <string>

#include "base/Strings.h"
#include "linklabel/UniTree.h"

namespace zp::test {

inline std::string Utf8(const std::u16string& s) { return WideToUtf8(s); }

inline std::string Dump(const TParentNode& parent);

inline std::string DumpNode(const TNode& node) {
  std::string out;
  if (auto* text = dynamic_cast<const TStringNode*>(&node)) return "S(" + Utf8(text->Text) + ")";
  if (auto* action = dynamic_cast<const TActionNode*>(&node))
    return action->ActionKind == TActionKind::akLineBreak ? "BR" : "P";
  if (auto* unknown = dynamic_cast<const TUnknownNode*>(&node)) return "?(" + Utf8(unknown->TagText) + ")";
  if (auto* style = dynamic_cast<const TStyleNode*>(&node)) out = std::string(1, "BIU"[style->StyleBit % 3]);
  else if (auto* link = dynamic_cast<const TLinkNode*>(&node)) out = "LINK" + std::to_string(link->Number);
  else if (auto* dynamic = dynamic_cast<const TDynamicNode*>(&node)) out = "DYN" + std::to_string(dynamic->Number);
  else out = "NODE";
  if (auto* parent = dynamic_cast<const TParentNode*>(&node); parent && !parent->Children().empty())
    out += "[" + Dump(*parent) + "]";
  return out;
}

inline std::string Dump(const TParentNode& parent) {
  std::string out;
  for (const auto& child : parent.Children()) {
    if (!out.empty()) out += ' ';
    out += DumpNode(*child);
  }
  return out;
}

}  // namespace zp::test
