#include <cstring>

#include "Bench.h"

// With arguments, runs only the cases whose names contain one of them.
int main(int argc, char** argv) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    for (const auto& c : bench::cases()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc && !wanted; ++i) wanted = std::strstr(c.name, argv[i]) != nullptr;
        if (wanted) c.fn();
    }
    return 0;
}
