// entity: choosing the legal entity and the fiscal year (handlers of Crt_Ondrel), and
// the padding of codes. Stands on control.
#pragma once

#include <string>

namespace ondrel {

inline constexpr std::size_t kCodeLength = 3;

// Entity and key codes are three digits, left-padded with "0": "7" becomes "007".
std::string padCode(const std::string& code);
// Three characters, whatever they are: the code is complete and is looked up.
bool isWholeCode(const std::string& code);

}  // namespace ondrel
