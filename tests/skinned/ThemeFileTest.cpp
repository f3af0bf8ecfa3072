// Theme files: the container reader, the key-indexed manager and the theme component.
#include "SkinnedTesting.h"

#include "../framework/FormTesting.h"
#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkPublic.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

using Builder = TThemeFileBuilder;

// A theme with one value of each kind.
Builder SampleTheme() {
    TBitmap strip;
    FillBitmap(strip, 6, 2, clRed);
    for (int y = 0; y < 2; ++y)
        for (int x = 3; x < 6; ++x) strip.Canvas()->SetPixels(x, y, clBlue);
    Builder b;
    b.Int("MenuBarColor", 0x123456)
        .Int("FormBorderWidthInt", -7)
        .Byte("ButtonTransparentBool", 1)
        .Byte("TitleBarButtonTransparentBool", 0)
        .Str("Author", "someone")
        .Picture("ProgressBarImage", strip)
        .Add("Unknown", 9, "xyz");
    return b;
}

std::string SampleFile(const std::string& name) { return WriteTestFile(name, SampleTheme().Build()); }

void ExpectInvalid(const std::string& name, const std::string& bytes) {
    const std::string path = WriteTestFile(name, bytes);
    auto start = std::chrono::steady_clock::now();
    try {
        TskThemeFileReader reader(path);
        ADD_FAILURE() << name << ": accepted";
    } catch (const EReadError&) {
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
}

}  // namespace

TEST(ThemeFileReader, ReadsEveryKindAndSkipsUnknownOnes) {
    TskThemeFileReader reader(SampleFile("sample.skn"));
    EXPECT_EQ(reader.FindInt("MenuBarColor"), 0x123456);
    EXPECT_EQ(reader.FindInt("FormBorderWidthInt"), -7);
    EXPECT_TRUE(reader.FindBool("ButtonTransparentBool"));
    EXPECT_FALSE(reader.FindBool("TitleBarButtonTransparentBool"));
    EXPECT_EQ(reader.Strings().Values("Author"), "someone");
    EXPECT_EQ(reader.Integers().Count() + reader.Bytes().Count() + reader.Strings().Count() + reader.Pictures().Count(), 6);

    TMemoryStream* stream = reader.FindStream("ProgressBarImage");
    ASSERT_NE(stream, nullptr);
    TBitmap picture;
    picture.LoadFromStream(*stream);
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(PixelAt(picture, 4, 1), clBlue);
    // Found again, the stream starts over.
    EXPECT_EQ(reader.FindStream("progressbarimage")->Position(), 0);
}

TEST(ThemeFileReader, NamesIgnoreCaseAndTheFirstOfTwoWins) {
    Builder b;
    b.Int("MenuBarColor", 1).Int("MENUBARCOLOR", 2).Byte("Flag", 0).Byte("flag", 1);
    TskThemeFileReader reader(WriteTestFile("twice.skn", b.Build()));
    EXPECT_EQ(reader.FindInt("menubarcolor"), 1);
    EXPECT_FALSE(reader.FindBool("FLAG"));
}

TEST(ThemeFileReader, ATerminatorAloneLoadsNoValues) {
    TskThemeFileReader reader(WriteTestFile("empty.skn", Builder().Build()));
    for (int key = 1; key <= SkKey::Count; ++key) {
        EXPECT_EQ(reader.FindInt(ThemeKeyName(key)), -1);
        EXPECT_FALSE(reader.FindBool(ThemeKeyName(key)));
        EXPECT_EQ(reader.FindStream(ThemeKeyName(key)), nullptr);
    }
}

TEST(ThemeFileReader, EntriesTooShortForTheirKindAreSkipped) {
    Builder b;
    b.Add("ShortInt", 1, "\x05\x00").Add("NoByte", 2, "").Add("NoPicture", 0, "").Int("After", 5);
    TskThemeFileReader reader(WriteTestFile("short-entries.skn", b.Build()));
    EXPECT_EQ(reader.FindInt("ShortInt"), -1);
    EXPECT_FALSE(reader.FindBool("NoByte"));
    EXPECT_EQ(reader.FindStream("NoPicture"), nullptr);
    EXPECT_EQ(reader.FindInt("After"), 5);
}

