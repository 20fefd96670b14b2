#pragma once

namespace ondrel {

// The window of the suite on which the control is placed.
class HostWindow {
public:
    virtual ~HostWindow() = default;
    virtual void unload() = 0;
};

}  // namespace ondrel
