// How fast the program list fills from Quorbel.dll, against the registry itself.
//
// Plants 2,000 Uninstall entries in the prefix, half in each registry view of 64-bit
// Windows, then measures side by side, a few rounds each (median):
//   walk     a bare walk of the Uninstall key of each registry view reading the 8 values the
//            fill needs;
//   readers  RefreshPrograms and every reader the list fill calls, icons left out;
//   first    the first fill with icons, on a component just created;
//   second   a fill after a refresh of the unchanged registry, icons included.
// Everything goes through the program's binding (TProgramList), as the main window does.
#include "app/QuorbelLib_TLB.h"
#include "bench/BenchSupport.h"
#include "tests/common/HostileInput.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kEntries = 2000;
constexpr int kRounds = 5;
constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

size_t BareWalk() {
    return BareUninstallWalk({L"DisplayName", L"UninstallString", L"Publisher", L"InstallLocation", L"DisplayIcon",
                              L"SystemComponent", L"ParentKeyName", L"ReleaseType"});
}

// Entries as installers write them, half in each registry view of 64-bit Windows: sixteen
// values, icons from a program file, a numbered icon of a system file, the uninstaller (MSI
// entries) or a file that is gone.
bool PlantEntries(hostile::TPlantedEntries& sixtyFour, hostile::TPlantedEntries& thirtyTwo) {
    using hostile::SetDword, hostile::SetText;
    for (int i = 0; i < kEntries; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"%04d", i);
        hostile::TPlantedEntries& entries = PlantingView(i) == rv64 ? sixtyFour : thirtyTwo;
        const bool planted = entries.Add(name, [&](HKEY k) {
            const std::wstring n = std::to_wstring(i);
            const std::wstring folder = L"C:\\Program Files\\Bench " + n + L"\\";
            SetText(k, L"DisplayName", L"Bench Program " + n);
            SetText(k, L"DisplayVersion", L"1." + n);
            SetText(k, L"Publisher", L"Bench Publisher " + std::to_wstring(i % 50));
            SetText(k, L"InstallLocation", folder);
            SetText(k, L"InstallDate", L"20260101");
            SetText(k, L"URLInfoAbout", L"http://bench.example/" + n);
            SetText(k, L"HelpLink", L"http://bench.example/help");
            SetText(k, L"Comments", L"Planted by the list benchmark");
            SetText(k, L"Contact", L"bench@example.com");
            SetDword(k, L"EstimatedSize", 1024 + i);
            SetDword(k, L"NoModify", 1);
            SetDword(k, L"NoRepair", 1);
            SetDword(k, L"VersionMajor", 1);
            SetDword(k, L"VersionMinor", i);
            switch (i % 4) {
            case 0:
                SetText(k, L"UninstallString", L"\"" + folder + L"unins000.exe\"");
                SetText(k, L"DisplayIcon", L"C:\\windows\\system32\\notepad.exe");
                break;
            case 1:
                SetText(k, L"UninstallString", L"\"" + folder + L"unins000.exe\" /SILENT");
                SetText(k, L"DisplayIcon", L"shell32.dll," + std::to_wstring(i % 10));
                break;
            case 2:
                SetText(k, L"UninstallString",
                        L"MsiExec.exe /X{00000000-0000-0000-0000-00000000" + std::to_wstring(1000 + i) + L"}");
                break;
            default:
                SetText(k, L"UninstallString", folder + L"uninstall.exe");
                SetText(k, L"DisplayIcon", folder + L"bench.exe,0");
                break;
            }
        });
        // The first entry failing means the Uninstall key itself can't be written.
        if (!planted) return i > 0;
    }
    return true;
}

