#include "QuorbelTestSupport.h"
#include "QuorbelLib_i.c"
#include <array>

namespace qtest {

namespace {

HMODULE g_quorbel = nullptr;

// Registers the server by its full path, as the program does at every start, and removes
// it again at the end so that the prefix is left as found.
class QuorbelEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        g_quorbel = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(g_quorbel, nullptr) << "Quorbel.dll not found beside the test exe";
        ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    }
    void TearDown() override {
        CallExport("DllUnregisterServer");
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const g_env = testing::AddGlobalTestEnvironment(new QuorbelEnvironment);

std::wstring ClsidText(REFGUID guid) {
    wchar_t buf[40];
    StringFromGUID2(guid, buf, 40);
    return buf;
}

// The interface's own methods in table order, as Velmora binds them.
std::vector<std::wstring> VtableNames(ITypeLib* lib, REFIID iid) {
    std::vector<std::wstring> names;
    ComPtr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfoOfGuid(iid, info.Put()))) return names;
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    if (attr->typekind == TKIND_DISPATCH) {
        // A dual interface answers with its dispatch view; the table layout is the other one.
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtbl;
        EXPECT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK);
        EXPECT_EQ(info->GetRefTypeInfo(ref, vtbl.Put()), S_OK);
        info->ReleaseTypeAttr(attr);
        info = vtbl;
        info->GetTypeAttr(&attr);
    }
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        info->GetFuncDesc(i, &f);
        BStr name;
        info->GetDocumentation(f->memid, name.Put(), nullptr, nullptr, nullptr);
        // Slot 7 is the first after IUnknown's three and IDispatch's four.
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << FromWide(name.Str());
        EXPECT_EQ(f->callconv, CC_STDCALL);
        names.push_back(name.Str());
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    return names;
}

} // namespace

HMODULE QuorbelModule() { return g_quorbel; }

HRESULT CallExport(const char* name) {
    auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(g_quorbel, name));
    return fn ? fn() : E_FAIL;
}

TEST(QuorbelServer, RegistrationPointsCOMAtThisDllAndItsTypeLibrary) {
    std::wstring clsidKey = L"CLSID\\" + ClsidText(CLSID_ProgramList);
    std::wstring server = ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", nullptr);
    EXPECT_EQ(CompareStringOrdinal(server.c_str(), -1, DllPath().c_str(), -1, TRUE), CSTR_EQUAL) << FromWide(server);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");

    CLSID fromProgId{};
    ASSERT_EQ(CLSIDFromProgID(L"Quorbel.ProgramList", &fromProgId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(fromProgId, CLSID_ProgramList));

    ComPtr<IProgramList> list;
    ASSERT_EQ(CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList, list.PutVoid()), S_OK);
    ComPtr<IUnknown> unk1, unk2;
    ComPtr<IDispatch> disp;
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(list.As(IID_IUnknown, unk1), S_OK);
    ASSERT_EQ(list.As(IID_IDispatch, disp), S_OK);
    ASSERT_EQ(list.As(IID_ISupportErrorInfo, sei), S_OK);
    ASSERT_EQ(sei.As(IID_IUnknown, unk2), S_OK);
    EXPECT_EQ(unk1.Get(), unk2.Get()) << "one identity whichever interface is asked";
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IProgramList), S_OK);
    ComPtr<IClassFactory> notOurs;
    EXPECT_EQ(list.As(IID_IClassFactory, notOurs), E_NOINTERFACE);

    // The server stays loaded while an object lives.
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_FALSE);
    list.Reset(); unk1.Reset(); unk2.Reset(); disp.Reset(); sei.Reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);

    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        GetProcAddress(QuorbelModule(), "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID_IProgramList, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown, aggregated.PutVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_FALSE) << "a server lock keeps the DLL";
    ASSERT_EQ(getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.PutVoid()), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);

    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_QuorbelLib, 1, 0, LOCALE_NEUTRAL, lib.Put()), S_OK);
}

