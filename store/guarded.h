#pragma once

namespace qarvex {

// Runs one handler's or one step's work. A failure abandons the rest of that work and
// shows nothing; what was done before it stays done. True when the work ran through.
template <typename F>
bool Guarded(F&& work) noexcept {
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace qarvex
