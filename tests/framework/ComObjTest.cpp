#include "framework/ComObj.h"
#include <gtest/gtest.h>
#include <stdexcept>

// The exe exports its own DllRegisterServer: loading the running exe by its path hands back
// the module that is already mapped, so RegisterComServer can be driven to a failing
// registration without a DLL built for it. The export is named by a linker directive so that
// i686 exports it undecorated too; with no arguments, cdecl and stdcall are the same call.
static HRESULT g_registerResult = S_OK;
static int g_registerCalls = 0;
extern "C" HRESULT TestDllRegisterServer() {
    ++g_registerCalls;
    return g_registerResult;
}
asm(".section .drectve\n.ascii \" -export:DllRegisterServer=TestDllRegisterServer\"\n.text");

namespace {

const CLSID kTestClsid = {0x5d1e2a47, 0x9c3b, 0x4f80, {0xa6, 0x11, 0x3e, 0x7d, 0x52, 0x90, 0xc4, 0x18}};

void SetThreadError(const wchar_t* text) {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.Put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(text));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(create.As(IID_IErrorInfo, info), S_OK);
    SetErrorInfo(0, info.Get());
}

std::string ExePath() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
}

// An object that counts its references but lives on the test's stack.
class TFakeObject final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++Refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--Refs); }
    LONG Refs = 0;
};

// A binding of the test class; it holds the server's IUnknown.
class TTestServer : public TOleServer {
    DECLARE_CLASS(TTestServer, TOleServer)
    explicit TTestServer(TComponent* AOwner) : TOleServer(AOwner) {}
    void Connect() override {
        if (!Held) Held = GetServer();
    }
    void Disconnect() override { Held.Reset(); }
    ComPtr<IUnknown> Held;
protected:
    void InitServerData(TServerData& data) override {
        data.ClassID = kTestClsid;
        data.IntfIID = IID_IUnknown;
    }
};
IMPLEMENT_CLASS(TTestServer);

class ComObj : public testing::Test {
protected:
    void TearDown() override { ClearOleErrorInfo(); }
    TComInit com_;
};

class ComObjRunning : public ComObj {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterActiveObject(&fake_, kTestClsid, ACTIVEOBJECT_STRONG, &cookie_), S_OK);
    }
    void TearDown() override {
        if (cookie_) RevokeActiveObject(cookie_, nullptr);
        ComObj::TearDown();
    }
    TFakeObject fake_;
    DWORD cookie_ = 0;
};

template <class E, class F>
E Raised(F f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    throw std::runtime_error("nothing raised");
}

} // namespace

// ---- HRESULT checking ----------------------------------------------------------------------

TEST_F(ComObj, FailureCarriesTheComponentsErrorTextAndCode) {
    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
    SetThreadError(L"Entry 4 vanished");
    auto e = Raised<EOleSysError>([] { OleCheck(E_FAIL); });
    EXPECT_EQ(e.Message(), "Entry 4 vanished");
    EXPECT_EQ(e.ErrorCode, E_FAIL);
    // Taken, so it cannot label the next failure.
    auto next = Raised<EOleSysError>([] { OleCheck(E_FAIL); });
    EXPECT_NE(next.Message(), "Entry 4 vanished");
}

TEST_F(ComObj, FailureWithoutErrorObjectUsesSystemTextOrTheCode) {
    const HRESULT known = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    auto e = Raised<EOleSysError>([&] { OleCheck(known); });
    EXPECT_EQ(e.ErrorCode, known);
    std::string system = SysErrorMessage(static_cast<DWORD>(known));
    EXPECT_EQ(e.Message(), system.empty() ? "OLE error 80070002" : system);

    SetThreadError(L"left over from a successful call");
    ClearOleErrorInfo();
    auto unknown = Raised<EOleSysError>([] { OleError(static_cast<HRESULT>(0xA0041234)); });
    EXPECT_EQ(unknown.Message(), "OLE error A0041234");
}

TEST_F(ComObj, BStrConversions) {
    EXPECT_EQ(BStrToString(nullptr), "");
    const std::string text = "Caf\xE9 \"Suite\"";
    BStr b = StringToBStr(text);
    EXPECT_EQ(SysStringLen(b.Get()), text.size());
    EXPECT_EQ(BStrToString(b.Get()), text);
    BStr empty = StringToBStr("");
    ASSERT_NE(empty.Get(), nullptr);   // servers may read an empty BSTR, never a null one
}

// ---- RegisterComServer ------------------------------------------------------------------

TEST_F(ComObj, RegisterMissingFileNamesSystemTextAndFile) {
    const std::string path = "C:\\windows\\temp\\no such folder\\Quorbel.dll";
    auto e = Raised<EOSError>([&] { RegisterComServer(path); });
    EXPECT_NE(e.ErrorCode, 0u);
    EXPECT_EQ(e.Message(), SysErrorMessage(e.ErrorCode) + ": " + path);
    EXPECT_FALSE(SysErrorMessage(e.ErrorCode).empty());
}

