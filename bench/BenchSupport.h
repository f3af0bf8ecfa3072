// What the benchmarks share: the clock they time with, the median of their rounds, the
// folder of the running benchmark, and the run that reports what stopped it.
#pragma once
#include "app/RegistryViews.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
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

// The least any lister of the installed programs does, in every registry view the program
// lists: enumerate HKEY_LOCAL_MACHINE's Uninstall key, open each entry, read each of values.
// The values found.
inline size_t BareUninstallWalk(std::initializer_list<const wchar_t*> values) {
    size_t found = 0;
    wchar_t name[256];
    BYTE data[4096];
    for (TRegistryView view : RegistryViews()) {
        TKeyHandle root;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                          KEY_READ | ViewAccess(view), root.Put()) != ERROR_SUCCESS)
            continue;
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            TKeyHandle key;
            if (RegOpenKeyExW(root.Get(), name, 0, KEY_QUERY_VALUE | ViewAccess(view), key.Put()) != ERROR_SUCCESS)
                continue;
            for (const wchar_t* value : values) {
                DWORD size = sizeof data, type = 0;
                if (RegQueryValueExW(key.Get(), value, nullptr, &type, data, &size) == ERROR_SUCCESS) ++found;
            }
        }
    }
    return found;
}

// The registry view the i-th of a benchmark's planted entries goes to: on 64-bit Windows
// blocks of ten alternate between the views, so that each holds half.
inline TRegistryView PlantingView(int i) {
    const std::vector<TRegistryView> views = RegistryViews();
    return views[static_cast<size_t>(i / 10) % views.size()];
}

// The build and the Windows the figures were measured on: the same code costs differently
// in a 32-bit process under WOW64 than in a native one.
inline void PrintPlatform() {
    const char* build = sizeof(void*) == 8 ? "x86_64" : "i686";
    const char* prefix = !Is64BitWindows() ? "32-bit Windows"
                         : sizeof(void*) == 8 ? "64-bit Windows"
                                              : "64-bit Windows (a 32-bit process under WOW64)";
    std::printf("build %s, prefix of %s\n", build, prefix);
}

// run's exit code; a framework exception that ends it is printed and gives 1. Prints the
// platform first.
inline int RunReportingFailure(int (*run)()) {
    PrintPlatform();
    try {
        return run();
    } catch (const Exception& e) {
        std::printf("failed: %s\n", e.Message().c_str());
        return 1;
    }
}

}  // namespace bench
