#pragma once
// Little-endian byte building and bounds-checked reading, the common ground
// of the compound document and the BIFF8 record code. The reader never reads
// past its end: every access is checked and a short read raises
// EWorkbookError, so corrupt files fail cleanly instead of crashing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spreadsheet {

using TBytes = std::vector<uint8_t>;

// Appends little-endian values to a growing byte vector.
class TcByteWriter {
  public:
    explicit TcByteWriter(TBytes& target) : out_(target) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(v));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void F64(double v);
    void Bytes(const uint8_t* data, size_t size) { out_.insert(out_.end(), data, data + size); }
    void Bytes(const TBytes& data) { out_.insert(out_.end(), data.begin(), data.end()); }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    size_t Size() const { return out_.size(); }
    // Overwrites a value written earlier (offsets known only later).
    void PatchU16(size_t at, uint16_t v);
    void PatchU32(size_t at, uint32_t v);

  private:
    TBytes& out_;
};

// Reads little-endian values from a fixed span; `what` names the structure in
// the error text of a short read.
class TcByteReader {
  public:
    TcByteReader(const uint8_t* data, size_t size, const char* what)
        : data_(data), size_(size), what_(what) {}
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    double F64();
    const uint8_t* Take(size_t count);
    void Skip(size_t count) { Take(count); }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    const char* what_;
};

uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);
double GetF64(const uint8_t* p);

// Text conversion between the model's UTF-8 and the file's 8-bit (Latin-1,
// the "compressed" form) or UTF-16LE characters. Invalid UTF-8 bytes are taken
// as Latin-1 so that no input text is rejected.
std::u16string Utf8ToUtf16(std::string_view text);
// The code point of the UTF-8 sequence at text[i] and its length in bytes:
// a byte that starts no whole, shortest-form sequence of a code point up to
// U+10FFFF stands for itself, as Latin-1 (length 1).
uint32_t DecodeUtf8At(std::string_view text, size_t i, size_t& length);
std::string Utf16ToUtf8(std::u16string_view text);
std::string Latin1ToUtf8(const uint8_t* data, size_t count);
// True when every character fits the compressed 8-bit form.
bool IsCompressible(std::u16string_view text);
// Where a UTF-16 text may be cut or split so that at most `units` code
// units come first: `units`, or one less when that would part a surrogate
// pair (a character beyond U+FFFF). Readers refuse or mangle half pairs.
size_t Utf16CutPoint(std::u16string_view text, size_t units);
// Number of characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view text);

}  // namespace spreadsheet
