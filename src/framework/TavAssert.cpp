#include "TavAssert.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool>& stopFlag() {
    static std::atomic<bool> stop{kTavCheckedBuild};
    return stop;
}

} // namespace

bool tavStopOnFailure() { return stopFlag().load(); }

void tavSetStopOnFailure(bool stop) { stopFlag().store(stop); }

void tavReportFailure(const char* where, const char* what, UINT message) {
    char text[512];
    std::snprintf(text, sizeof(text), "TavNote: exception in %s (message 0x%04X): %s\n", where ? where : "?",
                  message, what ? what : "unknown exception");
    OutputDebugStringA(text);
    if (!tavStopOnFailure()) return;
    std::fputs(text, stderr);
    std::fflush(stderr);
    std::abort();
}