TEST_F(ComObj, RegisterDllWithoutEntryPointRaisesAndUnloads) {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    const std::string path = std::string(dir, n) + "\\lz32.dll";
    ASSERT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "pick a DLL the test exe does not load";
    {
        TModuleHandle probe(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(probe) << path;
    }
    try {
        RegisterComServer(path);
        ADD_FAILURE() << "nothing raised";
    } catch (const EOleSysError& e) {
        ADD_FAILURE() << "a missing entry point has no HRESULT: " << e.Message();
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Message(), path + " has no DllRegisterServer entry point");
    }
    EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
}

TEST_F(ComObj, RegisterCallsTheEntryPointAndReportsItsFailure) {
    const std::string exe = ExePath();
    g_registerCalls = 0;
    g_registerResult = S_OK;
    RegisterComServer(exe);
    EXPECT_EQ(g_registerCalls, 1);

    g_registerResult = E_ACCESSDENIED;
    SetThreadError(L"stale text from before the call");
    auto e = Raised<EOleSysError>([&] { RegisterComServer(exe); });
    EXPECT_EQ(g_registerCalls, 2);
    EXPECT_EQ(e.ErrorCode, E_ACCESSDENIED);
    const std::string system = SysErrorMessage(static_cast<DWORD>(E_ACCESSDENIED));
    EXPECT_EQ(e.Message(), (system.empty() ? "OLE error 80070005" : system) + ": " + exe);
    g_registerResult = S_OK;
}

// ---- TOleServer ---------------------------------------------------------------------------

TEST_F(ComObj, PublishedDefaultsAndLayoutText) {
    TFreeGuard<TComponent> owned(FindClass("TTestServer").Create(nullptr));
    auto* server = static_cast<TTestServer*>(owned.get());
    EXPECT_EQ(GetPropText(server, "AutoConnect"), "False");
    EXPECT_EQ(GetPropText(server, "ConnectKind"), "ckRunningOrNew");
    SetPropText(server, "ConnectKind", "ckRemote");
    SetPropText(server, "AutoConnect", "True");
    EXPECT_EQ(server->ConnectKind(), TConnectKind::ckRemote);
    EXPECT_TRUE(server->AutoConnect());
    EXPECT_THROW(SetPropText(server, "ConnectKind", "ckSomewhere"), Exception);
}

TEST_F(ComObj, NothingRunningAndNothingRegisteredFails) {
    TFreeGuard<TTestServer> server(TTestServer::Create(nullptr));
    server->SetConnectKind(TConnectKind::ckRunningInstance);
    auto e = Raised<EOleSysError>([&] { server->Connect(); });
    EXPECT_TRUE(FAILED(e.ErrorCode));
    server->SetConnectKind(TConnectKind::ckRunningOrNew);
    e = Raised<EOleSysError>([&] { server->Connect(); });
    EXPECT_EQ(e.ErrorCode, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(server->Held);
}

TEST_F(ComObjRunning, RunningOrNewAndRunningInstanceFindTheRegisteredObject) {
    for (TConnectKind kind : {TConnectKind::ckRunningOrNew, TConnectKind::ckRunningInstance}) {
        TFreeGuard<TTestServer> server(TTestServer::Create(nullptr));
        server->SetConnectKind(kind);
        server->Connect();
        EXPECT_EQ(server->Held.Get(), static_cast<IUnknown*>(&fake_)) << EnumToIdent(kind);
    }
}

TEST_F(ComObjRunning, NewInstanceAndAttachIgnoreTheRunningObject) {
    TFreeGuard<TTestServer> server(TTestServer::Create(nullptr));
    server->SetConnectKind(TConnectKind::ckNewInstance);
    auto e = Raised<EOleSysError>([&] { server->Connect(); });
    EXPECT_EQ(e.ErrorCode, REGDB_E_CLASSNOTREG);
    server->SetConnectKind(TConnectKind::ckAttachToInterface);
    EXPECT_THROW(server->Connect(), EOleError);
    EXPECT_FALSE(server->Held);
}

TEST_F(ComObjRunning, LoadedConnectsOnlyWithAutoConnectAndFreeReleases) {
    TFreeGuard<TTestServer> manual(TTestServer::Create(nullptr));
    manual->Loaded();
    EXPECT_FALSE(manual->Held);

    TTestServer* automatic = TTestServer::Create(nullptr);
    automatic->SetAutoConnect(true);
    automatic->Loaded();
    ASSERT_TRUE(automatic->Held);
    const LONG held = fake_.Refs;
    automatic->Free();
    EXPECT_EQ(fake_.Refs, held - 1);
}
