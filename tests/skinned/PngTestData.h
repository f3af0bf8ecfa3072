// PNG and GIF files made by the tests themselves: small encoders (stored deflate blocks and
// uncompressed LZW codes, so every byte is known) for well-formed pictures and for the
// malformed ones the decoder must refuse.
#pragma once
#include "framework/Classes.h"
#include "framework/Graphics.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

inline uint32_t Crc32(const std::string& bytes) {
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

inline void PutBE32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string Chunk(const char* type, const std::string& data) {
    std::string out;
    PutBE32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBE32(out, Crc32(body));
    return out;
}

// A zlib stream of stored blocks.
inline std::string Stored(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(out, (b << 16) | a);
    return out;
}

inline std::string Header(uint32_t width, uint32_t height) {
    std::string ihdr;
    PutBE32(ihdr, width);
    PutBE32(ihdr, height);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);   // 8 bits, RGBA, deflate, no filter, no interlace
    return "\x89PNG\r\n\x1A\n" + Chunk("IHDR", ihdr);
}

// pixels: 0xAARRGGBB, rows top first.
inline std::string MakePng(int width, int height, const std::vector<uint32_t>& pixels) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
            raw += static_cast<char>(p >> 24);
        }
    }
    return Header(width, height) + Chunk("IDAT", Stored(raw)) + Chunk("IEND", "");
}

inline std::string SolidPng(int width, int height, uint32_t argb) {
    return MakePng(width, height, std::vector<uint32_t>(size_t(width) * size_t(height), argb));
}

// A well-formed header that claims a huge picture, followed by a little data.
inline std::string HugePng(uint32_t width, uint32_t height) {
    return Header(width, height) + Chunk("IDAT", Stored(std::string(64, '\0'))) + Chunk("IEND", "");
}

// ---------------------------------------------------------------------------------------
// GIF pictures of one colour, every byte known: a two-colour global table and one frame
// coded with 3-bit LZW codes, a clear code before every two pixels so the code size never
// grows. The sizes are written as given, so a test can declare what it likes.

struct TGifFrame {
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
};

inline void PutLE16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

// The frame's pixels, all colour 0 of the table, as data sub-blocks and their terminator.
inline std::string GifPixels(size_t pixels) {
    std::string codes;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            codes += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < pixels; ++i) {
        if (i % 2 == 0) put(4);   // clear
        put(0);
    }
    put(5);   // end of information
    if (count > 0) codes += static_cast<char>(bits & 0xFF);
    std::string out(1, '\x02');   // the code size less one
    for (size_t pos = 0; pos < codes.size(); pos += 255) {
        const size_t n = std::min<size_t>(255, codes.size() - pos);
        out += static_cast<char>(n);
        out.append(codes, pos, n);
    }
    return out + '\0';
}

// A picture of the screen's size in rgb (0xRRGGBB), with the given frames (none for a
// picture without any) whose pixels are coded for pixelsPerFrame pixels each.
inline std::string MakeGif(uint16_t width, uint16_t height, uint32_t rgb, const std::vector<TGifFrame>& frames,
                           size_t pixelsPerFrame) {
    std::string out = "GIF89a";
    PutLE16(out, width);
    PutLE16(out, height);
    out += std::string("\x80\x00\x00", 3);   // a global table of two colours
    out += static_cast<char>((rgb >> 16) & 0xFF);
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>(rgb & 0xFF);
    out += std::string(3, '\0');
    for (const TGifFrame& f : frames) {
        out += '\x2C';
        PutLE16(out, f.Left);
        PutLE16(out, f.Top);
        PutLE16(out, f.Width);
        PutLE16(out, f.Height);
        out += '\0';
        out += GifPixels(pixelsPerFrame);
    }
    return out + '\x3B';
}

inline std::string SolidGif(uint16_t width, uint16_t height, uint32_t rgb) {
    return MakeGif(width, height, rgb, {{0, 0, width, height}}, size_t(width) * height);
}

inline void Fill(TMemoryStream& s, const std::string& bytes) {
    s.Clear();
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
}

}  // namespace pngtest
