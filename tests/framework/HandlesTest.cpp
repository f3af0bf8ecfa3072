#include "framework/Handles.h"
#include <gtest/gtest.h>

// Owners must give their handle back exactly once: when moved from, reset, or destroyed.
TEST(Handles, KernelHandleClosedOnceAcrossMoves) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        TKernelHandle a(raw);
        TKernelHandle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), raw);
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
}

TEST(Handles, RegistryKeyClosedAndReleaseKeepsItOpen) {
    TKeyHandle key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
    HKEY raw = key.Release();
    EXPECT_FALSE(key);
    DWORD subkeys = 0;
    EXPECT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(raw);
}

TEST(Handles, WideConversionRoundTripsCodePageText) {
    std::string text = "Caf\xE9 & Co \\ \"x\"";   // 0xE9 is e-acute in code page 1252
    std::wstring wide = ToWide(text);
    EXPECT_EQ(FromWide(wide), text);
    EXPECT_EQ(FromWide(static_cast<const wchar_t*>(nullptr)), "");
    BStr b(wide);
    EXPECT_EQ(b.Str(), wide);
}
