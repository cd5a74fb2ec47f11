// The built-in English texts, by id. Every caption, message and log line of
// the program is fetched by id (see ZpTrans); a package may translate any of
// them. "|" stands for a line break, "%1" and "%2" for arguments.
#pragma once

#include <cstdint>

namespace zp {

struct TDefString {
  int32_t Id;
  // Shown in the markup label: its "|" becomes "<br>" instead of CR LF.
  bool Markup;
  const char* Text;  // UTF-8 (the defaults are plain ASCII)
};

// In ascending id order; lookups take the first match.
extern const TDefString DefaultStrings[];
extern const int DefaultStringCount;

}  // namespace zp
