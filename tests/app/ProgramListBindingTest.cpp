#include "app/QuorbelLib_TLB.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

std::wstring IndexText(const wchar_t* name, LONG index) {
    return std::wstring(name) + L"#" + std::to_wstring(index) + L" caf\u00e9";
}

// The failure the next call answers with, and the error text it leaves for the caller.
struct TPendingFailure {
    HRESULT Code = S_OK;
    std::wstring Text;
    bool TextOnSuccess = false;   // leave an error object behind but succeed

    HRESULT Answer() {
        HRESULT hr = Code;
        if (!Text.empty() && (FAILED(hr) || TextOnSuccess)) {
            ComPtr<ICreateErrorInfo> create;
            CreateErrorInfo(create.Put());
            create->SetDescription(const_cast<LPOLESTR>(Text.c_str()));
            ComPtr<IErrorInfo> info;
            create.As(IID_IErrorInfo, info);
            SetErrorInfo(0, info.Get());
        }
        *this = TPendingFailure();
        return hr;
    }
};

template <class I>
class TFakeDispatch : public I {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++Refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--Refs); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    LONG Refs = 0;   // lives on the test's stack; counted, never deleted
};

class TFakeItem final : public TFakeDispatch<IProgramItem> {
public:
    explicit TFakeItem(Log& log) : log_(log) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IProgramItem))
            return E_NOINTERFACE;
        *ppv = static_cast<IProgramItem*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP DisplayName(BSTR* v) override { return Text(__func__, L"Caf\u00e9 Suite", v); }
    STDMETHODIMP UninstallString(BSTR* v) override { return Text(__func__, L"unins.exe /x", v); }
    STDMETHODIMP RegistryName(BSTR* v) override { return Text(__func__, L"CafeSuite", v); }
    STDMETHODIMP LoadDetails(BSTR name) override {
        Received = name ? std::wstring(name, SysStringLen(name)) : L"<null>";
        return Call(__func__);
    }
    STDMETHODIMP IsSystemPatch(LONG* v) override { *v = 1; return Call(__func__); }
    STDMETHODIMP Publisher(BSTR* v) override { return Text(__func__, L"Pub", v); }
    STDMETHODIMP InstallLocation(BSTR* v) override { return Text(__func__, L"C:\\Cafe\\", v); }
    STDMETHODIMP IconIndex(LONG* v) override { *v = -3; return Call(__func__); }
    STDMETHODIMP UsageCount(ULONG* v) override { *v = 4000000000u; return Call(__func__); }
    STDMETHODIMP LastUsed(BSTR* v) override { return Text(__func__, L"", v); }
    STDMETHODIMP Size(FLOAT* v) override { *v = 1536.5f; return Call(__func__); }
    STDMETHODIMP InstallDate(BSTR* v) override { return Text(__func__, L"20240131", v); }
    STDMETHODIMP Version(BSTR* v) override { return Text(__func__, L"5.0", v); }
    STDMETHODIMP HelpLink(BSTR* v) override { return Text(__func__, L"h", v); }
    STDMETHODIMP AboutLink(BSTR* v) override { return Text(__func__, L"a", v); }
    STDMETHODIMP UpdateLink(BSTR* v) override { return Text(__func__, L"u", v); }
    STDMETHODIMP RegistryValueCount(ULONG* v) override { *v = 2; return Call(__func__); }
    STDMETHODIMP RegistryValueName(LONG i, BSTR* v) override { return Text(__func__, IndexText(L"name", i), v); }
    STDMETHODIMP RegistryValueData(LONG i, BSTR* v) override { return Text(__func__, IndexText(L"data", i), v); }
    STDMETHODIMP SetComment(BSTR comment) override {
        Received = comment ? std::wstring(comment, SysStringLen(comment)) : L"<null>";
        return Call(__func__);
    }

    TPendingFailure Next;
    std::wstring Received;

private:
    HRESULT Call(const char* name) {
        log_.push_back(std::string("item.") + name);
        return Next.Answer();
    }
    HRESULT Text(const char* name, const std::wstring& value, BSTR* out) {
        HRESULT hr = Call(name);
        *out = SUCCEEDED(hr) ? SysAllocStringLen(value.data(), static_cast<UINT>(value.size())) : nullptr;
        return hr;
    }
    Log& log_;
};

