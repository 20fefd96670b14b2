#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/client_context.h"

namespace ondrel {

class Database;

// The help component of the suite.
class Help {
public:
    virtual ~Help() = default;
    virtual void SetClient(const ClientContext& client) = 0;
    virtual void SetDatabase(std::shared_ptr<Database> db) = 0;
    // Shows a topic; the text returned is the component's own and callers may ignore it.
    virtual std::string ShowHelp(const std::string& topic, const std::string& letter, const std::string& title) = 0;
};

// How a front-end makes the help component at its first use.
using HelpFactory = std::function<std::shared_ptr<Help>()>;

// The folder of the shipped help pages, such as "Ctr_Ondrel.htm".
std::string helpFolder();

}  // namespace ondrel
