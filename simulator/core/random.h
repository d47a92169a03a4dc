// The simulator's pseudo-random integers: a linear congruential generator whose sequence is the
// same on every run, so a simulation can be replayed.
#pragma once

#include <cstdint>

namespace moxlan {

class CRandomGenerator
{
public:
    static constexpr int kMax = 32767;

    // The next integer in 0 ... kMax.
    int next() noexcept
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_state = 1;
};

// The one generator of the process, starting from state 1 and never reseeded. Used from the
// simulation thread only.
CRandomGenerator& processRandom() noexcept;

} // namespace moxlan