TEST(ThemeFileReader, MalformedContainersAreRejectedQuickly) {
    Builder b = SampleTheme();
    const std::string good = b.Build();
    const uint32_t first = b.EntryAt(0), second = b.EntryAt(1), terminator = b.EntryAt(7);
    auto patched = [&](size_t at, uint32_t v) {
        std::string s = good;
        Builder::Put32(s, at, v);
        return s;
    };
    struct Case { const char* Name; std::string Bytes; };
    const Case cases[] = {
        {"shorter-than-header.skn", good.substr(0, 20)},
        {"wrong-magic.skn", "SkinPack_TX" + good.substr(11)},
        {"magic-without-end.skn", std::string("SkinPack_TBX") + good.substr(12)},
        {"header-length-short.skn", patched(12, 20)},
        {"header-length-past-end.skn", patched(12, static_cast<uint32_t>(good.size() + 1))},
        {"first-entry-past-end.skn", patched(20, static_cast<uint32_t>(good.size()))},
        {"first-entry-cut.skn", patched(20, static_cast<uint32_t>(good.size() - 40))},
        {"entry-chain-cut.skn", good.substr(0, terminator + 30)},
        {"int-data-past-end.skn", patched(first + 65, static_cast<uint32_t>(good.size() - 2))},
        {"picture-size-huge.skn", patched(b.EntryAt(5) + 69, 0xFFFFFFF0u)},
        {"string-offset-huge.skn", patched(b.EntryAt(4) + 65, 0xFFFFFFFEu)},
        {"chain-loops-to-itself.skn", patched(second + 73, second)},
        {"chain-loops-back.skn", patched(b.EntryAt(6) + 73, first)},
        {"next-past-end.skn", patched(second + 73, 0x7FFFFFFFu)},
    };
    for (const Case& c : cases) ExpectInvalid(c.Name, c.Bytes);
}

TEST(ThemeFileReader, EntriesSharingMoreDataThanTheFileHoldsAreRejected) {
    // Many picture entries over one large block: copying each would take far more memory
    // than the file's size.
    const std::string block(4096, 'P');
    Builder b;
    b.Add("P0", 0, block);
    for (int i = 1; i < 40; ++i) b.Add(std::string(1, 'P').append(std::to_string(i)), 0, "x");
    std::string s = b.Build();
    const uint32_t blockAt = 24;
    for (int i = 1; i < 40; ++i) {
        Builder::Put32(s, b.EntryAt(i) + 65, blockAt);
        Builder::Put32(s, b.EntryAt(i) + 69, static_cast<uint32_t>(block.size()));
    }
    ExpectInvalid("shared-data.skn", s);
}

TEST(ThemeFileReader, IsThemeFileLooksAtTheMagicOnly) {
    EXPECT_TRUE(IsThemeFile(SampleFile("magic.skn")));
    EXPECT_TRUE(IsThemeFile(WriteTestFile("magic-only.skn", std::string("SkinPack_TB\0", 12))));
    EXPECT_FALSE(IsThemeFile(WriteTestFile("short-magic.skn", "SkinPack")));
    EXPECT_FALSE(IsThemeFile(WriteTestFile("other.skn", "SkinPack_TC" + std::string(20, '\0'))));
    EXPECT_FALSE(IsThemeFile(TestOutputDir() + "\\themes\\no-such-file.skn"));
    EXPECT_FALSE(IsThemeFile(TestOutputDir()));
}

// ---------------------------------------------------------------------------------------
// TskFileThemeMgr

TEST(FileThemeMgr, ReadsKeysByNumberOnceAFileIsOpen) {
    TskFileThemeMgr mgr;
    EXPECT_EQ(mgr.IntByKey(SkKey::MenuBarColor), 0);
    EXPECT_FALSE(mgr.OpenThemeFile(TestOutputDir() + "\\themes\\missing.skn"));
    EXPECT_FALSE(mgr.HasReader());
    ASSERT_TRUE(mgr.OpenThemeFile(SampleFile("mgr.skn")));
    EXPECT_EQ(mgr.IntByKey(SkKey::MenuBarColor), 0x123456);
    EXPECT_EQ(mgr.IntByKey(SkKey::MenuFontColor), -1);
    EXPECT_EQ(mgr.IntByKey(0), -1);
    EXPECT_TRUE(mgr.BoolByKey(SkKey::ButtonTransparentBool));
    TBitmap b;
    mgr.BitmapByKey(SkKey::ProgressBarImage, &b);
    EXPECT_EQ(b.Width(), 6);
}

