#include "mdo/param_blocks.h"

#include <array>

#include "foundation/errors.h"
#include "mdo/client_entry_points.h"
#include "mdo/mdo_errors.h"

// ---------------------------------------------------------------------------
// The writer

TcParamBlockWriter::TcParamBlockWriter(std::initializer_list<char> header) : block_(header) {}

void TcParamBlockWriter::AddCode(char code) {
    block_.push_back(code);
}

void TcParamBlockWriter::AddByte(char code, char value) {
    block_.push_back(code);
    block_.push_back(1);
    block_.push_back(value);
}

void TcParamBlockWriter::AddString(char code, std::string_view value, std::string_view what) {
    if (value.size() > 255) {
        const std::string name(what);
        RaiseUserFmt("The %s is too long: at most 255 bytes can be sent", name.c_str());
    }
    block_.push_back(code);
    block_.push_back(static_cast<char>(value.size()));
    block_.insert(block_.end(), value.begin(), value.end());
}

void TcParamBlockWriter::AddInteger(char code, int32_t value) {
    block_.push_back(code);
    block_.push_back(4);
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) block_.push_back(static_cast<char>(bits >> shift));
}

namespace {

// The lower-cased name without its "isc_xpb_" prefix.
std::string TableKey(std::string_view name, std::string_view prefix) {
    std::string key = LowerCase(name);
    if (key.compare(0, prefix.size(), prefix) == 0) key.erase(0, prefix.size());
    return key;
}

void CheckBlockLength(const TMDOParamBlock& block, const char* what) {
    if (block.size() > kMaxParamBlockLength)
        RaiseUserFmt("The %s is too long: at most %zu bytes can be sent", what,
                     kMaxParamBlockLength);
}

// ---------------------------------------------------------------------------
// DPB

// How a DPB entry is encoded.
enum class TDPBKind {
    Unsupported,
    Byte,     // code, 1, the value's low byte
    Sweep,    // code, 1, 2; the value is not read
    Switch,   // code, 1, 0; the value is not read
    Integer,  // code, 4, the value little-endian
    String,   // code, length, the value
    Dialect,  // a string whose first character is sent as its digit's value
};

struct TDPBEntry {
    const char* Name;
    TDPBKind Kind;
};

using enum TDPBKind;

// Position + 1 = code = the client API's isc_dpb_ constant.
constexpr std::array<TDPBEntry, 70> kDPBNames = {{
    {"cdd_pathname", Unsupported},
    {"allocation", Unsupported},
    {"journal", Unsupported},
    {"page_size", Unsupported},
    {"num_buffers", Byte},
    {"buffer_length", Unsupported},
    {"debug", Unsupported},
    {"garbage_collect", Unsupported},
    {"verify", Byte},
    {"sweep", Sweep},
    {"enable_journal", Unsupported},
    {"disable_journal", Unsupported},
    {"dbkey_scope", Byte},
    {"number_of_users", Unsupported},
    {"trace", Unsupported},
    {"no_garbage_collect", Unsupported},
    {"damaged", Byte},
    {"license", String},
    {"sys_user_name", String},
    {"encrypt_key", String},
    {"activate_shadow", Switch},
    {"sweep_interval", Integer},
    {"delete_shadow", Switch},
    {"force_write", Byte},
    {"begin_log", Switch},
    {"quit_log", Switch},
    {"no_reserve", Byte},
    {"user_name", String},
    {"password", String},
    {"password_enc", String},
    {"sys_user_name_enc", Unsupported},
    {"interp", Unsupported},
    {"online_dump", Unsupported},
    {"old_file_size", Unsupported},
    {"old_num_files", Unsupported},
    {"old_file", Unsupported},
    {"old_start_page", Unsupported},
    {"old_start_seqno", Unsupported},
    {"old_start_file", Unsupported},
    {"drop_walfile", Unsupported},
    {"old_dump_id", Unsupported},
    {"wal_backup_dir", Unsupported},
    {"wal_chkptlen", Unsupported},
    {"wal_numbufs", Unsupported},
    {"wal_bufsize", Unsupported},
    {"wal_grp_cmt_wait", Unsupported},
    {"lc_messages", String},
    {"lc_ctype", String},
    {"cache_manager", Unsupported},
    {"shutdown", Unsupported},
    {"online", Unsupported},
    {"shutdown_delay", Unsupported},
    {"reserved", Unsupported},
    {"overwrite", Unsupported},
    {"sec_attach", Unsupported},
    {"disable_wal", Unsupported},
    {"connect_timeout", Unsupported},
    {"dummy_packet_interval", Unsupported},
    {"gbak_attach", Unsupported},
    {"sql_role_name", String},
    {"set_page_buffers", Unsupported},
    {"working_directory", Unsupported},
    {"sql_dialect", Dialect},
    {"set_db_readonly", Unsupported},
    {"set_db_sql_dialect", Unsupported},
    {"gfix_attach", Unsupported},
    {"gstat_attach", Unsupported},
    {"set_db_charset", Unsupported},
    {"gsec_attach", Unsupported},
    {"address_path", Unsupported},
}};

static_assert(kDPBNames[isc_dpb_num_buffers - 1].Kind == Byte);
static_assert(kDPBNames[isc_dpb_sweep_interval - 1].Kind == Integer);
static_assert(kDPBNames[isc_dpb_sql_dialect - 1].Kind == Dialect);
static_assert(kDPBNames.size() == isc_dpb_address_path);

void AddDPBEntry(TcParamBlockWriter& writer, char code, TDPBKind kind, const std::string& key,
                 const std::string& value) {
    const std::string what = "value of isc_dpb_" + key;
    switch (kind) {
        case Byte:
            writer.AddByte(code, static_cast<char>(StrToInt(value)));
            break;
        case Sweep:
            writer.AddByte(code, 2);
            break;
        case Switch:
            writer.AddByte(code, 0);
            break;
        case Integer:
            writer.AddInteger(code, StrToInt(value));
            break;
        case String:
            writer.AddString(code, value, what);
            break;
        case Dialect: {
            if (value.empty()) RaiseUserFmt("The %s is missing", what.c_str());
            std::string sent = value;
            sent[0] = static_cast<char>(sent[0] - '0');
            writer.AddString(code, sent, what);
            break;
        }
        case Unsupported:
            RaiseClientError(11, key);
    }
}

// ---------------------------------------------------------------------------
// TPB

enum class TTPBKind { Plain, Table, Unsupported };

struct TTPBEntry {
    const char* Name;
    TTPBKind Kind;
};

// Position + 1 = code = the client API's isc_tpb_ constant.
constexpr std::array<TTPBEntry, 21> kTPBNames = {{
    {"consistency", TTPBKind::Plain},
    {"concurrency", TTPBKind::Plain},
    {"shared", TTPBKind::Plain},
    {"protected", TTPBKind::Plain},
    {"exclusive", TTPBKind::Plain},
    {"wait", TTPBKind::Plain},
    {"nowait", TTPBKind::Plain},
    {"read", TTPBKind::Plain},
    {"write", TTPBKind::Plain},
    {"lock_read", TTPBKind::Table},
    {"lock_write", TTPBKind::Table},
    {"verb_time", TTPBKind::Unsupported},
    {"commit_time", TTPBKind::Unsupported},
    {"ignore_limbo", TTPBKind::Plain},
    {"read_committed", TTPBKind::Plain},
    {"autocommit", TTPBKind::Unsupported},
    {"rec_version", TTPBKind::Plain},
    {"no_rec_version", TTPBKind::Plain},
    {"restart_requests", TTPBKind::Unsupported},
    {"no_auto_undo", TTPBKind::Unsupported},
    {"lock_timeout", TTPBKind::Unsupported},
}};

static_assert(kTPBNames.size() == isc_tpb_lock_timeout);
static_assert(kTPBNames[isc_tpb_lock_write - 1].Kind == TTPBKind::Table);

// ---------------------------------------------------------------------------
// SPB

struct TSPBEntry {
    const char* Name;
    char Code;
    bool Accepted;
};

constexpr TSPBEntry kSPBNames[] = {
    {"user_name", isc_spb_user_name, true},
    {"sys_user_name", isc_spb_sys_user_name, false},
    {"sys_user_name_enc", isc_spb_sys_user_name_enc, false},
    {"password", isc_spb_password, true},
    {"password_enc", isc_spb_password_enc, false},
    {"command_line", static_cast<char>(isc_spb_command_line), false},
    {"db_name", static_cast<char>(isc_spb_dbname), false},
    {"verbose", static_cast<char>(isc_spb_verbose), false},
    {"options", static_cast<char>(isc_spb_options), false},
    {"connect_timeout", isc_spb_connect_timeout, false},
    {"dummy_packet_interval", isc_spb_dummy_packet_interval, false},
    {"sql_role_name", isc_spb_sql_role_name, false},
};

}  // namespace

