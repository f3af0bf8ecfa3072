#include "framework/ComObj.h"

// ---- HRESULT checking -----------------------------------------------------------------------

namespace {

std::string TakeErrorInfoText() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
    BStr description;
    if (FAILED(info->GetDescription(description.Put()))) return {};
    return FromWide(description.Str());
}

std::string OleErrorText(HRESULT code) {
    std::string text = TakeErrorInfoText();
    if (text.empty()) text = SysErrorMessage(static_cast<DWORD>(code));
    if (text.empty()) text = "OLE error " + IntToHex(static_cast<uint32_t>(code), 8);
    return text;
}

} // namespace

void OleError(HRESULT code) { throw EOleSysError(OleErrorText(code), code); }

void ClearOleErrorInfo() { SetErrorInfo(0, nullptr); }

// ---- BSTR conversions -----------------------------------------------------------------------

std::wstring BStrToWide(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

std::string BStrToString(BSTR s) { return FromWide(BStrToWide(s)); }

BStr StringToBStr(const std::string& s) { return BStr(ToWide(s)); }

// ---- COM on the GUI thread ------------------------------------------------------------------

TComInit::TComInit() : hr_(OleInitialize(nullptr)) {}

TComInit::~TComInit() {
    if (SUCCEEDED(hr_)) OleUninitialize();
}

void EnsureComInitialized() {
    // S_FALSE: whoever set the thread up owns that; give back the count just taken.
    // S_OK: this thread had nothing, and the apartment entered here stays for good.
    if (OleInitialize(nullptr) == S_FALSE) OleUninitialize();
}

// ---- Server registration ------------------------------------------------------------------

void RegisterComServer(const std::string& dllFullPath) {
    // A relative name would send LoadLibrary down the search path; pin it to a folder.
    const std::string path = PathIsRelativeA(dllFullPath.c_str()) ? ExpandFileName(dllFullPath) : dllFullPath;

    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    TModuleHandle module(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    const DWORD loadError = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (!module) throw EOSError(SysErrorMessage(loadError) + ": " + path, loadError);

    using TRegisterProc = HRESULT(STDAPICALLTYPE*)();
    auto registerProc = reinterpret_cast<TRegisterProc>(GetProcAddress(module.Get(), "DllRegisterServer"));
    if (!registerProc) throw EOleError(path + " has no DllRegisterServer entry point");

    ClearOleErrorInfo();
    const HRESULT hr = registerProc();
    if (FAILED(hr)) throw EOleSysError(OleErrorText(hr) + ": " + path, hr);
}

// ---- TOleServer -----------------------------------------------------------------------------

IMPLEMENT_CLASS(TOleServer);

void TOleServer::Publish(TClassBuilder<TOleServer>& b) {
    b.Prop("AutoConnect", &TOleServer::AutoConnect, &TOleServer::SetAutoConnect).Default = TValue::MakeIdent("False");
    b.Prop("ConnectKind", &TOleServer::ConnectKind, &TOleServer::SetConnectKind).Default =
        TValue::MakeIdent("ckRunningOrNew");
    b.Prop("RemoteMachineName", &TOleServer::RemoteMachineName, &TOleServer::SetRemoteMachineName);
}

TOleServer::TOleServer(TComponent* AOwner) : TComponent(AOwner) {}

const TServerData& TOleServer::ServerData() {
    if (!serverDataSet_) {
        InitServerData(serverData_);
        serverDataSet_ = true;
    }
    return serverData_;
}

void TOleServer::AfterConstruction() {
    inherited::AfterConstruction();
    ServerData();
}

void TOleServer::Loaded() {
    inherited::Loaded();
    if (autoConnect_) Connect();
}

void TOleServer::Destroying() {
    Disconnect();
    inherited::Destroying();
}

ComPtr<IUnknown> TOleServer::GetServer() {
    EnsureComInitialized();
    const CLSID& clsid = ServerData().ClassID;
    ComPtr<IUnknown> server;
    switch (connectKind_) {
    case TConnectKind::ckRunningOrNew:
        if (SUCCEEDED(GetActiveObject(clsid, nullptr, server.Put())) && server) return server;
        ClearOleErrorInfo();
        [[fallthrough]];
    case TConnectKind::ckNewInstance:
        OleCheck(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                  server.PutVoid()));
        return server;
    case TConnectKind::ckRunningInstance:
        OleCheck(GetActiveObject(clsid, nullptr, server.Put()));
        if (!server) OleError(MK_E_UNAVAILABLE);
        return server;
    case TConnectKind::ckRemote: {
        std::wstring machine = ToWide(remoteMachineName_);
        COSERVERINFO serverInfo{};
        serverInfo.pwszName = machine.data();
        MULTI_QI qi{&IID_IUnknown, nullptr, S_OK};
        const HRESULT hr = CoCreateInstanceEx(clsid, nullptr, CLSCTX_REMOTE_SERVER | CLSCTX_LOCAL_SERVER,
                                              machine.empty() ? nullptr : &serverInfo, 1, &qi);
        OleCheck(hr);
        server = ComPtr<IUnknown>(qi.pItf, false);
        OleCheck(qi.hr);
        return server;
    }
    case TConnectKind::ckAttachToInterface:
        break;
    }
    throw EOleError(ClassName() + " with ConnectKind " + EnumToIdent(connectKind_) +
                    " connects only to the interface handed to it");
}