TEST(FileThemeMgr, AMalformedFileKeepsThePreviousReader) {
    TskFileThemeMgr mgr;
    ASSERT_TRUE(mgr.OpenThemeFile(SampleFile("mgr-keep.skn")));
    std::string bad = SampleTheme().Build();
    Builder::Put32(bad, 20, static_cast<uint32_t>(bad.size() + 5));
    EXPECT_THROW(mgr.OpenThemeFile(WriteTestFile("mgr-bad.skn", bad)), EReadError);
    EXPECT_EQ(mgr.IntByKey(SkKey::MenuBarColor), 0x123456);
    EXPECT_FALSE(mgr.OpenThemeFile(TestOutputDir() + "\\themes\\gone.skn"));
    EXPECT_EQ(mgr.IntByKey(SkKey::MenuBarColor), 0x123456);
}

TEST(FileThemeMgr, PictureDataThatDoesNotDecodeLeavesTheGraphic) {
    Builder b;
    b.Add("ProgressBarImage", 0, "BM not really a bitmap");
    TskFileThemeMgr mgr;
    ASSERT_TRUE(mgr.OpenThemeFile(WriteTestFile("bad-picture.skn", b.Build())));
    TBitmap g;
    FillBitmap(g, 3, 3, clLime);
    EXPECT_NO_THROW(mgr.BitmapByKey(SkKey::ProgressBarImage, &g));
    EXPECT_EQ(g.Width(), 3);
    EXPECT_EQ(PixelAt(g, 1, 1), clLime);
}

// ---------------------------------------------------------------------------------------
// TskFileTheme

TEST(FileTheme, LoadingAFileMakesResolutionReadIt) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    EXPECT_FALSE(theme->FileLoaded());
    TskResolvedStyle r = ResolveUIStyle(theme.get(), FromThemeFile);
    EXPECT_FALSE(r.FromFile);
    EXPECT_EQ(r.Style, DeepBlue);
    r = ResolveUIStyle(nullptr, FromThemeFile);
    EXPECT_FALSE(r.FromFile);
    EXPECT_EQ(r.Style, DeepBlue);

    const std::string path = SampleFile("component.skn");
    theme->SetThemeFile(path);
    EXPECT_TRUE(theme->FileLoaded());
    EXPECT_EQ(theme->GetThemeFile(), path);
    r = ResolveUIStyle(theme.get(), FromThemeFile);
    EXPECT_TRUE(r.FromFile);
    EXPECT_EQ(r.Style, FromThemeFile);
    r = ResolveUIStyle(theme.get(), WinXP);
    EXPECT_FALSE(r.FromFile);
    EXPECT_EQ(r.Style, WinXP);
}

TEST(FileTheme, KeysTheFileLacksReadAsDeepBlue) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    theme->SetThemeFile(SampleFile("sparse.skn"));
    EXPECT_EQ(theme->ReadKeyColor(SkKey::MenuBarColor), MakeColor(0x123456));
    EXPECT_EQ(theme->ReadKeyInt(SkKey::FormBorderWidthInt), -7);
    EXPECT_EQ(theme->ReadKeyColor(SkKey::MenuSelectedBorderColor), StyleColor(DeepBlue, SkKey::MenuSelectedBorderColor));
    EXPECT_EQ(theme->ReadKeyInt(SkKey::FormMinWidthInt), 130);
    EXPECT_EQ(theme->Manager().IntByKey(SkKey::MenuMenuBarColor), -1);
    EXPECT_TRUE(theme->ReadKeyBool(SkKey::ButtonTransparentBool));

    TskStyleReader reader(theme.get(), FromThemeFile);
    EXPECT_EQ(reader.Color(SkKey::MenuBarColor), MakeColor(0x123456));
    TskStyleReader builtIn(theme.get(), Protein);
    EXPECT_EQ(builtIn.Color(SkKey::FormBackgroundColor), MakeColor(0xFBFBFB));
}

TEST(FileTheme, ReadsAFrameOfAPicture) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    theme->SetThemeFile(SampleFile("frames.skn"));
    TBitmap frame;
    theme->ReadKeyBitmapFrame(SkKey::ProgressBarImage, &frame, 2, 2);
    ASSERT_EQ(frame.Width(), 3);
    EXPECT_EQ(PixelAt(frame, 0, 0), clBlue);
    TBitmap untouched;
    FillBitmap(untouched, 1, 1, clLime);
    theme->ReadKeyBitmapFrame(SkKey::ButtonImage, &untouched, 2, 1);   // not in the file
    EXPECT_EQ(PixelAt(untouched, 0, 0), clLime);
}

