#pragma once

#include <stdexcept>

namespace sim {

// A failure of the simulator itself or of its input (bad module, bad project file, bad step).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The browser the page runs in is gone (it exited, crashed or closed its pipe): nothing more can
// reach the page.
class BrowserGoneError : public Error {
public:
    using Error::Error;
};

}  // namespace sim
