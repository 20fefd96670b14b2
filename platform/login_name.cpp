#include "platform/login_name.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace ondrel {

std::string loginName() {
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return pw->pw_name;
    return "utilisateur";
}

}  // namespace ondrel
