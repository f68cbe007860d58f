#pragma once
// Text from files and file names shown to the user. A text spectrum line,
// a compound name or a file name may hold terminal control sequences (ESC,
// BEL, CSI) or bytes that are not text at all; shown as they are, they
// would drive the terminal or garble a message box. Messages show them
// escaped instead.
#include <string>
#include <string_view>

namespace sorrel {

enum class LineBreaks {
  Keep,    // line feeds, carriage returns and tabs stay (message boxes)
  Escape,  // every control character is escaped
};

// `text` with every control character written as \xNN (C0 controls and
// DEL) or \uNNNN (C1 controls, U+0080 to U+009F), and every byte that is
// not part of a valid UTF-8 sequence written as \xNN. A backslash itself
// stays as it is. With LineBreaks::Keep, LF, CR and TAB are kept.
std::string EscapeControlChars(std::string_view text, LineBreaks lineBreaks);

// Length of the valid UTF-8 sequence that starts at text[i], or 0 when the
// byte there does not start one (overlong forms, surrogates and values
// beyond U+10FFFF are not valid).
size_t Utf8SequenceLength(std::string_view text, size_t i);

}  // namespace sorrel
