// The binding to Quorbel.dll's program list. IProgramList and IProgramItem, with their
// identifiers, come from the header generated from quorbel/QuorbelLib.idl, so the method
// tables the program calls through are the ones the component implements.
#pragma once
#include "framework/ComObj.h"

#include "QuorbelLib.h"

#include <string>

// The coclass ProgramList behind IProgramList. Not connected until the first call, then
// connected until it is freed (or Disconnect). Every method takes the default interface,
// calls the method of the same name and raises EOleSysError on a failure HRESULT, with
// the component's error text. String results are the caller's variable, emptied first,
// so a failed call leaves no text from an earlier one.
class TProgramList : public TOleServer {
    DECLARE_CLASS(TProgramList, TOleServer)
    explicit TProgramList(TComponent* AOwner);

    void Connect() override;
    void Disconnect() override;
    // Uses intf instead of a server found by ConnectKind (for ckAttachToInterface).
    void ConnectTo(IProgramList* intf);
    // Connects when nothing is held; the pointer stays owned by this component.
    IProgramList* GetDefaultInterface();
    bool Connected() const { return static_cast<bool>(intf_); }

    // Value owns one reference to the entry, or is empty when the component returned none.
    void Item(LONG Index, ComPtr<IProgramItem>& Value);
    void ProgramCount(ULONG& Value);
    void ScreenSaverCount(ULONG& Value);
    void ScreenSaverFileName(LONG Index, std::wstring& Value);
    void ScreenSaverPublisher(LONG Index, std::wstring& Value);
    void ScreenSaverDirectory(LONG Index, std::wstring& Value);
    void ScreenSaverDisplayName(LONG Index, std::wstring& Value);
    void ScreenSaverIconIndex(LONG Index, LONG& Value);
    void ScreenSaverSize(LONG Index, ULONG& Value);
    void ScreenSaverLastUsed(LONG Index, std::wstring& Value);
    void RefreshPrograms();
    void RefreshScreenSavers();
    // The registry view (64 or 32, as TRegistryView numbers them) the program at Index was
    // read from: its key, comment and registry commands are that view's.
    void ProgramView(LONG Index, LONG& Value);

protected:
    void InitServerData(TServerData& data) override;

private:
    // The default interface with the thread's stale error object dropped, ready for a call.
    IProgramList* Target();
    void ReadText(HRESULT (STDMETHODCALLTYPE IProgramList::*method)(LONG, BSTR*), LONG index, std::wstring& value);
    ComPtr<IProgramList> intf_;
};

// ---- Reading an entry ---------------------------------------------------------------------
// The main window reads IProgramItem directly. These call one method, check the HRESULT like
// TProgramList does, and convert between BSTRs and the system code page. A null item
// raises EOleSysError (E_POINTER): callers test Item's result before reading it.

using TItemTextMethod = HRESULT (STDMETHODCALLTYPE IProgramItem::*)(BSTR*);
using TItemIndexedTextMethod = HRESULT (STDMETHODCALLTYPE IProgramItem::*)(LONG, BSTR*);

// ItemText(item, &IProgramItem::DisplayName)
std::string ItemText(IProgramItem* item, TItemTextMethod method);
// The text exactly as the component gave it, for what the program hands on (commands, key
// names, folders): the code page conversion of ItemText may lose characters.
std::wstring ItemWideText(IProgramItem* item, TItemTextMethod method);
// ItemText(item, &IProgramItem::RegistryValueName, i)
std::string ItemText(IProgramItem* item, TItemIndexedTextMethod method, LONG index);

// ItemValue(item, &IProgramItem::IconIndex) -> LONG; UsageCount -> ULONG; Size -> FLOAT.
template <class T>
T ItemValue(IProgramItem* item, HRESULT (STDMETHODCALLTYPE IProgramItem::*method)(T*)) {
    if (!item) OleError(E_POINTER);
    T value{};
    ClearOleErrorInfo();
    OleCheck((item->*method)(&value));
    return value;
}

void ItemLoadDetails(IProgramItem* item, const std::string& registryName);
void SetItemComment(IProgramItem* item, const std::string& comment);