class TFakeList final : public TFakeDispatch<IProgramList> {
public:
    TFakeList(Log& log, TFakeItem& item) : log_(log), item_(item) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IProgramList)) {
            ++ListQueries;
            if (!SupportsList) return E_NOINTERFACE;
        } else if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IProgramList*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP Item(LONG i, IProgramItem** v) override {
        HRESULT hr = Call(__func__, i);
        *v = nullptr;
        if (SUCCEEDED(hr) && !NilItem) {
            *v = &item_;
            item_.AddRef();
        }
        return hr;
    }
    STDMETHODIMP ProgramCount(ULONG* v) override { *v = 3; return Call(__func__); }
    STDMETHODIMP ScreenSaverCount(ULONG* v) override { *v = 2; return Call(__func__); }
    STDMETHODIMP ScreenSaverFileName(LONG i, BSTR* v) override { return Text(__func__, i, L"file", v); }
    STDMETHODIMP ScreenSaverPublisher(LONG i, BSTR* v) override { return Text(__func__, i, L"publisher", v); }
    STDMETHODIMP ScreenSaverDirectory(LONG i, BSTR* v) override { return Text(__func__, i, L"dir", v); }
    STDMETHODIMP ScreenSaverDisplayName(LONG i, BSTR* v) override { return Text(__func__, i, L"display", v); }
    STDMETHODIMP ScreenSaverIconIndex(LONG i, LONG* v) override {
        *v = -i;
        return Call(__func__, i);
    }
    STDMETHODIMP ScreenSaverSize(LONG i, ULONG* v) override {
        *v = 0xFFFFFFF0u + static_cast<ULONG>(i);
        return Call(__func__, i);
    }
    STDMETHODIMP ScreenSaverLastUsed(LONG i, BSTR* v) override { return Text(__func__, i, L"last", v); }
    STDMETHODIMP RefreshPrograms() override { return Call(__func__); }
    STDMETHODIMP RefreshScreenSavers() override { return Call(__func__); }
    // The binding never calls these; a call would show up in the log as a misrouted slot.
    STDMETHODIMP ProgramIndexOf(BSTR, LONG, LONG*) override { return Call("13"); }
    STDMETHODIMP GetComment(BSTR, LONG, BSTR*) override { return Call("14"); }
    STDMETHODIMP ScreenSaverIndexOf(BSTR, LONG*) override { return Call("15"); }
    STDMETHODIMP ScreenSaverPath(LONG, BSTR*) override { return Call("16"); }
    STDMETHODIMP ComponentVersion(BSTR*) override { return Call("17"); }
    STDMETHODIMP ProgramView(LONG i, LONG* v) override {
        *v = 32;
        return Call(__func__, i);
    }
    STDMETHODIMP Reserved19() override { return Call("19"); }
    STDMETHODIMP Reserved20() override { return Call("20"); }

    TPendingFailure Next;
    bool SupportsList = true;
    bool NilItem = false;
    int ListQueries = 0;

private:
    HRESULT Call(const char* name, LONG index = -1) {
        log_.push_back(index < 0 ? std::string(name) : std::string(name) + "(" + std::to_string(index) + ")");
        return Next.Answer();
    }
    HRESULT Text(const char* name, LONG i, const wchar_t* prefix, BSTR* out) {
        HRESULT hr = Call(name, i);
        std::wstring value = IndexText(prefix, i);
        *out = SUCCEEDED(hr) ? SysAllocStringLen(value.data(), static_cast<UINT>(value.size())) : nullptr;
        return hr;
    }
    Log& log_;
    TFakeItem& item_;
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

// The fake stands in the running object table under the component's class id, where
// ckRunningOrNew looks before it creates anything.
class ProgramListBinding : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterActiveObject(static_cast<IProgramList*>(&list_), CLSID_ProgramList, ACTIVEOBJECT_STRONG,
                                       &cookie_), S_OK);
        binding_ = TProgramList::Create(nullptr);
    }
    void TearDown() override {
        if (binding_) binding_->Free();
        Revoke();
        ClearOleErrorInfo();
    }
    void Revoke() {
        if (cookie_) RevokeActiveObject(cookie_, nullptr);
        cookie_ = 0;
    }

    TComInit com_;
    Log log_;
    TFakeItem item_{log_};
    TFakeList list_{log_, item_};
    DWORD cookie_ = 0;
    TProgramList* binding_ = nullptr;
};

} // namespace

