#pragma once
// The parameter blocks of the client API: the database parameter block (DPB)
// of an attach, the transaction parameter block (TPB) of a start, the service
// parameter block (SPB) of a service attach and the request of a service
// start. Every encoding and every name table lives here once; the access
// layer's components build their blocks from name=value lines, the scripter
// writes its fixed blocks item by item through the same writer.
//
// Pure functions over bytes: no client call, no state.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_utils.h"

using TMDOParamBlock = std::vector<char>;

// Appends items of the one-byte-length kind that the DPB, TPB and SPB share.
// A value that does not fit its length byte is refused, naming `what` and
// never the value (it may be a password).
class TcParamBlockWriter {
  public:
    // A block that starts with the given version bytes.
    explicit TcParamBlockWriter(std::initializer_list<char> header = {});

    // The code alone (a TPB switch).
    void AddCode(char code);
    // Code, 1, value.
    void AddByte(char code, char value);
    // Code, length byte, the bytes. Raises EUser "The <what> is too long: at
    // most 255 bytes can be sent." for a longer value.
    void AddString(char code, std::string_view value, std::string_view what);
    // Code, 4, the value little-endian.
    void AddInteger(char code, int32_t value);

    const TMDOParamBlock& Block() const { return block_; }
    TMDOParamBlock Take() { return std::move(block_); }

  private:
    TMDOParamBlock block_;
};

// Longest block the 16-bit length of the attach and start calls can carry.
inline constexpr size_t kMaxParamBlockLength = 32767;

// The DPB of name=value lines. The name is the text before the first "="
// (a line without one is skipped, as is a blank name), lower-cased and taken
// without a leading "isc_dpb_"; its code is its place in the name table (the
// client API's isc_dpb_ constant). Client error 114 for a name outside the
// table (named as written), 11 for one the layer does not encode; a byte or
// integer entry whose value is not a whole number raises the conversion
// error. A value longer than 255 bytes, an empty sql_dialect and a block
// longer than kMaxParamBlockLength raise EUser.
TMDOParamBlock BuildDPB(const TStringList& params);
// The name of a DPB code (1 to 70), without the prefix; empty outside the table.
std::string_view DPBName(int code);

// The TPB of parameter lines: empty for an empty list, else the version byte
// and one item per non-blank line (a name, or lock_read/lock_write=TABLE).
// Client error 115 for an unknown name (as written), 13 for an unsupported
// one; a table reservation without a table name and one longer than 255
// bytes raise EUser.
TMDOParamBlock BuildTPB(const TStringList& params);

// The SPB of name=value lines: the two version bytes, then user_name and
// password entries. Client error 88 for a known service name the layer does
// not send, 89 for an unknown one.
TMDOParamBlock BuildServiceParams(const TStringList& params);

// The body of a service start request: the action code, then items.
class TcServiceRequest {
  public:
    explicit TcServiceRequest(char action) : bytes_(1, action) {}
    // Code, then the value as 4 bytes little-endian.
    void AddStartInteger(char code, int32_t value);
    // Nothing for an empty text; else code, the length as 2 bytes
    // little-endian, the text. A text longer than 65535 bytes raises EUser
    // naming `what`, never the text.
    void AddStartString(char code, std::string_view text, std::string_view what);
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

// The first line of `params` that names `name` (lower case): its lower-cased
// text holds the name first at its start or right after its first eight
// characters (an "isc_dpb_" or "isc_spb_" prefix); -1 when none does. The
// login lookups of the database and the service use it.
int IndexOfParam(const TStringList& params, std::string_view name);
// The text after the first "=" of a line; empty without one.
std::string ParamValue(std::string_view line);
