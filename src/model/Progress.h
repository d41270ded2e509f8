// The optional progress callback every reader and writer takes: one message string per call.
#pragma once

#include <functional>
#include <string>

namespace tabrix {

using Progress = std::function<void(const std::string& message)>;

// Calls progress with message when a callback was given.
inline void Report(const Progress& progress, const std::string& message) {
    if (progress) progress(message);
}

}  // namespace tabrix
