#pragma once
#include "ComSupport.h"
#include "Programs.h"

namespace quorbel {

// The coclass ProgramList. Both lists are snapshots: the programs are read by
// RefreshPrograms, the screen savers by RefreshScreenSavers, and each is read once on first
// use when the caller has not refreshed it yet. Nothing is read at creation, so that
// connecting stays cheap.
class TProgramList final : public TDispatchObject<IProgramList, IID_IProgramList> {
public:
    static HRESULT Create(REFIID riid, void** ppv) noexcept;

    HRESULT STDMETHODCALLTYPE Item(LONG Index, IProgramItem** Value) override;
    HRESULT STDMETHODCALLTYPE ProgramCount(ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverCount(ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverFileName(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverPublisher(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverDirectory(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverDisplayName(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverIconIndex(LONG Index, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverSize(LONG Index, ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverLastUsed(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override;
    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override;
    HRESULT STDMETHODCALLTYPE ProgramIndexOf(BSTR RegistryName, LONG View, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE GetComment(BSTR RegistryName, LONG View, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverIndexOf(BSTR FileName, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE ScreenSaverPath(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ComponentVersion(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE ProgramView(LONG Index, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Reserved19() override;
    HRESULT STDMETHODCALLTYPE Reserved20() override;

private:
    TProgramList() = default;
    const ProgramSnapshot& Programs();
    const std::vector<ScreenSaver>& Savers();
    const std::shared_ptr<TIconCache>& ProgramIcons();
    // The program at index, or a failure with its error text set.
    HRESULT Program(LONG index, std::shared_ptr<const ProgramEntry>& out);
    // The screen saver at index, or a failure with its error text set.
    HRESULT Saver(LONG index, const ScreenSaver*& out);
    template <class Get>
    HRESULT SaverText(LONG index, BSTR* out, Get get);

    ProgramSnapshot programs_;
    std::vector<ScreenSaver> savers_;
    // Shared with the entries handed out, which may outlive the list.
    std::shared_ptr<TIconCache> programIcons_;
    TIconCache saverIcons_;
    bool programsRead_ = false;
    bool saversRead_ = false;
};

// One program entry. It shares the snapshot it was made from, so it keeps answering the
// same after the list is refreshed; LoadDetails replaces its own snapshot only.
class TProgramItem final : public TDispatchObject<IProgramItem, IID_IProgramItem> {
public:
    TProgramItem(std::shared_ptr<const ProgramEntry> entry, std::shared_ptr<TIconCache> icons) noexcept
        : entry_(std::move(entry)), icons_(std::move(icons)) {}

    HRESULT STDMETHODCALLTYPE DisplayName(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE UninstallString(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE RegistryName(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE LoadDetails(BSTR RegistryName) override;
    HRESULT STDMETHODCALLTYPE IsSystemPatch(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Publisher(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE InstallLocation(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE IconIndex(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE UsageCount(ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE LastUsed(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Size(FLOAT* Value) override;
    HRESULT STDMETHODCALLTYPE InstallDate(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Version(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE HelpLink(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE AboutLink(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE UpdateLink(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE RegistryValueCount(ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE RegistryValueName(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE RegistryValueData(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE SetComment(BSTR Comment) override;

private:
    template <class Get>
    HRESULT Text(BSTR* out, Get get);
    HRESULT ValueAt(LONG index, const RawValue*& out);

    std::shared_ptr<const ProgramEntry> entry_;
    std::shared_ptr<TIconCache> icons_;
};

} // namespace quorbel