TMDOParamBlock BuildDPB(const TStringList& params) {
    TcParamBlockWriter writer({isc_dpb_version1});
    for (const std::string& line : params) {
        const size_t equals = line.find('=');
        const std::string name =
            equals == std::string::npos ? std::string() : line.substr(0, equals);
        if (TrimBlanks(name).empty()) continue;
        const std::string key = TableKey(name, "isc_dpb_");
        size_t index = 0;
        while (index < kDPBNames.size() && key != kDPBNames[index].Name) ++index;
        if (index == kDPBNames.size()) RaiseClientError(114, name);
        AddDPBEntry(writer, static_cast<char>(index + 1), kDPBNames[index].Kind, key,
                    line.substr(equals + 1));
    }
    CheckBlockLength(writer.Block(), "database parameter block");
    return writer.Take();
}

std::string_view DPBName(int code) {
    if (code < 1 || code > static_cast<int>(kDPBNames.size())) return {};
    return kDPBNames[static_cast<size_t>(code - 1)].Name;
}

TMDOParamBlock BuildTPB(const TStringList& params) {
    if (params.empty()) return {};
    TcParamBlockWriter writer({isc_tpb_version3});
    for (const std::string& line : params) {
        if (TrimBlanks(line).empty()) continue;
        const size_t equals = line.find('=');
        const std::string written = line.substr(0, equals);
        const std::string key = TableKey(written, "isc_tpb_");
        size_t index = 0;
        while (index < kTPBNames.size() && key != kTPBNames[index].Name) ++index;
        if (index == kTPBNames.size()) RaiseClientError(115, written);
        const auto code = static_cast<char>(index + 1);
        switch (kTPBNames[index].Kind) {
            case TTPBKind::Plain:
                writer.AddCode(code);
                break;
            case TTPBKind::Table: {
                const std::string what = "table name of isc_tpb_" + key;
                if (equals == std::string::npos) RaiseUserFmt("The %s is missing", what.c_str());
                writer.AddString(code, line.substr(equals + 1), what);
                break;
            }
            case TTPBKind::Unsupported:
                RaiseClientError(13, key);
        }
    }
    CheckBlockLength(writer.Block(), "transaction parameter block");
    return writer.Take();
}

