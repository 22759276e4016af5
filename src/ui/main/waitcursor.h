#pragma once

namespace tvx::ui {

// The hourglass for the whole program, held by one owner. Showing it twice shows it once; taking it
// away when it is not shown does nothing; the owner's end takes it away. So however the owner's
// events interleave (load finished, time-out, closing), the program's cursor is never left waiting
// and never restored more often than it was set.
class WaitCursor final {
public:
    WaitCursor() = default;
    ~WaitCursor() { release(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void acquire();
    void release();
    bool isActive() const { return m_active; }

private:
    bool m_active = false;
};

} // namespace tvx::ui
