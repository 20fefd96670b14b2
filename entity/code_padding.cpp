#include "entity/code_padding.h"

namespace ondrel {

std::string padCode(const std::string& code) {
    return code.size() >= kCodeLength ? code : std::string(kCodeLength - code.size(), '0') + code;
}

}  // namespace ondrel
