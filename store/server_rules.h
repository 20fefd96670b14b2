#pragma once

#include <string>

namespace ondrel {

// How a server database lets its roles write: the functions through which every role
// but the owner writes records, and the privileges on the tables. Installed with the
// tables, and again, whole, by every grant of rights.
std::string serverRules();
// Why a session must not go on, in French, as one row: another role may create objects
// in a schema of its path, or owns a function or an operator there, which the session's
// own statements could call in place of the server's. No row when it may.
std::string sessionSchemaRefusal();

// The functions a role that budgets may run, and the version of the rules, kept as the
// comment of the first: a database whose rules are older is brought up to date.
inline constexpr const char* kWriteFunction = "ondrel_write(text[], text[], text[], bigint[], text[], text[])";
inline constexpr const char* kRemoveFunction = "ondrel_remove(text, text, bigint)";
inline constexpr const char* kRemoveAllFunction = "ondrel_remove(text, text[], bigint[])";
inline constexpr const char* kMakeFileFunction = "ondrel_make_file(text)";
inline constexpr const char* kStatisticsFunction = "ondrel_refresh_statistics()";
inline constexpr const char* kRulesVersion = "ondrel rules 19";

}  // namespace ondrel
