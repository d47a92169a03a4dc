#include "simulator/core/random.h"

namespace moxlan {

CRandomGenerator& processRandom() noexcept
{
    static CRandomGenerator generator;
    return generator;
}

} // namespace moxlan
