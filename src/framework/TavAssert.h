#pragma once
// Failures that must not pass unnoticed: an exception escaping a window procedure or the message
// hook. A checked build (TAVNOTE_CHECKED, which turns on _GLIBCXX_ASSERTIONS) stops there with a
// message on the debugger output and stderr; a release build carries on with the message's
// default answer, since unwinding through the platform's dispatcher is undefined.
#include <windows.h>

#include <exception>

#if defined(TAV_CHECKED) || defined(TAVNOTE_CHECKED) || defined(_GLIBCXX_ASSERTIONS)
#ifndef TAV_CHECKED
#define TAV_CHECKED 1
#endif
inline constexpr bool kTavCheckedBuild = true;
#else
inline constexpr bool kTavCheckedBuild = false;
#endif

// Whether a failure stops the process; the build decides, tests may switch it.
bool tavStopOnFailure();
void tavSetStopOnFailure(bool stop);

// Reports a failure at `where` (a boundary such as "window procedure"); `what` says what went
// wrong, `message` is the window message being handled. Stops the process when
// tavStopOnFailure(), otherwise returns.
void tavReportFailure(const char* where, const char* what, UINT message);

// Runs `body` and returns its result; an exception leaving it is reported and `fallback()` is
// returned instead. For the boundaries where the platform calls into the program.
template <class Body, class Fallback>
auto tavGuardBoundary(const char* where, UINT message, Body&& body, Fallback&& fallback) -> decltype(body()) {
    const char* what = "unknown exception";
    try {
        return body();
    } catch (const std::exception& e) {
        what = e.what();
        tavReportFailure(where, what, message);
    } catch (...) {
        tavReportFailure(where, what, message);
    }
    return fallback();
}
