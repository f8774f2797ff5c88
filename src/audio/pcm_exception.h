#pragma once
// The exception every audio stream component raises when it is misused. It
// carries only its (English) message.

#include <stdexcept>
#include <string>

class EPcmException : public std::runtime_error {
public:
    explicit EPcmException(const std::string& message) : std::runtime_error(message) {}
};
