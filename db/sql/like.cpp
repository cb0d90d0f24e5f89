// LIKE matching with one backtracking point per "*", linear in practice.
#include "db/sql/like.h"

#include "db/sql/text_compare.h"

namespace sql {
namespace {

// Matches one pattern element at `p` against the character `c`. Sets `next`
// to the position after the element.
bool MatchOne(std::u16string_view pattern, size_t p, char16_t c, size_t& next) {
  char16_t head = pattern[p];
  if (head == u'?') {
    next = p + 1;
    return true;
  }
  if (head == u'#') {
    next = p + 1;
    return c >= u'0' && c <= u'9';
  }
  if (head == u'[') {
    size_t close = pattern.find(u']', p + 1);
    if (close != std::u16string_view::npos) {
      next = close + 1;
      size_t i = p + 1;
      bool negate = i < close && pattern[i] == u'!';
      if (negate) ++i;
      char16_t folded = FoldCase(c);
      bool found = false;
      for (; i < close; ++i) {
        char16_t low = FoldCase(pattern[i]);
        char16_t high = low;
        if (i + 2 < close && pattern[i + 1] == u'-') {
          high = FoldCase(pattern[i + 2]);
          i += 2;
        }
        if (folded >= low && folded <= high) found = true;
      }
      return found != negate;
    }
  }
  next = p + 1;
  return FoldCase(head) == FoldCase(c);
}

}  // namespace

bool LikeMatch(std::u16string_view text, std::u16string_view pattern) {
  size_t t = 0, p = 0;
  size_t star_p = std::u16string_view::npos, star_t = 0;
  while (t < text.size()) {
    size_t next = 0;
    if (p < pattern.size() && pattern[p] == u'*') {
      star_p = ++p;
      star_t = t;
    } else if (p < pattern.size() && MatchOne(pattern, p, text[t], next)) {
      p = next;
      ++t;
    } else if (star_p != std::u16string_view::npos) {
      p = star_p;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace sql
