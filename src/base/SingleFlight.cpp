#include "base/SingleFlight.h"

namespace amplora {

bool SingleFlight::begin()
{
    if (m_running) {
        m_again = true;
        return false;
    }
    m_running = true;
    m_again = false;
    return true;
}

bool SingleFlight::another()
{
    if (m_again) {
        m_again = false;
        return true;
    }
    m_running = false;
    return false;
}

void SingleFlight::stop()
{
    m_again = false;
}

} // namespace amplora
