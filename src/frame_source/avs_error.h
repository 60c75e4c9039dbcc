// The exception for every failure reported by AviSynth, carrying its text unchanged.
#pragma once

#include <stdexcept>
#include <string>

namespace bv {

class EAviSynthCException : public std::runtime_error {
public:
    explicit EAviSynthCException(const std::string& message) : std::runtime_error(message) {}
};

} // namespace bv
