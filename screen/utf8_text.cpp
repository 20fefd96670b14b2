#include "screen/utf8_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ondrel {

namespace {
bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset at which character n (from 0) begins, or the size when past the end.
std::size_t offsetOf(const std::string& s, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!isContinuation(s[i]) && count++ == n)
            return i;
    return s.size();
}
}  // namespace

std::size_t charCount(const std::string& utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        n += !isContinuation(c);
    return n;
}

std::string leftChars(const std::string& utf8, std::size_t n) {
    return utf8.substr(0, offsetOf(utf8, n));
}

std::string charsFrom(const std::string& utf8, std::size_t start) {
    return utf8.substr(offsetOf(utf8, start <= 1 ? 0 : start - 1));
}

std::string padRight(const std::string& utf8, std::size_t n, char fill) {
    auto count = charCount(utf8);
    return count >= n ? utf8 : utf8 + std::string(n - count, fill);
}

std::string padLeft(const std::string& utf8, std::size_t n, char fill) {
    auto count = charCount(utf8);
    return count >= n ? utf8 : std::string(n - count, fill) + utf8;
}

std::string trimBlanks(const std::string& text) {
    return std::string(trimmedBlanks(text));
}

std::string_view trimmedBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string excerpt(const std::string& utf8) {
    constexpr std::size_t kShown = 30;
    return charCount(utf8) <= kShown ? utf8 : leftChars(utf8, kShown) + "…";
}

int charCode(const std::string& utf8) {
    if (charCount(utf8) != 1)
        return -1;
    auto b = static_cast<unsigned char>(utf8[0]);
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    int code = b & (0x3F >> extra);
    for (int k = 1; k <= extra && k < static_cast<int>(utf8.size()); ++k)
        code = (code << 6) | (static_cast<unsigned char>(utf8[k]) & 0x3F);
    return code;
}

std::string charText(int code) {
    std::string s;
    auto c = static_cast<unsigned>(code);
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

bool isValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Eight plain ASCII bytes at once: most of a file's text.
        if (std::uint64_t eight = 0; i + 8 <= text.size()) {
            std::memcpy(&eight, text.data() + i, 8);
            if ((eight & 0x8080808080808080u) == 0) {
                i += 8;
                continue;
            }
        }
        auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size())
            return false;
        std::uint32_t code = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(text[i + k]);
            if (!isContinuation(static_cast<char>(c)))
                return false;
            code = (code << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool holdsControlChar(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    return false;
}

std::string controlCharRefusal() {
    return "Ce texte contient un caractère de contrôle (tabulation, saut de ligne…) : saisissez-le de nouveau sans ce "
           "caractère.";
}

bool allDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace ondrel
