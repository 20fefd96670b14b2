#pragma once

#include <string>

namespace ondrel {

// Zone texts count characters, not bytes: "février" is seven characters long.
std::size_t charCount(const std::string& utf8);
// The first n characters.
std::string leftChars(const std::string& utf8, std::size_t n);
// The characters from position start (from 1) to the end.
std::string charsFrom(const std::string& utf8, std::size_t start);
// The text followed by blanks up to n characters (unchanged when already longer).
std::string padRight(const std::string& utf8, std::size_t n);
// Blanks up to n characters, then the text.
std::string padLeft(const std::string& utf8, std::size_t n);
// The text without its last character.
std::string dropLastChar(const std::string& utf8);
// The code of a single character (its Unicode scalar value), or -1 when the text is not one character.
int charCode(const std::string& utf8);
std::string charText(int code);

}  // namespace ondrel
