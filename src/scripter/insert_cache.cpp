#include "scripter/insert_cache.h"

#include <algorithm>
#include <cstring>

#include "foundation/errors.h"
#include "foundation/scoped_value.h"
#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/info_reply.h"
#include "mdo/sql_column.h"
#include "mdo/status_vector.h"
#include "scripter/scripter_ib.h"

namespace {

bool Failed(const ISC_STATUS* status) {
    return status[0] == 1 && status[1] > 0;
}

// Whether a word begins a statement that reads or changes data only; any
// other statement may change metadata.
bool IsDataStatement(const std::string& word) {
    return word == "INSERT" || word == "SELECT" || word == "UPDATE" || word == "DELETE" ||
           word == "MERGE" || word == "WITH";
}

// A failed insert leaves a trace where a trigger ran (it may have taken a
// generator value), an identity column took its value, a view passed the row
// on or an external file was written: only plain tables without any of them
// may run a failed statement again.
std::string RepeatableQuery(const std::string& relation) {
    return "SELECT COUNT(*) FROM RDB$RELATIONS R WHERE R.RDB$RELATION_NAME = '" +
           ReplaceAll(relation, "'", "''") +
           "' AND R.RDB$VIEW_BLR IS NULL AND R.RDB$EXTERNAL_FILE IS NULL "
           "AND NOT EXISTS (SELECT 1 FROM RDB$TRIGGERS G WHERE G.RDB$RELATION_NAME = "
           "R.RDB$RELATION_NAME AND COALESCE(G.RDB$SYSTEM_FLAG, 0) = 0) "
           "AND NOT EXISTS (SELECT 1 FROM RDB$RELATION_FIELDS F WHERE F.RDB$RELATION_NAME = "
           "R.RDB$RELATION_NAME AND F.RDB$IDENTITY_TYPE IS NOT NULL)";
}

// The error of an input value the server could not convert to its
// parameter's type: raised while the values are moved into the request's
// message, before the request runs. It comes as a dynamic SQL error with
// code -303.
bool FailedBeforeRequest(const ISC_STATUS* status) {
    return status[0] == isc_arg_gds && status[1] == isc_dsql_error && status[2] == isc_arg_gds &&
           status[3] == isc_sqlerr && status[4] == isc_arg_number && status[5] == -303;
}

}  // namespace

struct TcInsertCache::TEntry {
    std::string Key;
    isc_stmt_handle Handle = 0;
    size_t Count = 0;
    bool Repeatable = false;
    std::vector<char> Sqlda;
    std::vector<TcLiteralSlot> Slots;
    std::vector<short> Indicators;
    std::vector<short> Described;  // the parameters' types as the server gave them
    XSQLDA* Input() { return reinterpret_cast<XSQLDA*>(Sqlda.data()); }
};

TcInsertCache::TcInsertCache(TcDBScripter_IB& scripter) : scripter_(scripter), batch_(scripter) {}

// The owner has cleared or forgotten the statements while the client was
// there; nothing is called now.
TcInsertCache::~TcInsertCache() = default;

void TcInsertCache::Drop(TEntry& entry) noexcept {
    if (entry.Handle == 0) return;
    // The outcome does not matter: the statement is not used again.
    ISC_STATUS scratch[20] = {};
    ClientApi.isc_dsql_free_statement(scratch, &entry.Handle, DSQL_drop);
    entry.Handle = 0;
}

void TcInsertCache::Clear() noexcept {
    batch_.Clear();
    for (auto& entry : entries_) Drop(*entry);
    entries_.clear();
}

void TcInsertCache::Forget() noexcept {
    batch_.Forget();
    entries_.clear();
    charsetOf_ = 0;
    metadataPending_ = false;
}

void TcInsertCache::TransactionEnded() noexcept {
    // Another attachment's metadata changes are in force from the next
    // transaction on: a shape prepared before may no longer be the table's.
    Clear();
    metadataPending_ = false;
}

void TcInsertCache::CheckSettings() {
    if (dialect_ == scripter_.SQLDialect && characterSet_ == scripter_.CharacterSet &&
        terminator_ == scripter_.Terminator())
        return;
    Clear();
    dialect_ = scripter_.SQLDialect;
    characterSet_ = scripter_.CharacterSet;
    terminator_ = scripter_.Terminator();
}