TEST_F(ProgramListBinding, ConnectsOnFirstCallOnceAndReleasesOnFree) {
    ASSERT_NE(GetClass("TProgramList"), nullptr);
    EXPECT_FALSE(binding_->Connected());
    EXPECT_EQ(list_.ListQueries, 0);
    ULONG count = 0;
    binding_->ProgramCount(count);
    EXPECT_EQ(count, 3u);
    EXPECT_TRUE(binding_->Connected());
    EXPECT_EQ(binding_->GetDefaultInterface(), static_cast<IProgramList*>(&list_));

    // Gone from the table: later calls must still reach the server held since the first.
    Revoke();
    binding_->RefreshPrograms();
    binding_->ScreenSaverCount(count);
    EXPECT_EQ(list_.ListQueries, 1);
    EXPECT_EQ(log_, (Log{"ProgramCount", "RefreshPrograms", "ScreenSaverCount"}));

    EXPECT_EQ(list_.Refs, 1);
    binding_->Free();
    binding_ = nullptr;
    EXPECT_EQ(list_.Refs, 0);
}

TEST_F(ProgramListBinding, ForwardsEveryMethodToItsOwnSlot) {
    ComPtr<IProgramItem> item;
    ULONG u = 0;
    LONG l = 0;
    std::wstring file, publisher, dir, display, last;
    binding_->RefreshPrograms();
    binding_->ProgramCount(u);
    EXPECT_EQ(u, 3u);
    binding_->Item(2, item);
    EXPECT_EQ(item.Get(), static_cast<IProgramItem*>(&item_));
    binding_->RefreshScreenSavers();
    binding_->ScreenSaverCount(u);
    EXPECT_EQ(u, 2u);
    binding_->ScreenSaverFileName(1, file);
    binding_->ScreenSaverPublisher(2, publisher);
    binding_->ScreenSaverDirectory(3, dir);
    binding_->ScreenSaverDisplayName(4, display);
    binding_->ScreenSaverIconIndex(5, l);
    EXPECT_EQ(l, -5);
    binding_->ScreenSaverSize(6, u);
    EXPECT_EQ(u, 0xFFFFFFF6u);
    binding_->ScreenSaverLastUsed(7, last);
    binding_->ProgramView(8, l);
    EXPECT_EQ(l, 32);

    EXPECT_EQ(file, IndexText(L"file", 1));
    EXPECT_EQ(publisher, IndexText(L"publisher", 2));
    EXPECT_EQ(dir, IndexText(L"dir", 3));
    EXPECT_EQ(display, IndexText(L"display", 4));
    EXPECT_EQ(last, IndexText(L"last", 7));
    EXPECT_EQ(log_, (Log{"RefreshPrograms", "ProgramCount", "Item(2)", "RefreshScreenSavers", "ScreenSaverCount",
                         "ScreenSaverFileName(1)", "ScreenSaverPublisher(2)", "ScreenSaverDirectory(3)",
                         "ScreenSaverDisplayName(4)", "ScreenSaverIconIndex(5)", "ScreenSaverSize(6)",
                         "ScreenSaverLastUsed(7)", "ProgramView(8)"}));
}

TEST_F(ProgramListBinding, ItemHandsOverOneReference) {
    ComPtr<IProgramItem> item;
    binding_->Item(0, item);
    EXPECT_EQ(item_.Refs, 1);
    binding_->Item(1, item);   // the previous entry is let go, not leaked
    EXPECT_EQ(item_.Refs, 1);
    item.Reset();
    EXPECT_EQ(item_.Refs, 0);

    list_.NilItem = true;
    binding_->Item(0, item);
    EXPECT_FALSE(item);
}

TEST_F(ProgramListBinding, FailureRaisesWithTheComponentsText) {
    list_.Next = {static_cast<HRESULT>(0x80040201), L"Screen saver 7 is gone"};
    std::wstring name = L"kept from before";
    auto e = Raised<EOleSysError>([&] { binding_->ScreenSaverFileName(7, name); });
    EXPECT_EQ(e.Message(), "Screen saver 7 is gone");
    EXPECT_EQ(e.ErrorCode, static_cast<HRESULT>(0x80040201));
    EXPECT_TRUE(name.empty());

    ComPtr<IProgramItem> item;
    binding_->Item(0, item);
    list_.Next = {E_OUTOFMEMORY, L"no room"};
    EXPECT_THROW(binding_->Item(1, item), EOleSysError);
    EXPECT_FALSE(item);
}

