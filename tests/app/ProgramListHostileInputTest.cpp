// The real component behind the program's binding, fed with what a hostile user can plant:
// the list fill and the details readers must get through every row.
#include "app/QuorbelLib_TLB.h"
#include "common/HostileInput.h"
#include "framework/Forms.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <set>

namespace {

struct TRow {
    std::string Caption, Publisher, Directory;
};

struct TFill {
    std::vector<TRow> Programs, Savers;
    std::vector<LONG> Entries;  // the Item index of each program row
};

// What the main window's list fill reads, in its order.
TFill FillLikeTheMainWindow(TProgramList& list) {
    TFill fill;
    list.RefreshPrograms();
    ULONG n = 0;
    list.ProgramCount(n);
    for (LONG i = 0; i < static_cast<LONG>(n); ++i) {
        ComPtr<IProgramItem> e;
        list.Item(i, e);
        if (!e) break;
        ItemValue(e.Get(), &IProgramItem::IsSystemPatch);
        TRow row;
        row.Caption = ItemText(e.Get(), &IProgramItem::DisplayName);
        if (row.Caption.empty()) row.Caption = ItemText(e.Get(), &IProgramItem::RegistryName);
        row.Publisher = ItemText(e.Get(), &IProgramItem::Publisher);
        row.Directory = ItemText(e.Get(), &IProgramItem::InstallLocation);
        ItemValue(e.Get(), &IProgramItem::IconIndex);
        fill.Programs.push_back(row);
        fill.Entries.push_back(i);
    }
    list.RefreshScreenSavers();
    ULONG m = 0;
    list.ScreenSaverCount(m);
    for (LONG j = 0; j < static_cast<LONG>(m); ++j) {
        std::wstring file, display, publisher, folder;
        LONG image = 0;
        list.ScreenSaverFileName(j, file);
        list.ScreenSaverDisplayName(j, display);
        list.ScreenSaverIconIndex(j, image);
        list.ScreenSaverPublisher(j, publisher);
        list.ScreenSaverDirectory(j, folder);
        fill.Savers.push_back({FromWide(display.empty() ? file : display), FromWide(publisher), FromWide(folder + file)});
    }
    return fill;
}

// What the details window reads for one entry, after handing back its registry name.
void ReadDetails(TProgramList& list, LONG index) {
    ComPtr<IProgramItem> e;
    list.Item(index, e);
    ASSERT_TRUE(e);
    ItemLoadDetails(e.Get(), ItemText(e.Get(), &IProgramItem::RegistryName));
    ItemValue(e.Get(), &IProgramItem::Size);
    for (auto read : {&IProgramItem::InstallDate, &IProgramItem::LastUsed, &IProgramItem::InstallLocation,
                      &IProgramItem::Version, &IProgramItem::Publisher, &IProgramItem::HelpLink,
                      &IProgramItem::AboutLink, &IProgramItem::UpdateLink})
        ItemText(e.Get(), read);
    ItemValue(e.Get(), &IProgramItem::UsageCount);
    const ULONG values = ItemValue(e.Get(), &IProgramItem::RegistryValueCount);
    for (LONG v = 0; v < static_cast<LONG>(values); ++v) {
        ItemText(e.Get(), &IProgramItem::RegistryValueName, v);
        ItemText(e.Get(), &IProgramItem::RegistryValueData, v);
    }
}

class ProgramListHostileInput : public testing::Test {
protected:
    void SetUp() override {
        const std::string dll = ExtractFilePath(Application->ExeName()) + "Quorbel.dll";
        if (!FileExists(dll)) GTEST_SKIP() << "Quorbel.dll is not built beside the tests";
        RegisterComServer(dll);
        hostile::SetLongVariable();
        hostile::PlantMalformedEntries(entries_);
        ASSERT_TRUE(files_.Ok());
        binding_.reset(TProgramList::Create(nullptr));
    }

    const TRow* Program(const TFill& fill, const std::string& caption) {
        for (const auto& row : fill.Programs)
            if (row.Caption == caption) return &row;
        return nullptr;
    }

    TComInit com_;
    hostile::TPlantedEntries entries_{L"VelmoraAHostile_", hostile::kOwnView};
    hostile::TPlantedFiles files_{hostile::MalformedScreenSavers()};
    TFreeGuard<TProgramList> binding_;
};

} // namespace

