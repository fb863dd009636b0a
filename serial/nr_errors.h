#pragma once
#include <stdexcept>

// The general error class of the serial component: raised by a failed opening.
class EnrCommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
