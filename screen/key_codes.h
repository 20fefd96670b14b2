#pragma once

namespace ondrel {

inline constexpr int kBackspace = 8;
inline constexpr int kEnter = 13;

inline bool isDigitKey(int keyAscii) {
    return keyAscii >= '0' && keyAscii <= '9';
}

}  // namespace ondrel
