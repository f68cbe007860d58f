#include "core/common/TextEscape.h"

namespace sorrel {

size_t Utf8SequenceLength(std::string_view s, size_t i) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t len;
  char32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}

std::string EscapeControlChars(std::string_view text, LineBreaks lineBreaks) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  auto hexByte = [&](unsigned char c) {
    out += "\\x";
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0xF]);
  };
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t len = Utf8SequenceLength(text, i);
    if (len == 0) {
      hexByte(c);  // not text
      ++i;
    } else if (len == 1) {
      const bool kept = lineBreaks == LineBreaks::Keep && (c == '\n' || c == '\r' || c == '\t');
      if ((c < 0x20 && !kept) || c == 0x7F)
        hexByte(c);
      else
        out.push_back(static_cast<char>(c));
      ++i;
    } else if (len == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      // U+0080 .. U+009F: C1 controls (U+009B is a CSI on many terminals).
      const auto low = static_cast<unsigned char>(text[i + 1]);
      out += "\\u00";
      out.push_back(kHex[low >> 4]);
      out.push_back(kHex[low & 0xF]);
      i += 2;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  return out;
}

}  // namespace sorrel
