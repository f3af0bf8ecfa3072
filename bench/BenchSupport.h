// What the benchmarks share: the clock they time with, the median of their rounds, the
// folder of the running benchmark, and the run that reports what stopped it.
#pragma once
#include "framework/Forms.h"
#include "framework/SysUtils.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Milliseconds on the performance counter.
inline double Millis() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// The upper median of a non-empty series.
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// With the trailing backslash; Velmora.exe's files (Quorbel.dll, ..\dist) are found from here.
inline std::string ExeFolder() { return ExtractFilePath(Application->ExeName()); }

// run's exit code; a framework exception that ends it is printed and gives 1.
inline int RunReportingFailure(int (*run)()) {
    try {
        return run();
    } catch (const Exception& e) {
        std::printf("failed: %s\n", e.Message().c_str());
        return 1;
    }
}

}  // namespace bench
