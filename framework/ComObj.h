// COM support: HRESULT checking, BSTR conversions, COM start-up on the GUI thread, the
// registration of in-process servers, and TOleServer, the component that wraps one server.
#pragma once
#include "framework/Classes.h"

#include <string>

// ---- HRESULT checking -----------------------------------------------------------------------

// Raises EOleSysError for code. The message is the description of the thread's error
// object when the failing component left one, else the system's text for the code.
[[noreturn]] void OleError(HRESULT code);
inline HRESULT OleCheck(HRESULT code) {
    if (FAILED(code)) OleError(code);
    return code;
}
// Drops the thread's error object, so that a later failure is not reported with the text
// of an older one (components leave error objects behind on success too).
void ClearOleErrorInfo();

// ---- BSTR conversions -----------------------------------------------------------------------

// The program's strings are in the system code page; a null BSTR is the empty string.
std::string BStrToString(BSTR s);
std::wstring BStrToWide(BSTR s);
BStr StringToBStr(const std::string& s);

// ---- COM on the GUI thread ------------------------------------------------------------------

// Initialises OLE on the calling thread (single-threaded apartment) for the object's
// lifetime. Nests: an inner instance on an initialised thread is harmless.
class TComInit {
public:
    TComInit();
    ~TComInit();
    TComInit(const TComInit&) = delete;
    TComInit& operator=(const TComInit&) = delete;
private:
    HRESULT hr_;
};

// Makes sure the calling thread can use COM, for code that may run before the start-up
// has set it up. The apartment it enters is kept until the thread ends.
void EnsureComInitialized();

// ---- Server registration ------------------------------------------------------------------

// Loads the in-process server at dllFullPath (never through the library search, so a
// planted DLL of the same name elsewhere is not picked up), calls its DllRegisterServer and
// unloads it. The system's box for a missing file is suppressed. Raises:
//   EOSError      the file cannot be loaded: "<system text>: <file>";
//   EOleError     the file has no DllRegisterServer: "<file> has no DllRegisterServer entry point";
//   EOleSysError  DllRegisterServer failed: "<error text>: <file>", ErrorCode its HRESULT.
void RegisterComServer(const std::string& dllFullPath);

// ---- TOleServer -----------------------------------------------------------------------------

enum class TConnectKind { ckRunningOrNew, ckNewInstance, ckRunningInstance, ckRemote, ckAttachToInterface };
DECLARE_ENUM_NAMES(TConnectKind, "ckRunningOrNew", "ckNewInstance", "ckRunningInstance", "ckRemote",
                   "ckAttachToInterface");

struct TServerData {
    CLSID ClassID{};
    IID IntfIID{};
    IID EventIID{};   // all zero: the server raises no events
    int Version = 0;
};

// A component standing for one COM server object. A binding derives from it, sets the
// server data in InitServerData and holds its typed default interface between Connect
// and Disconnect; this base finds the server object according to ConnectKind.
class TOleServer : public TComponent {
    DECLARE_CLASS(TOleServer, TComponent)
    explicit TOleServer(TComponent* AOwner);

    static void Publish(TClassBuilder<TOleServer>& b);

    bool AutoConnect() const { return autoConnect_; }
    void SetAutoConnect(bool value) { autoConnect_ = value; }
    TConnectKind ConnectKind() const { return connectKind_; }
    void SetConnectKind(TConnectKind value) { connectKind_ = value; }
    const std::string& RemoteMachineName() const { return remoteMachineName_; }
    void SetRemoteMachineName(const std::string& value) { remoteMachineName_ = value; }

    // Set by InitServerData, which runs once, on first need.
    const TServerData& ServerData();

    virtual void Connect() = 0;
    virtual void Disconnect() = 0;

    void AfterConstruction() override;
    void Loaded() override;

protected:
    virtual void InitServerData(TServerData& data) = 0;
    // The server object as ConnectKind says; raises EOleSysError when there is none.
    // ckAttachToInterface has no server to find: the binding is handed its interface.
    ComPtr<IUnknown> GetServer();
    void Destroying() override;

private:
    bool autoConnect_ = false;
    TConnectKind connectKind_ = TConnectKind::ckRunningOrNew;
    std::string remoteMachineName_;
    TServerData serverData_;
    bool serverDataSet_ = false;
};
