#include "platform/user_data.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

namespace ondrel {

std::string demoDatabasePath() {
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::filesystem::path(home) / ".local" / "share";
    else
        data = std::filesystem::temp_directory_path();
    return (data / "ondrel" / "demo.db").string();
}

void makeDataFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || ::access(folder.c_str(), W_OK | X_OK) != 0)
        throw std::runtime_error("Le dossier de données « " + folder + " » ne peut pas être " + (ec ? "créé" : "écrit") +
                                 " : vérifiez ses droits, ou choisissez une base avec --db.");
}

}  // namespace ondrel
