#include "fn/values/random/ScopedRandomEngine.h"

#include "fn/values/random/RandomFunctions.h"

namespace fn {

ScopedRandomEngine::ScopedRandomEngine(boost::random::mt19937& engine)
    : m_previous(setThreadRandomEngine(&engine))
{
}

ScopedRandomEngine::~ScopedRandomEngine()
{
    setThreadRandomEngine(m_previous);
}

} // namespace fn