TEST(QuorbelServer, TypeLibraryKeepsTheBoundMethodOrder) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib.Put()), S_OK);
    const std::vector<std::wstring> list = {
        L"Item", L"ProgramCount", L"ScreenSaverCount", L"ScreenSaverFileName", L"ScreenSaverPublisher",
        L"ScreenSaverDirectory", L"ScreenSaverDisplayName", L"ScreenSaverIconIndex", L"ScreenSaverSize",
        L"ScreenSaverLastUsed", L"RefreshPrograms", L"RefreshScreenSavers", L"ProgramIndexOf", L"GetComment",
        L"ScreenSaverIndexOf", L"ScreenSaverPath", L"ComponentVersion", L"ProgramView", L"Reserved19", L"Reserved20"};
    const std::vector<std::wstring> item = {
        L"DisplayName", L"UninstallString", L"RegistryName", L"LoadDetails", L"IsSystemPatch", L"Publisher",
        L"InstallLocation", L"IconIndex", L"UsageCount", L"LastUsed", L"Size", L"InstallDate", L"Version",
        L"HelpLink", L"AboutLink", L"UpdateLink", L"RegistryValueCount", L"RegistryValueName",
        L"RegistryValueData", L"SetComment"};
    EXPECT_EQ(VtableNames(lib.Get(), IID_IProgramList), list);
    EXPECT_EQ(VtableNames(lib.Get(), IID_IProgramItem), item);
}

TEST(QuorbelServer, DispatchInvokesByNameAndReportsErrors) {
    auto list = NewList();
    ASSERT_TRUE(list);
    ComPtr<IDispatch> disp;
    ASSERT_EQ(list.As(IID_IDispatch, disp), S_OK);

    auto dispid = [](IDispatch* d, const wchar_t* name) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << FromWide(name);
        return id;
    };
    DISPID unknown = 0;
    LPOLESTR bogus[] = {const_cast<LPOLESTR>(L"NoSuchMethod")};
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, bogus, 1, LOCALE_USER_DEFAULT, &unknown), DISP_E_UNKNOWNNAME);

    ULONG count = 0;
    ASSERT_EQ(list->ProgramCount(&count), S_OK);
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(disp->Invoke(dispid(disp.Get(), L"ProgramCount"), IID_NULL, LOCALE_USER_DEFAULT,
                           DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(VariantChangeType(&result, &result, 0, VT_I4), S_OK);
    EXPECT_EQ(static_cast<ULONG>(V_I4(&result)), count);

    // The sub-object comes back as a dispatch pointer that can itself be driven by name.
    if (count > 0) {
        VARIANT index;
        V_VT(&index) = VT_I4;
        V_I4(&index) = 0;
        DISPPARAMS args{&index, nullptr, 1, 0};
        VARIANT item;
        VariantInit(&item);
        ASSERT_EQ(disp->Invoke(dispid(disp.Get(), L"Item"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &args,
                               &item, nullptr, nullptr), S_OK);
        ASSERT_EQ(V_VT(&item), VT_DISPATCH);
        VARIANT name;
        VariantInit(&name);
        EXPECT_EQ(V_DISPATCH(&item)->Invoke(dispid(V_DISPATCH(&item), L"RegistryName"), IID_NULL, LOCALE_USER_DEFAULT,
                                            DISPATCH_METHOD, &none, &name, nullptr, nullptr), S_OK);
        EXPECT_EQ(V_VT(&name), VT_BSTR);
        VariantClear(&name);
        VariantClear(&item);
    }

    VARIANT bad;
    V_VT(&bad) = VT_I4;
    V_I4(&bad) = static_cast<LONG>(count);
    DISPPARAMS args{&bad, nullptr, 1, 0};
    EXCEPINFO excep{};
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(disp->Invoke(dispid(disp.Get(), L"Item"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &args, &out,
                           &excep, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, DISP_E_BADINDEX);
    EXPECT_NE(std::wstring(excep.bstrDescription ? excep.bstrDescription : L""), L"");
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
}

TEST(QuorbelServer, UnregisterRemovesTheClassAndRegisterRestoresIt) {
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    ComPtr<IProgramList> list;
    EXPECT_EQ(CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList, list.PutVoid()),
              REGDB_E_CLASSNOTREG);
    CLSID clsid;
    EXPECT_NE(CLSIDFromProgID(L"Quorbel.ProgramList", &clsid), S_OK);
    ComPtr<ITypeLib> lib;
    EXPECT_NE(LoadRegTypeLib(LIBID_QuorbelLib, 1, 0, LOCALE_NEUTRAL, lib.Put()), S_OK);
    EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK) << "unregistering twice is harmless";

    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    EXPECT_TRUE(NewList());
}

} // namespace qtest
