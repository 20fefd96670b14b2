#include <gtest/gtest.h>

#include "screen/utf8_text.h"

namespace ondrel {

// Well-formed or not, wherever the fault stands: in a run of plain ASCII read eight
// bytes at a time, at its edge, or at the end of the text.
TEST(Utf8Text, EveryMalformedSequenceIsFoundWhereverItStands) {
    const std::string ascii8 = "abcdefgh", ascii16 = ascii8 + ascii8;
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},
        {ascii16, true},
        {ascii8 + "é" + ascii8, true},
        {"é" + ascii16 + "€" + "\xF0\x9F\x98\x80", true},
        {ascii8 + "\xC3", false},                    // cut at the end, after a run
        {ascii16 + "\xA9", false},                   // a continuation alone
        {"abc\xC3" + ascii8, false},                 // a lead byte followed by ASCII
        {ascii8 + "\xC0\xAF" + ascii8, false},       // overlong
        {ascii8 + "\xED\xA0\x80" + ascii8, false},   // a surrogate
        {ascii8 + "\xF4\x90\x80\x80", false},        // past U+10FFFF
        {"abcdefg\xFF", false},                      // in the last byte of a run of eight
    };
    for (const auto& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.text;
}

}  // namespace ondrel