bool TcInsertCache::TryExecute(const std::string& statement) {
    // A statement of a run that was sent as one block has run already.
    if (batch_.Execute(statement)) return true;
    if (!scripter_.FastInsert) {
        Clear();
        return false;
    }
    CheckSettings();
    const std::string word = FirstWord(statement);
    if (word != "INSERT") {
        if (!IsDataStatement(word)) {
            // Its metadata changes may need the cache's statements gone
            // (DROP TABLE refuses a table in use) and are in force only
            // when its transaction ends.
            Clear();
            metadataPending_ = true;
        }
        return false;
    }
    TEntry* entry = Ready(statement);
    return entry != nullptr && Run(*entry);
}

TcInsertCache::TEntry* TcInsertCache::Ready(const std::string& statement) {
    if (metadataPending_ || scripter_.PlanMode != TPlanMode::Off || scripter_.StatisticsDisplay ||
        scripter_.SQLDialect != 3 || scripter_.TransactionHandle() == 0)
        return nullptr;
    if (!ParseLiteralInsert(statement, shape_)) return nullptr;
    TEntry* entry = Find();
    return entry != nullptr ? entry : Prepare();
}

bool TcInsertCache::JoinsBatch(const std::string& statement, bool first) {
    if (!scripter_.FastInsert) return false;
    CheckSettings();
    if (FirstWord(statement) != "INSERT") return false;
    const TEntry* entry = Ready(statement);
    // Only a table that a failed block leaves as it was: its statements can
    // then run again one by one.
    if (entry == nullptr || !entry->Repeatable) return false;
    const TConnectionCharset charset = ConnectionCharset();

    for (size_t i = 0; i < entry->Count; ++i)
        if (!ReadsAsLiteral(shape_.Values[i], entry->Described[i], charset)) return false;
    return batch_.Join(first, shape_, charset);
}

TcInsertCache::TEntry* TcInsertCache::Find() {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [this](const auto& entry) { return entry->Key == shape_.Key; });
    if (found == entries_.end()) return nullptr;
    std::rotate(entries_.begin(), found, found + 1);
    return entries_.front().get();
}

TcInsertCache::TEntry* TcInsertCache::Prepare() {
    auto entry = std::make_unique<TEntry>();
    entry->Key = shape_.Key;
    entry->Count = shape_.Count;
    entry->Sqlda.assign(XSQLDA_LENGTH(shape_.Count), 0);
    entry->Slots.resize(shape_.Count);
    entry->Indicators.resize(shape_.Count);
    XSQLDA* input = entry->Input();
    input->version = SQLDA_VERSION1;
    input->sqln = static_cast<short>(shape_.Count);

    // Whatever fails here is left to the ordinary road, which reports it
    // for the statement as written.
    ISC_STATUS status[20] = {};
    isc_db_handle database = scripter_.DatabaseHandle();
    isc_tr_handle transaction = scripter_.TransactionHandle();
    ClientApi.isc_dsql_alloc_statement2(status, &database, &entry->Handle);
    if (Failed(status)) return nullptr;
    ClientApi.isc_dsql_prepare(status, &transaction, &entry->Handle, 0, entry->Key.c_str(), 3,
                               nullptr);
    char reply[64] = {};
    const char items[] = {isc_info_sql_stmt_type};
    if (!Failed(status))
        ClientApi.isc_dsql_sql_info(status, &entry->Handle, sizeof items, items, sizeof reply,
                                    reply);
    if (!Failed(status)) ClientApi.isc_dsql_describe_bind(status, &entry->Handle, 1, input);
    const auto type = TcInfoReply(reply, sizeof reply).Find(isc_info_sql_stmt_type);
    if (Failed(status) || !type || InfoInteger(*type) != isc_info_sql_stmt_insert ||
        static_cast<size_t>(input->sqld) != shape_.Count) {
        Drop(*entry);
        return nullptr;
    }
    entry->Repeatable = CanRepeat(shape_.Relation);
    for (size_t i = 0; i < shape_.Count; ++i) entry->Described.push_back(input->sqlvar[i].sqltype);
    ++prepares_;
    entries_.insert(entries_.begin(), std::move(entry));
    if (entries_.size() > kMaxEntries) {
        Drop(*entries_.back());
        entries_.pop_back();
    }
    return entries_.front().get();
}