TEST_F(ProgramListHostileInput, FillListsEveryRowPastMalformedInput) {
    TFill fill;
    ASSERT_NO_THROW(fill = FillLikeTheMainWindow(*binding_));
    std::set<std::string> ours;
    for (const auto& row : fill.Programs)
        if (row.Caption.rfind("Velmora Hostile ", 0) == 0) ours.insert(row.Caption.substr(16));
    EXPECT_EQ(ours, (std::set<std::string>{"First", "Numbers", "OneByte", "ShortDword", "BadDate", "LongExpand", "Wide",
                                           "Last"}));
    const TRow* first = Program(fill, "Velmora Hostile First");
    const TRow* numbers = Program(fill, "Velmora Hostile Numbers");
    const TRow* last = Program(fill, "Velmora Hostile Last");
    const TRow* expand = Program(fill, "Velmora Hostile LongExpand");
    ASSERT_TRUE(first && numbers && last && expand);
    EXPECT_EQ(first->Publisher, "First Publisher");
    EXPECT_EQ(numbers->Publisher, "");
    EXPECT_EQ(numbers->Directory, "");
    EXPECT_EQ(last->Publisher, "Last Publisher");
    EXPECT_EQ(expand->Directory, FromWide(hostile::LongExpandText())) << "past the system's limit: as stored";

    for (const auto& saver : hostile::MalformedScreenSavers()) {
        SCOPED_TRACE(FromWide(saver.FileName));
        const std::string path = FromWide(hostile::TPlantedFiles::Folder() + saver.FileName);
        auto row = std::find_if(fill.Savers.begin(), fill.Savers.end(), [&](const TRow& r) { return r.Directory == path; });
        ASSERT_NE(row, fill.Savers.end());
        EXPECT_EQ(row->Caption, FromWide(saver.DisplayName.empty() ? saver.FileName : saver.DisplayName));
        EXPECT_EQ(row->Publisher, FromWide(saver.Publisher));
    }
}

TEST_F(ProgramListHostileInput, DetailsReadEveryPlantedEntryIncludingOneNamedOutsideTheCodePage) {
    const TFill fill = FillLikeTheMainWindow(*binding_);
    int read = 0;
    for (size_t r = 0; r < fill.Programs.size(); ++r) {
        if (fill.Programs[r].Caption.rfind("Velmora Hostile ", 0) != 0) continue;
        SCOPED_TRACE(fill.Programs[r].Caption);
        EXPECT_NO_THROW(ReadDetails(*binding_, fill.Entries[r]));
        ++read;
    }
    EXPECT_EQ(read, 8);

    // The name the program hands back has lost what the code page lacks.
    const std::wstring wide = hostile::WideEntryName(entries_);
    ASSERT_NE(ToWide(FromWide(wide)), wide);
    auto row = std::find_if(fill.Programs.begin(), fill.Programs.end(),
                            [](const TRow& r) { return r.Caption == "Velmora Hostile Wide"; });
    ASSERT_NE(row, fill.Programs.end());
    ComPtr<IProgramItem> e;
    binding_->Item(fill.Entries[static_cast<size_t>(row - fill.Programs.begin())], e);
    ASSERT_TRUE(e);
    const std::string name = ItemText(e.Get(), &IProgramItem::RegistryName);
    EXPECT_EQ(name, FromWide(wide));
    ASSERT_NO_THROW(ItemLoadDetails(e.Get(), name));
    EXPECT_EQ(ItemText(e.Get(), &IProgramItem::Version), "1.0");
}

// ---- Resources over repeated listings -----------------------------------------------------

namespace {

// Handles the process holds: every value GetHandleInformation accepts (handle values are
// small multiples of four, given out lowest first).
int OpenHandles() {
    int n = 0;
    DWORD flags = 0;
    for (UINT_PTR h = 4; h < 0x10000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}

// Committed memory private to the process.
SIZE_T PrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION m{};
    for (BYTE* p = nullptr; VirtualQuery(p, &m, sizeof m) == sizeof m;) {
        if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
        BYTE* next = static_cast<BYTE*>(m.BaseAddress) + m.RegionSize;
        if (next <= p) break;
        p = next;
    }
    return total;
}

} // namespace

TEST_F(ProgramListHostileInput, RepeatedFullListingsKeepHandlesAndMemoryFlat) {
    for (int i = 0; i < 200; ++i) {
        entries_.Add(L"M_" + std::to_wstring(i), [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", L"Velmora Many " + std::to_wstring(i));
            hostile::SetText(k, L"UninstallString", L"\"C:\\Program Files\\Many\\unins" + std::to_wstring(i) + L".exe\"");
            hostile::SetText(k, L"Publisher", L"Many Publishers");
            hostile::SetText(k, L"DisplayIcon", L"shell32.dll," + std::to_wstring(i % 5));
        });
    }
    auto listing = [&] {
        const TFill fill = FillLikeTheMainWindow(*binding_);
        for (size_t r = 0; r < fill.Programs.size(); r += 7) ReadDetails(*binding_, fill.Entries[r]);
        return fill.Programs.size();
    };
    for (int warm = 0; warm < 3; ++warm) ASSERT_GE(listing(), 200u);
    const int handles = OpenHandles();
    const SIZE_T bytes = PrivateBytes();
    for (int i = 0; i < 20; ++i) ASSERT_GE(listing(), 200u);
    EXPECT_LE(OpenHandles(), handles + 2);
    EXPECT_LT(PrivateBytes(), bytes + 1024 * 1024) << "grew from " << bytes;
}
