#pragma once

#include <functional>

namespace tvx::engine {

// A window timer of the engine (the watchdog and the delayed filler, 1000 ms each). Enabling a timer
// that is already enabled changes nothing; disabling and enabling starts a new interval.
class Ticker {
public:
    virtual ~Ticker() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    // Called on every tick while enabled, after the events already pending have been handled.
    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }

protected:
    void tick()
    {
        if (m_handler)
            m_handler();
    }

private:
    std::function<void()> m_handler;
};

} // namespace tvx::engine