TMDOParamBlock BuildServiceParams(const TStringList& params) {
    TcParamBlockWriter writer({isc_spb_version, isc_spb_current_version});
    for (const std::string& line : params) {
        const size_t equals = line.find('=');
        const std::string name = TrimBlanks(line.substr(0, equals));
        if (name.empty()) continue;
        const std::string key = TableKey(name, "isc_spb_");
        const TSPBEntry* entry = nullptr;
        for (const TSPBEntry& candidate : kSPBNames)
            if (key == candidate.Name) entry = &candidate;
        if (entry == nullptr) RaiseClientError(89);
        if (!entry->Accepted) RaiseClientError(88);
        const std::string value =
            equals == std::string::npos ? std::string() : line.substr(equals + 1);
        writer.AddString(entry->Code, value, std::string("value of isc_spb_") + entry->Name);
    }
    CheckBlockLength(writer.Block(), "service parameter block");
    return writer.Take();
}

void TcServiceRequest::AddStartInteger(char code, int32_t value) {
    bytes_.push_back(code);
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<char>(bits >> shift));
}

void TcServiceRequest::AddStartString(char code, std::string_view text, std::string_view what) {
    if (text.empty()) return;
    if (text.size() > 0xFFFF) {
        const std::string name(what);
        RaiseUserFmt("The %s is too long: at most 65535 bytes can be sent", name.c_str());
    }
    bytes_.push_back(code);
    bytes_.push_back(static_cast<char>(text.size() & 0xFF));
    bytes_.push_back(static_cast<char>(text.size() >> 8));
    bytes_.append(text);
}

int IndexOfParam(const TStringList& params, std::string_view name) {
    for (size_t i = 0; i < params.size(); ++i) {
        const size_t position = LowerCase(params[i]).find(name);
        if (position == 0 || position == 8) return static_cast<int>(i);
    }
    return -1;
}

std::string ParamValue(std::string_view line) {
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string() : std::string(line.substr(equals + 1));
}
