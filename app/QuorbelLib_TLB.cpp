#include "app/QuorbelLib_TLB.h"

// The identifiers, once for the program (selectany, so a second copy would merge).
#include "QuorbelLib_i.c"

IMPLEMENT_CLASS(TProgramList);

TProgramList::TProgramList(TComponent* AOwner) : TOleServer(AOwner) {}

void TProgramList::InitServerData(TServerData& data) {
    data.ClassID = CLSID_ProgramList;
    data.IntfIID = IID_IProgramList;
    data.EventIID = IID{};
    data.Version = 500;
}

void TProgramList::Connect() {
    if (intf_) return;
    ComPtr<IUnknown> server = GetServer();
    ComPtr<IProgramList> list;
    ClearOleErrorInfo();
    OleCheck(server.As(ServerData().IntfIID, list));
    if (!list) OleError(E_NOINTERFACE);
    intf_ = std::move(list);
}

void TProgramList::ConnectTo(IProgramList* intf) {
    Disconnect();
    intf_ = ComPtr<IProgramList>(intf);
}

void TProgramList::Disconnect() { intf_.Reset(); }

IProgramList* TProgramList::GetDefaultInterface() {
    if (!intf_) Connect();
    return intf_.Get();
}

IProgramList* TProgramList::Target() {
    IProgramList* intf = GetDefaultInterface();
    ClearOleErrorInfo();
    return intf;
}

void TProgramList::ReadText(HRESULT (STDMETHODCALLTYPE IProgramList::*method)(LONG, BSTR*), LONG index,
                            std::wstring& value) {
    value.clear();
    BStr text;
    OleCheck((Target()->*method)(index, text.Put()));
    value = text.Str();
}

void TProgramList::Item(LONG Index, ComPtr<IProgramItem>& Value) {
    Value.Reset();
    OleCheck(Target()->Item(Index, Value.Put()));
}

void TProgramList::ProgramCount(ULONG& Value) {
    Value = 0;
    OleCheck(Target()->ProgramCount(&Value));
}

void TProgramList::ScreenSaverCount(ULONG& Value) {
    Value = 0;
    OleCheck(Target()->ScreenSaverCount(&Value));
}

void TProgramList::ScreenSaverFileName(LONG Index, std::wstring& Value) {
    ReadText(&IProgramList::ScreenSaverFileName, Index, Value);
}

void TProgramList::ScreenSaverPublisher(LONG Index, std::wstring& Value) {
    ReadText(&IProgramList::ScreenSaverPublisher, Index, Value);
}

void TProgramList::ScreenSaverDirectory(LONG Index, std::wstring& Value) {
    ReadText(&IProgramList::ScreenSaverDirectory, Index, Value);
}

void TProgramList::ScreenSaverDisplayName(LONG Index, std::wstring& Value) {
    ReadText(&IProgramList::ScreenSaverDisplayName, Index, Value);
}

void TProgramList::ScreenSaverIconIndex(LONG Index, LONG& Value) {
    Value = 0;
    OleCheck(Target()->ScreenSaverIconIndex(Index, &Value));
}

void TProgramList::ScreenSaverSize(LONG Index, ULONG& Value) {
    Value = 0;
    OleCheck(Target()->ScreenSaverSize(Index, &Value));
}

void TProgramList::ScreenSaverLastUsed(LONG Index, std::wstring& Value) {
    ReadText(&IProgramList::ScreenSaverLastUsed, Index, Value);
}

void TProgramList::RefreshPrograms() { OleCheck(Target()->RefreshPrograms()); }

void TProgramList::RefreshScreenSavers() { OleCheck(Target()->RefreshScreenSavers()); }

void TProgramList::ProgramView(LONG Index, LONG& Value) {
    Value = 0;
    OleCheck(Target()->ProgramView(Index, &Value));
}

// ---- Reading an entry ---------------------------------------------------------------------

std::string ItemText(IProgramItem* item, TItemTextMethod method) { return FromWide(ItemWideText(item, method)); }

std::wstring ItemWideText(IProgramItem* item, TItemTextMethod method) {
    if (!item) OleError(E_POINTER);
    BStr text;
    ClearOleErrorInfo();
    OleCheck((item->*method)(text.Put()));
    return text.Str();
}

std::string ItemText(IProgramItem* item, TItemIndexedTextMethod method, LONG index) {
    if (!item) OleError(E_POINTER);
    BStr text;
    ClearOleErrorInfo();
    OleCheck((item->*method)(index, text.Put()));
    return BStrToString(text.Get());
}

void ItemLoadDetails(IProgramItem* item, const std::string& registryName) {
    if (!item) OleError(E_POINTER);
    BStr name = StringToBStr(registryName);
    ClearOleErrorInfo();
    OleCheck(item->LoadDetails(name.Get()));
}

void SetItemComment(IProgramItem* item, const std::string& comment) {
    if (!item) OleError(E_POINTER);
    BStr text = StringToBStr(comment);
    ClearOleErrorInfo();
    OleCheck(item->SetComment(text.Get()));
}
