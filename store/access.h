#pragma once

namespace ondrel {

// How a database is opened: for writing where the file or the server allows it, or
// as asked.
enum class Access { Automatic, ReadWrite, ReadOnly };

}  // namespace ondrel
