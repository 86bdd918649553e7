#include "Bench.h"

int main() {
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    for (const auto& c : bench::cases()) c.fn();
    return 0;
}