TEST_F(ProgramListBinding, OldErrorObjectDoesNotLabelALaterFailure) {
    list_.Next = {S_OK, L"left behind by a successful call", true};
    binding_->RefreshPrograms();
    list_.Next = {static_cast<HRESULT>(0xA0041234), L""};
    auto e = Raised<EOleSysError>([&] { binding_->RefreshScreenSavers(); });
    EXPECT_EQ(e.Message(), "OLE error A0041234");
}

TEST_F(ProgramListBinding, ServerWithoutTheInterfaceFailsTheFirstCall) {
    list_.SupportsList = false;
    ULONG count = 0;
    auto e = Raised<EOleSysError>([&] { binding_->ProgramCount(count); });
    EXPECT_EQ(e.ErrorCode, E_NOINTERFACE);
    EXPECT_FALSE(binding_->Connected());
    EXPECT_TRUE(log_.empty());
}

TEST_F(ProgramListBinding, ItemReadersConvertToTheCodePage) {
    IProgramItem* item = &item_;
    EXPECT_EQ(ItemText(item, &IProgramItem::DisplayName), "Caf\xE9 Suite");
    EXPECT_EQ(ItemText(item, &IProgramItem::LastUsed), "");
    EXPECT_EQ(ItemText(item, &IProgramItem::RegistryValueData, 1), FromWide(IndexText(L"data", 1)));
    EXPECT_EQ(ItemValue(item, &IProgramItem::IconIndex), -3);
    EXPECT_EQ(ItemValue(item, &IProgramItem::UsageCount), 4000000000u);
    EXPECT_FLOAT_EQ(ItemValue(item, &IProgramItem::Size), 1536.5f);

    SetItemComment(item, "Gar\xE7on's note");
    EXPECT_EQ(item_.Received, L"Gar\u00e7on's note");
    ItemLoadDetails(item, "CafeSuite");
    EXPECT_EQ(item_.Received, L"CafeSuite");
    SetItemComment(item, "");
    EXPECT_EQ(item_.Received, L"");   // an empty BSTR, not a null one

    EXPECT_EQ(log_, (Log{"item.DisplayName", "item.LastUsed", "item.RegistryValueData", "item.IconIndex",
                         "item.UsageCount", "item.Size", "item.SetComment", "item.LoadDetails",
                         "item.SetComment"}));
    EXPECT_EQ(item_.Refs, 0);
}

TEST_F(ProgramListBinding, ItemReaderFailuresAndNullEntries) {
    item_.Next = {E_ACCESSDENIED, L"Comment store is read-only"};
    auto e = Raised<EOleSysError>([&] { SetItemComment(&item_, "x"); });
    EXPECT_EQ(e.Message(), "Comment store is read-only");
    e = Raised<EOleSysError>([] { ItemText(nullptr, &IProgramItem::DisplayName); });
    EXPECT_EQ(e.ErrorCode, E_POINTER);
    EXPECT_THROW(ItemValue(static_cast<IProgramItem*>(nullptr), &IProgramItem::IsSystemPatch), EOleSysError);
}

// ---- The real component ----------------------------------------------------------------

namespace {
std::string ExeFolder() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path(buf, n);
    return path.substr(0, path.rfind('\\') + 1);
}
} // namespace

TEST(ProgramListServer, RegisteredByFullPathAndCreatedThroughCom) {
    const std::string dll = ExeFolder() + "Quorbel.dll";
    if (!FileExists(dll)) GTEST_SKIP() << "Quorbel.dll is not built beside the tests";
    TComInit com;
    RegisterComServer(dll);
    EXPECT_EQ(GetModuleHandleA(dll.c_str()), nullptr);

    TFreeGuard<TProgramList> binding(TProgramList::Create(nullptr));
    binding->RefreshPrograms();
    EXPECT_NE(GetModuleHandleA(dll.c_str()), nullptr);   // COM found it through the registration
    ULONG count = 0;
    binding->ProgramCount(count);

    ComPtr<IProgramList> direct;
    ASSERT_EQ(CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList, direct.PutVoid()),
              S_OK);
    ASSERT_EQ(direct->RefreshPrograms(), S_OK);
    ULONG expected = 0;
    ASSERT_EQ(direct->ProgramCount(&expected), S_OK);
    EXPECT_EQ(count, expected);

    // Indexes run 0 .. count-1, and each entry answers without LoadDetails.
    for (ULONG i = 0; i < count && i < 5; ++i) {
        ComPtr<IProgramItem> item;
        binding->Item(static_cast<LONG>(i), item);
        ASSERT_TRUE(item);
        EXPECT_NO_THROW(ItemText(item.Get(), &IProgramItem::RegistryName));
    }
}