bool TcInsertCache::CanRepeat(const std::string& relation) {
    return QueryInteger(RepeatableQuery(relation)) == 1;
}

TConnectionCharset TcInsertCache::ConnectionCharset() {
    if (charsetOf_ != scripter_.DatabaseHandle()) {
        // The character set asked for at connect need not be the one in
        // force (CREATE DATABASE attaches without it): the server says.
        charset_ = ConnectionCharsetFromId(
            QueryInteger("SELECT A.MON$CHARACTER_SET_ID FROM MON$ATTACHMENTS A "
                         "WHERE A.MON$ATTACHMENT_ID = CURRENT_CONNECTION"));
        charsetOf_ = scripter_.DatabaseHandle();
    }
    return charset_;
}

int64_t TcInsertCache::QueryInteger(const std::string& query) {
    ISC_STATUS status[20] = {};
    isc_db_handle database = scripter_.DatabaseHandle();
    isc_tr_handle transaction = scripter_.TransactionHandle();
    isc_stmt_handle handle = 0;
    ClientApi.isc_dsql_alloc_statement2(status, &database, &handle);
    if (Failed(status)) return -1;
    std::vector<char> buffer(XSQLDA_LENGTH(1), 0);
    XSQLDA* output = reinterpret_cast<XSQLDA*>(buffer.data());
    output->version = SQLDA_VERSION1;
    output->sqln = 1;
    int64_t value = 0;
    short indicator = 0;
    ClientApi.isc_dsql_prepare(status, &transaction, &handle, 0, query.c_str(), 3, output);
    if (!Failed(status) && output->sqld == 1) {
        output->sqlvar[0].sqltype = SQL_INT64 + 1;
        output->sqlvar[0].sqlscale = 0;
        output->sqlvar[0].sqldata = reinterpret_cast<char*>(&value);
        output->sqlvar[0].sqlind = &indicator;
        ClientApi.isc_dsql_execute2(status, &transaction, &handle, 3, nullptr, output);
    }
    const bool answered = !Failed(status) && output->sqld == 1 && indicator == 0;
    ISC_STATUS scratch[20] = {};
    ClientApi.isc_dsql_free_statement(scratch, &handle, DSQL_drop);
    return answered ? value : -1;
}

bool TcInsertCache::Run(TEntry& entry) {
    const TConnectionCharset charset = ConnectionCharset();
    for (size_t i = 0; i < entry.Count; ++i)
        if (!ReadsAsLiteral(shape_.Values[i], entry.Described[i], charset)) return false;
    XSQLDA* input = entry.Input();
    for (size_t i = 0; i < entry.Count; ++i)
        if (!BindInsertLiteral(shape_.Values[i], input->sqlvar[i], entry.Slots[i],
                               entry.Indicators[i]))
            return false;
    ISC_STATUS* status = scripter_.StatusVector;
    isc_tr_handle transaction = scripter_.TransactionHandle();
    {
        // A cancel reaches the request only while it is marked as in the
        // server; the statement is cancellable from before it came here.
        scripter_.EnterServerCall();
        TcScopeExit leave([this]() noexcept { scripter_.LeaveServerCall(); });
        ClientApi.isc_dsql_execute(status, &transaction, &entry.Handle, 3, input);
    }
    if (Failed(status)) {
        // The server's words about a parameter can differ from its words
        // about the literal. A value it could not convert to the column's
        // type fails before the request starts, so nothing ran; any other
        // failure ran the request, which left nothing behind only in a plain
        // table. Either way the ordinary road then runs the statement again
        // for the server's words about the literal.
        if (!IsLostConnection(status) && !CheckStatusVector(status, {isc_cancelled}) &&
            (entry.Repeatable || FailedBeforeRequest(status)))
            return false;
        scripter_.CheckStatus();
    }
    // One row of VALUES into a plain table is one row inserted; a trigger or
    // a view may insert more, or none.
    const int32_t inserted =
        entry.Repeatable ? 1 : scripter_.GetStatementInfo(entry.Handle, true).Inserted;
    scripter_.LastMessage = Format("%d row(s) inserted.", inserted);
    scripter_.RecordCount = 0;
    ++hits_;
    return true;
}