TEST(FileTheme, AnInvalidFileRaisesAndKeepsTheLoadedOne) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    const std::string good = SampleFile("keep.skn");
    theme->SetThemeFile(good);

    std::string loops = SampleTheme().Build();
    Builder probe = SampleTheme();
    probe.Build();
    Builder::Put32(loops, probe.EntryAt(3) + 73, probe.EntryAt(1));
    for (const std::string& bad : {WriteTestFile("not-a-theme.skn", "plain text, no container at all"),
                                   WriteTestFile("loops.skn", loops)}) {
        try {
            theme->SetThemeFile(bad);
            ADD_FAILURE() << bad << ": accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid skin file for SkinPack!");
        }
        EXPECT_EQ(theme->GetThemeFile(), good);
        EXPECT_TRUE(theme->FileLoaded());
        EXPECT_EQ(theme->ReadKeyColor(SkKey::MenuBarColor), MakeColor(0x123456));
    }
}

TEST(FileTheme, AMissingFileChangesNothing) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    const std::string good = SampleFile("stay.skn");
    theme->SetThemeFile(good);
    EXPECT_NO_THROW(theme->SetThemeFile("C:\\no\\such\\folder\\velmora-no-such-theme.skn"));
    EXPECT_EQ(theme->GetThemeFile(), good);
    EXPECT_TRUE(theme->FileLoaded());
}

TEST(FileTheme, TheSamePathAgainDoesNothingEvenWhenTheFileChanged) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    const std::string path = SampleFile("same.skn");
    theme->SetThemeFile(path);
    Builder changed;
    changed.Int("MenuBarColor", 42);
    WriteTestFile("same.skn", changed.Build());
    theme->SetThemeFile(path);
    EXPECT_EQ(theme->ReadKeyColor(SkKey::MenuBarColor), MakeColor(0x123456));
}

TEST(FileTheme, AMissingPathIsFoundByNameInTheProgramsFolder) {
    const std::string name = "velmora-test-theme-" + std::to_string(GetCurrentProcessId()) + ".skn";
    const std::string copy = TestExeFolder() + name;
    {
        std::string bytes = SampleTheme().Build();
        TFileStream f(copy, TFileMode::fmCreate);
        f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    TScopeExit remove([&] { DeleteFile(copy); });
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    theme->SetThemeFile("C:\\somewhere\\else\\" + name);
    EXPECT_TRUE(theme->FileLoaded());
    EXPECT_TRUE(SameText(theme->GetThemeFile(), copy)) << theme->GetThemeFile();
}

TEST(FileTheme, LoadingAppliesTheThemeAgainToTheFormsSkinnedControlsThatUseIt) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* theme = TskFileTheme::Create(form.get());
    auto* other = TskFileTheme::Create(form.get());
    auto* user = TskThemeProbe::Create(form.get());
    auto* elsewhere = TskThemeProbe::Create(form.get());
    auto* plain = TThemedPlainProbe::Create(form.get());
    TskForm* frame = TskForm::Create(form.get());
    user->SetFileTheme(theme);
    elsewhere->SetFileTheme(other);
    plain->SetFileTheme(theme);
    frame->SetUIStyle(FromThemeFile);
    frame->SetFileTheme(theme);
    ASSERT_EQ(frame->GetFrameBorderWidth(), 1);   // nothing loaded yet: DeepBlue's
    for (TskThemeProbe* p : std::initializer_list<TskThemeProbe*>{user, elsewhere, plain}) p->Writes.clear();

    theme->SetThemeFile(SampleFile("reapply.skn"));
    EXPECT_EQ(user->Writes, std::vector<std::string>{"FileTheme"});
    // The frame read the file's border width, -7, which it keeps at 0.
    EXPECT_EQ(frame->GetFrameBorderWidth(), 0);
    EXPECT_TRUE(elsewhere->Writes.empty());
    EXPECT_TRUE(plain->Writes.empty());   // not a "Tsk" class
}

TEST(FileTheme, TheOwnerFormsFrameGivesNewControlsTheirFirstStyle) {
    TFreeGuard<TPanel> notAForm(TPanel::Create(nullptr));
    EXPECT_EQ(OwnerFormUIStyle(notAForm.get()), DeepBlue);
    EXPECT_EQ(OwnerFormUIStyle(nullptr), DeepBlue);

    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    EXPECT_EQ(OwnerFormUIStyle(form.get()), DeepBlue);
    auto* unrelated = TskThemeProbe::Create(form.get());
    unrelated->SetParent(form.get());
    unrelated->SetUIStyle(MacOS);
    EXPECT_EQ(OwnerFormUIStyle(form.get()), DeepBlue);
    TskForm::Create(form.get())->SetUIStyle(Protein);
    EXPECT_EQ(OwnerFormUIStyle(form.get()), Protein);
}