// The list fill of the main window, program rows and screen-saver rows, with or without
// the icon of each row. Returns the rows made.
size_t Fill(TProgramList& list, bool icons, bool screenSavers) {
    size_t rows = 0;
    list.RefreshPrograms();
    ULONG n = 0;
    list.ProgramCount(n);
    for (LONG i = 0; i < static_cast<LONG>(n); ++i) {
        ComPtr<IProgramItem> e;
        list.Item(i, e);
        if (!e) break;
        ItemValue(e.Get(), &IProgramItem::IsSystemPatch);
        std::string caption = ItemText(e.Get(), &IProgramItem::DisplayName);
        if (caption.empty()) caption = ItemText(e.Get(), &IProgramItem::RegistryName);
        std::string publisher = ItemText(e.Get(), &IProgramItem::Publisher);
        std::string folder = ItemText(e.Get(), &IProgramItem::InstallLocation);
        if (icons) ItemValue(e.Get(), &IProgramItem::IconIndex);
        ++rows;
    }
    if (!screenSavers) return rows;
    list.RefreshScreenSavers();
    ULONG m = 0;
    list.ScreenSaverCount(m);
    for (LONG j = 0; j < static_cast<LONG>(m); ++j) {
        std::wstring file, display, publisher, folder;
        LONG image = 0;
        list.ScreenSaverFileName(j, file);
        list.ScreenSaverDisplayName(j, display);
        if (icons) list.ScreenSaverIconIndex(j, image);
        list.ScreenSaverPublisher(j, publisher);
        list.ScreenSaverDirectory(j, folder);
        ++rows;
    }
    return rows;
}

TProgramList* NewBinding() {
    TProgramList* list = TProgramList::Create(nullptr);
    list->SetConnectKind(TConnectKind::ckNewInstance);  // a component of its own: no icons known yet
    return list;
}

template <class F>
double Time(F f) {
    double start = Millis();
    f();
    return Millis() - start;
}

int Run() {
    TComInit com;
    RegisterComServer(ExeFolder() + "Quorbel.dll");
    hostile::TPlantedEntries sixtyFour(L"VelmoraBench_", ViewAccess(rv64)), thirtyTwo(L"VelmoraBench_", ViewAccess(rv32));
    if (!PlantEntries(sixtyFour, thirtyTwo)) {
        std::printf("could not plant the entries\n");
        return 1;
    }
    TFreeGuard<TProgramList> readers(NewBinding());
    std::vector<double> walk, fillReaders, first, second;
    size_t found = 0, rows = 0;
    for (int round = 0; round < kRounds; ++round) {
        walk.push_back(Time([&] { found = BareWalk(); }));
        fillReaders.push_back(Time([&] { rows = Fill(*readers, false, false); }));
        TFreeGuard<TProgramList> fresh(NewBinding());
        first.push_back(Time([&] { Fill(*fresh, true, true); }));
        second.push_back(Time([&] { Fill(*fresh, true, true); }));
    }
    sixtyFour.RemoveAll();
    thirtyTwo.RemoveAll();

    const double base = Median(walk);
    std::printf("%d planted entries, %zu rows listed, %zu values found by the walk; median of %d rounds\n", kEntries,
                rows, found, kRounds);
    std::printf("  bare walk (enum + open + 8 queries), views %8.1f ms\n", base);
    std::printf("  refresh + fill readers, no icons           %8.1f ms  %5.2fx  (goal 1.3x)\n", Median(fillReaders),
                Median(fillReaders) / base);
    std::printf("  first fill with icons                      %8.1f ms  %5.2fx  (goal 0.7x; first round %.1f ms)\n", Median(first),
                Median(first) / base, first.front());
    std::printf("  second fill, unchanged registry, icons     %8.1f ms  %5.2fx  (goal 2x)\n", Median(second),
                Median(second) / base);
    const bool met = Median(fillReaders) <= 1.3 * base && Median(first) <= 0.7 * base && Median(second) <= 2.0 * base;
    std::printf("  goals %s\n", met ? "met" : "NOT met");
    return 0;
}

} // namespace

int main() { return RunReportingFailure(Run); }
