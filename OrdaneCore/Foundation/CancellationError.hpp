#pragma once

#include <stdexcept>
#include <stop_token>

namespace ordane {

// Thrown by long operations when their stop token asks them to stop.
class CancellationError : public std::runtime_error {
public:
    CancellationError() : std::runtime_error("cancelled") {}
};

inline void checkCancellation(const std::stop_token& token) {
    if (token.stop_requested()) throw CancellationError();
}

}  // namespace ordane
