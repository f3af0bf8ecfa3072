// The default skin's pictures ship in resources/dist/Skins (drawn by tools/art). Each picture
// that the built-in skin table names must be there, be a sound PNG that the platform decodes,
// and have the size of the control or window that shows it; the window background must give
// the main window its outline through the fuchsia colour key.
#include "app/funUtils.h"
#include "app/multiSkins.h"
#include <gtest/gtest.h>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace {

// The source tree as a Windows path: under Wine the Unix root is drive Z:.
std::string SourcePath(std::string relative) {
    std::string path = std::string("Z:") + VELMORA_SOURCE_DIR + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string SkinsDir() { return SourcePath("resources/dist/Skins/"); }

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// --- PNG structure, read by hand -----------------------------------------------------------

uint32_t BigEndian32(const std::string& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

uint32_t Crc32(const std::string& s, size_t at, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = at; i < at + n; ++i) {
        crc ^= uint8_t(s[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct TPngHeader {
    uint32_t Width = 0, Height = 0;
    int BitDepth = 0, ColourType = 0;
};

// Walks every chunk: the signature, IHDR first with its 13 bytes, each chunk's CRC, IDAT
// present and IEND last with nothing after it. Returns the header, or why the file is bad.
std::optional<TPngHeader> CheckPng(const std::string& png, std::string& why) {
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (png.size() < 8 || png.compare(0, 8, kSignature, 8) != 0) {
        why = "no PNG signature";
        return std::nullopt;
    }
    TPngHeader h;
    bool sawHeader = false, sawData = false;
    for (size_t at = 8;;) {
        if (at + 12 > png.size()) {
            why = "chunk past the end of the file at byte " + std::to_string(at);
            return std::nullopt;
        }
        uint32_t length = BigEndian32(png, at);
        std::string type = png.substr(at + 4, 4);
        if (length > png.size() - at - 12) {
            why = type + " chunk longer than the file";
            return std::nullopt;
        }
        if (Crc32(png, at + 4, 4 + length) != BigEndian32(png, at + 8 + length)) {
            why = "bad CRC in " + type;
            return std::nullopt;
        }
        if (!sawHeader) {
            if (type != "IHDR" || length != 13) {
                why = "first chunk is " + type + ", not a 13-byte IHDR";
                return std::nullopt;
            }
            h.Width = BigEndian32(png, at + 8);
            h.Height = BigEndian32(png, at + 12);
            h.BitDepth = uint8_t(png[at + 16]);
            h.ColourType = uint8_t(png[at + 17]);
            sawHeader = true;
        }
        sawData = sawData || type == "IDAT";
        at += 12 + length;
        if (type == "IEND") {
            if (at != png.size()) why = "bytes after IEND";
            else if (!sawData) why = "no IDAT";
            return why.empty() ? std::optional(h) : std::nullopt;
        }
    }
}

// --- decoding through GDI+, bound at run time as the program binds it ------------------------

struct TGdiplusInput {
    UINT32 Version = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct TGpRect {
    INT X, Y, Width, Height;
};
struct TGpBitmapData {
    UINT Width, Height;
    INT Stride;
    INT PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};
constexpr INT kPixelFormat32bppARGB = 0x0026200A;
constexpr UINT kImageLockModeRead = 1;

struct TPixels {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Argb;   // rows top to bottom, 0xAARRGGBB
    uint32_t At(int x, int y) const { return Argb[size_t(y) * size_t(Width) + size_t(x)]; }
};

class TGdiplus {
public:
    TGdiplus() {
        lib_ = LoadLibraryA("gdiplus.dll");
        if (!lib_) return;
        startup_ = Bind<int(WINAPI*)(ULONG_PTR*, const TGdiplusInput*, void*)>("GdiplusStartup");
        shutdown_ = Bind<void(WINAPI*)(ULONG_PTR)>("GdiplusShutdown");
        fromFile_ = Bind<int(WINAPI*)(const WCHAR*, void**)>("GdipCreateBitmapFromFile");
        width_ = Bind<int(WINAPI*)(void*, UINT*)>("GdipGetImageWidth");
        height_ = Bind<int(WINAPI*)(void*, UINT*)>("GdipGetImageHeight");
        lock_ = Bind<int(WINAPI*)(void*, const TGpRect*, UINT, INT, TGpBitmapData*)>("GdipBitmapLockBits");
        unlock_ = Bind<int(WINAPI*)(void*, TGpBitmapData*)>("GdipBitmapUnlockBits");
        dispose_ = Bind<int(WINAPI*)(void*)>("GdipDisposeImage");
        TGdiplusInput input;
        ready_ = startup_ && shutdown_ && fromFile_ && width_ && height_ && lock_ && unlock_ && dispose_ &&
                 startup_(&token_, &input, nullptr) == 0;
    }
    ~TGdiplus() {
        if (ready_) shutdown_(token_);
        if (lib_) FreeLibrary(lib_);
    }
    TGdiplus(const TGdiplus&) = delete;
    TGdiplus& operator=(const TGdiplus&) = delete;

    bool Ready() const { return ready_; }

    std::optional<TPixels> Decode(const std::string& path) const {
        std::wstring wide(path.begin(), path.end());
        void* image = nullptr;
        if (fromFile_(wide.c_str(), &image) != 0 || !image) return std::nullopt;
        std::optional<TPixels> result;
        UINT w = 0, h = 0;
        if (width_(image, &w) == 0 && height_(image, &h) == 0 && w > 0 && h > 0) {
            TGpRect all{0, 0, INT(w), INT(h)};
            TGpBitmapData data{};
            if (lock_(image, &all, kImageLockModeRead, kPixelFormat32bppARGB, &data) == 0) {
                TPixels p;
                p.Width = int(w);
                p.Height = int(h);
                p.Argb.resize(size_t(w) * h);
                for (UINT y = 0; y < h; ++y)
                    std::memcpy(&p.Argb[size_t(y) * w], static_cast<const char*>(data.Scan0) + ptrdiff_t(y) * data.Stride,
                                size_t(w) * 4);
                unlock_(image, &data);
                result = std::move(p);
            }
        }
        dispose_(image);
        return result;
    }

private:
    template <class F>
    F Bind(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib_, name)));
    }
    HMODULE lib_ = nullptr;
    ULONG_PTR token_ = 0;
    bool ready_ = false;
    int(WINAPI* startup_)(ULONG_PTR*, const TGdiplusInput*, void*) = nullptr;
    void(WINAPI* shutdown_)(ULONG_PTR) = nullptr;
    int(WINAPI* fromFile_)(const WCHAR*, void**) = nullptr;
    int(WINAPI* width_)(void*, UINT*) = nullptr;
    int(WINAPI* height_)(void*, UINT*) = nullptr;
    int(WINAPI* lock_)(void*, const TGpRect*, UINT, INT, TGpBitmapData*) = nullptr;
    int(WINAPI* unlock_)(void*, TGpBitmapData*) = nullptr;
    int(WINAPI* dispose_)(void*) = nullptr;
};

// --- the skin table's pictures --------------------------------------------------------------

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Told apart by the key, as the skin loader tells them: the two tab buttons keep their
// disabled picture under a key ending "_PosDisabled".
bool IsPictureKey(const std::string& key) {
    for (const char* tail : {"_PicNormal", "_PicMouseHover", "_PicMouseDown", "_PicDisabled", "_PosDisabled", "_Pic",
                             "_PicBackGround", "_IMAGE_CHARGE"})
        if (EndsWith(key, tail)) return true;
    return false;
}

bool IsButtonState(const std::string& key) {
    for (const char* tail : {"_PicNormal", "_PicMouseHover", "_PicMouseDown", "_PicDisabled", "_PosDisabled"})
        if (EndsWith(key, tail)) return true;
    return false;
}

std::optional<std::string> DefaultOfKey(const std::string& key) {
    for (const auto& e : SkinEntries())
        if (key == e.Key) return std::string(e.Default);
    return std::nullopt;
}

struct TSize {
    int Width, Height;
};

int LayoutNumber(const std::string& layout, const std::string& property) {
    size_t at = layout.find("\n  " + property + " = ");
    return at == std::string::npos ? -1 : std::atoi(layout.c_str() + at + property.size() + 6);
}

// The size a picture must have: its control's rectangle (the key with its last part replaced
// by "_Pos"), or the client area of the window it fills.
std::optional<TSize> ExpectedSize(const std::string& key) {
    std::string stem = key.substr(0, key.rfind('_'));
    for (const char* tail : {"_Pos", "_POS"}) {
        if (auto rect = DefaultOfKey(stem + tail)) {
            int l = 0, t = 0, w = 0, h = 0;
            if (!ParseRectText(*rect, l, t, w, h)) return std::nullopt;
            return TSize{w, h};
        }
    }
    if (key == "SK_SPLASHFORM_IMAGE_CHARGE") {
        std::string layout = ReadFile(SourcePath("resources/layouts/TSplashForm.layout"));
        return TSize{LayoutNumber(layout, "ClientWidth"), LayoutNumber(layout, "ClientHeight")};
    }
    if (key == "SK_PROGRESSFORM_ImageBG_Pic") return TSize{391, 182};   // the backup window's client area
    return std::nullopt;
}

constexpr uint32_t kFuchsia = 0xFFFF00FFu;

class DefaultSkin : public ::testing::Test {
protected:
    // Fatal failures end this picture's checks only, so one run reports every bad picture.
    void CheckPicture(const std::string& key, const std::string& path) {
        std::string bytes = ReadFile(path);
        ASSERT_FALSE(bytes.empty()) << "missing: " << path;
        std::string why;
        auto header = CheckPng(bytes, why);
        ASSERT_TRUE(header) << why;
        auto size = ExpectedSize(key);
        ASSERT_TRUE(size) << "no rectangle or window size known for this picture";
        EXPECT_EQ(int(header->Width), size->Width);
        EXPECT_EQ(int(header->Height), size->Height);

        auto pixels = gdiplus_.Decode(path);
        ASSERT_TRUE(pixels) << "GDI+ cannot decode it";
        EXPECT_EQ(pixels->Width, size->Width);
        EXPECT_EQ(pixels->Height, size->Height);
        // Opaque everywhere: a button that does not paint its parent under it fills with its
        // own colour first, which any see-through pixel would show.
        size_t translucent = 0;
        for (uint32_t p : pixels->Argb) translucent += (p >> 24) != 0xFF;
        EXPECT_EQ(translucent, 0u);
    }

    TGdiplus gdiplus_;
};

}  // namespace

TEST_F(DefaultSkin, EveryNamedPictureIsASoundPngOfItsControlsSize) {
    ASSERT_TRUE(gdiplus_.Ready());
    for (const auto& e : SkinEntries()) {
        SCOPED_TRACE(std::string(e.Key) + " = " + e.Default);
        // A picture key missed here would go unchecked: every ".png" default is one of them.
        ASSERT_EQ(IsPictureKey(e.Key), EndsWith(e.Default, ".png"));
        if (IsPictureKey(e.Key)) CheckPicture(e.Key, SkinsDir() + e.Default);
    }
}

TEST_F(DefaultSkin, EachButtonsFourStatesLookDifferent) {
    ASSERT_TRUE(gdiplus_.Ready());
    std::map<std::string, std::vector<std::pair<std::string, TPixels>>> buttons;
    for (const auto& e : SkinEntries()) {
        std::string key = e.Key;
        if (!IsButtonState(key)) continue;
        auto pixels = gdiplus_.Decode(SkinsDir() + e.Default);
        ASSERT_TRUE(pixels) << e.Default;
        buttons[key.substr(0, key.rfind('_'))].emplace_back(e.Default, std::move(*pixels));
    }
    ASSERT_EQ(buttons.size(), 16u);
    for (const auto& [button, states] : buttons) {
        ASSERT_EQ(states.size(), 4u) << button;
        for (size_t i = 0; i < states.size(); ++i)
            for (size_t j = i + 1; j < states.size(); ++j)
                EXPECT_TRUE(states[i].second.Argb != states[j].second.Argb)
                    << button << ": " << states[i].first << " and " << states[j].first << " are the same picture";
    }
}

TEST_F(DefaultSkin, BackgroundIsFuchsiaOnlyOutsideTheWindowsRoundedOutline) {
    ASSERT_TRUE(gdiplus_.Ready());
    auto bg = gdiplus_.Decode(SkinsDir() + SK_MAINFORM_PicBackGround);
    ASSERT_TRUE(bg);
    const int W = bg->Width, H = bg->Height;
    // The corners are cut away, so the window is rounded ...
    for (auto [x, y] : std::array<std::pair<int, int>, 4>{{{0, 0}, {W - 1, 0}, {0, H - 1}, {W - 1, H - 1}}})
        EXPECT_EQ(bg->At(x, y), kFuchsia) << "corner " << x << "," << y;
    // ... but the middle of every edge is the window's, so it keeps its full size ...
    for (auto [x, y] : std::array<std::pair<int, int>, 4>{{{W / 2, 0}, {W / 2, H - 1}, {0, H / 2}, {W - 1, H / 2}}})
        EXPECT_NE(bg->At(x, y), kFuchsia) << "edge " << x << "," << y;
    // ... no hole anywhere inside, and no pixel merely close to the key colour, which would
    // show as a pink fringe round the window instead of being keyed out.
    int fringe = 0, holes = 0;
    const int corner = 16;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint32_t p = bg->At(x, y);
            if (p == kFuchsia) {
                bool inCorner = (x < corner || x >= W - corner) && (y < corner || y >= H - corner);
                holes += !inCorner;
                continue;
            }
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            fringe += r > 150 && b > 150 && g < 100;
        }
    EXPECT_EQ(holes, 0);
    EXPECT_EQ(fringe, 0);
}
