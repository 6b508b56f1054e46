#include "workbook/byte_buffer.h"

#include <algorithm>
#include <cstring>

#include "workbook/workbook_errors.h"

namespace spreadsheet {

void TcByteWriter::F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(static_cast<uint32_t>(bits));
    U32(static_cast<uint32_t>(bits >> 32));
}

void TcByteWriter::PatchU16(size_t at, uint16_t v) {
    out_[at] = static_cast<uint8_t>(v);
    out_[at + 1] = static_cast<uint8_t>(v >> 8);
}

void TcByteWriter::PatchU32(size_t at, uint32_t v) {
    PatchU16(at, static_cast<uint16_t>(v));
    PatchU16(at + 2, static_cast<uint16_t>(v >> 16));
}

uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

double GetF64(const uint8_t* p) {
    uint64_t bits = GetU32(p) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

const uint8_t* TcByteReader::Take(size_t count) {
    if (count > size_ - pos_) RaiseBadFile(std::string("truncated ") + what_);
    const uint8_t* p = data_ + pos_;
    pos_ += count;
    return p;
}

uint8_t TcByteReader::U8() {
    return *Take(1);
}
uint16_t TcByteReader::U16() {
    return GetU16(Take(2));
}
uint32_t TcByteReader::U32() {
    return GetU32(Take(4));
}
double TcByteReader::F64() {
    return GetF64(Take(8));
}

uint32_t DecodeUtf8At(std::string_view text, size_t i, size_t& length) {
    const auto c = static_cast<uint8_t>(text[i]);
    uint32_t cp = c;
    size_t extra = 0;
    uint32_t least = 0;  // the smallest code point of the sequence's length
    if (c >= 0xF0 && c <= 0xF4) {
        cp = c & 0x07;
        extra = 3;
        least = 0x10000;
    } else if (c >= 0xE0 && c <= 0xEF) {
        cp = c & 0x0F;
        extra = 2;
        least = 0x800;
    } else if (c >= 0xC2 && c <= 0xDF) {
        cp = c & 0x1F;
        extra = 1;
        least = 0x80;
    }
    bool valid = extra > 0;
    for (size_t k = 1; valid && k <= extra; ++k) {
        if (i + k >= text.size() || (static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80)
            valid = false;
        else
            cp = (cp << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    }
    if (!valid || cp < least || cp > 0x10FFFF) {
        length = 1;
        return c;  // a stray byte: taken as Latin-1
    }
    length = extra + 1;
    return cp;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (static_cast<uint8_t>(text[i]) < 0x80) {
            out.push_back(static_cast<char16_t>(text[i++]));
            continue;
        }
        size_t length = 1;
        uint32_t cp = DecodeUtf8At(text, i, length);
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;  // a lone surrogate
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Latin1ToUtf8(const uint8_t* data, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) AppendUtf8(out, data[i]);
    return out;
}

bool IsCompressible(std::u16string_view text) {
    for (char16_t c : text)
        if (c > 0xFF) return false;
    return true;
}

size_t Utf16CutPoint(std::u16string_view text, size_t units) {
    if (units >= text.size() || units == 0) return std::min(units, text.size());
    const char16_t last = text[units - 1];
    const char16_t next = text[units];
    const bool parts = last >= 0xD800 && last < 0xDC00 && next >= 0xDC00 && next < 0xE000;
    return parts ? units - 1 : units;
}

size_t Utf8Length(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace spreadsheet
