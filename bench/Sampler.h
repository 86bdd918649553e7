#pragma once
// A sampling profiler for benchmarks: while a Sampler lives, a thread stops the thread that made
// it about every millisecond and records the return addresses of its stack (unwound through the
// x64 unwind tables). The stop writes one line per sample of hexadecimal addresses, innermost
// first, to the file named by TAV_PROFILE; scripts/profile.py turns them into a table of
// functions. Without TAV_PROFILE it does nothing.
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class Sampler {
public:
    Sampler() {
        const char* out = std::getenv("TAV_PROFILE");
        if (!out || !*out) return;
        path_ = out;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &target_,
                        THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, 0);
        worker_ = std::thread([this] { run(); });
    }
    ~Sampler() {
        if (!target_) return;
        stop_ = true;
        worker_.join();
        CloseHandle(target_);
        if (FILE* f = std::fopen(path_.c_str(), "a")) {
            // The modules first, as "# base size name", so that addresses outside the program
            // can be told by module.
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
            MODULEENTRY32W module{};
            module.dwSize = sizeof(module);
            for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
                std::fprintf(f, "# %llx %lx %ls\n", (unsigned long long)(uintptr_t)module.modBaseAddr,
                             (unsigned long)module.modBaseSize, module.szModule);
            CloseHandle(snapshot);
            for (const auto& stack : samples_) {
                for (DWORD64 a : stack) std::fprintf(f, "%llx ", (unsigned long long)a);
                std::fputc('\n', f);
            }
            std::fclose(f);
        }
    }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

private:
    void run() {
        while (!stop_) {
            Sleep(1);
            if (SuspendThread(target_) == DWORD(-1)) continue;
            // Nothing may allocate while the thread is stopped: it may hold the heap's lock.
            CONTEXT context{};
            context.ContextFlags = CONTEXT_FULL;
            DWORD64 stack[64];
            int depth = 0;
            if (GetThreadContext(target_, &context)) {
                for (; depth < 64 && context.Rip;) {
                    stack[depth++] = context.Rip;
                    DWORD64 base = 0;
                    RUNTIME_FUNCTION* fn = RtlLookupFunctionEntry(context.Rip, &base, nullptr);
                    if (!fn) {
                        // A leaf function: the return address is on top of the stack.
                        context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
                        context.Rsp += 8;
                        continue;
                    }
                    void* handlerData = nullptr;
                    DWORD64 frame = 0;
                    RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip, fn, &context, &handlerData, &frame,
                                     nullptr);
                }
            }
            ResumeThread(target_);
            samples_.emplace_back(stack, stack + depth);
        }
    }

    std::string path_;
    HANDLE target_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread worker_;
    std::vector<std::vector<DWORD64>> samples_;
};

} // namespace bench
