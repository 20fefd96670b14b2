#include "platform/install_paths.h"

#include <filesystem>

namespace ondrel {

std::string shippedFolder(const std::string& relative) {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return relative;
    const std::filesystem::path here = program.parent_path();
    for (const auto& folder : {here / ".." / "share" / relative, here / "share" / relative})
        if (std::filesystem::is_directory(folder, ec))
            return std::filesystem::weakly_canonical(folder, ec).string();
    return (here / ".." / "share" / relative).string();
}

}  // namespace ondrel
