#pragma once

#include <string>
#include <string_view>

namespace ondrel {

// Zone texts count characters, not bytes: "février" is seven characters long.
std::size_t charCount(const std::string& utf8);
// The first n characters.
std::string leftChars(const std::string& utf8, std::size_t n);
// The characters from position start (from 1) to the end.
std::string charsFrom(const std::string& utf8, std::size_t start);
// The text followed by fill characters up to n characters (unchanged when already longer).
std::string padRight(const std::string& utf8, std::size_t n, char fill = ' ');
// Fill characters up to n characters, then the text.
std::string padLeft(const std::string& utf8, std::size_t n, char fill = ' ');
// The text without the blanks before and after it.
std::string trimBlanks(const std::string& text);
std::string_view trimmedBlanks(std::string_view text);
// A text quoted in a message: its first characters, "…" where it goes on, so that a
// message never echoes a huge text whole.
std::string excerpt(const std::string& utf8);
// The code of a single character (its Unicode scalar value), or -1 when the text is not one character.
int charCode(const std::string& utf8);
std::string charText(int code);
// Well-formed UTF-8: no stray or missing continuation byte, no overlong form, no
// surrogate, nothing past U+10FFFF.
bool isValidUtf8(const std::string& text);
// Nothing but the digits 0 to 9 (true for the empty text).
bool allDigits(const std::string& text);
// A character below the blank: a tab, a line break, the value separator of the records.
bool holdsControlChar(const std::string& text);
// What the screen says of a code or a label that holds one.
std::string controlCharRefusal();

}  // namespace ondrel
