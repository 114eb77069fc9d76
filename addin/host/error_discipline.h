// The add-in's error discipline: errors are reported, never thrown into the host.
#pragma once

#include <string_view>
#include <type_traits>
#include <utility>

#include "addin/host/mTorvik.h"
#include "automation/error.h"

namespace brisko {

// A procedure that traps: a run-time error is written with LogError under the procedure's name
// and the procedure returns its empty result (or the given fallback). The pending error is
// cleared when the procedure is left, as on leaving a procedure that has a handler.
template <class F, class R = std::invoke_result_t<F&>>
R Trapped(std::wstring_view procedure, F&& body, R fallback = R{}) noexcept(std::is_nothrow_move_constructible_v<R>) {
    try {
        R result = body();
        Err().Clear();
        return result;
    } catch (...) {
        Err().Set(CurrentError());
        LogError(procedure);
        Err().Clear();
        return fallback;
    }
}

template <class F>
    requires std::is_void_v<std::invoke_result_t<F&>>
void Trapped(std::wstring_view procedure, F&& body) noexcept {
    try {
        body();
    } catch (...) {
        Err().Set(CurrentError());
        LogError(procedure);
    }
    Err().Clear();
}

// A trap whose handler does its own reporting: on an error, handler() runs with the error pending.
template <class F, class H>
void TrappedWith(F&& body, H&& handler) noexcept {
    try {
        body();
    } catch (...) {
        Err().Set(CurrentError());
        try {
            handler();
        } catch (...) {
        }
    }
    Err().Clear();
}

// Resumes after each failing statement: next([&]{ ... }) runs one statement; its error stays
// pending in Err() until the next failing statement or the end of the procedure.
class ResumeNext {
public:
    template <class F>
    bool operator()(F&& statement) noexcept {
        try {
            statement();
            return true;
        } catch (...) {
            Err().Set(CurrentError());
            return false;
        }
    }
};

// A procedure that resumes after every error and reports nothing.
template <class F>
void Resuming(F&& body) noexcept {
    ResumeNext next;
    try {
        body(next);
    } catch (...) {
    }
    Err().Clear();
}

// The guard around every entry from the host: nothing escapes, whatever the body throws.
template <class F>
void EntryGuard(std::wstring_view procedure, F&& body) noexcept {
    try {
        body();
    } catch (...) {
        try {
            Err().Set(CurrentError());
            LogError(procedure);
        } catch (...) {
        }
    }
    Err().Clear();
}

}  // namespace brisko
