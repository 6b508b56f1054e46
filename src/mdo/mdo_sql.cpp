#include "mdo/mdo_sql.h"

#include <cstring>
#include <vector>

#include "mdo/identifiers.h"
#include "mdo/info_reply.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_preprocess.h"
#include "mdo/mdo_transaction.h"
#include "mdo/sql_monitor_hook.h"
#include "mdo/status_vector.h"

TMDOSQL::TMDOSQL(TMDODatabase* owner) {
    CheckClientLibraryLoaded();
    Link();
    if (owner != nullptr) SetDatabase(owner);
}

TMDOSQL::TMDOSQL(TMDOTransaction* owner) {
    CheckClientLibraryLoaded();
    Link();
    if (owner != nullptr) SetTransaction(owner);
}

void TMDOSQL::Link() {
    base_.OnBeforeDatabaseDisconnect = [this](TMDOBase&) {
        Close();
        ReleaseHandle();
    };
    base_.OnBeforeTransactionEnd = [this](TMDOBase&) {
        if (open_) Close();
    };
}

TMDOSQL::~TMDOSQL() {
    try {
        if (open_) Close();
        if (handle_ != 0) ReleaseHandle();
    } catch (const std::exception&) {
        // A destructor cannot report a refused close; the handle goes with
        // the attachment at the latest.
    }
}

int TMDOSQL::Dialect() const {
    return Database() != nullptr ? Database()->SQLDialect() : 3;
}

bool TMDOSQL::IsSelect() const {
    return statementType_ == SQLSelect || statementType_ == SQLSelectForUpdate;
}

// ---------------------------------------------------------------------------
// Text

void TMDOSQL::SetSQL(const TStringList& lines) {
    if (lines == sql_) return;
    if (OnSQLChanging) OnSQLChanging(*this);
    if (handle_ != 0) ReleaseHandle();
    sql_ = lines;
}

void TMDOSQL::SetSQLText(std::string_view text) {
    TStringList lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    SetSQL(lines);
}

std::string TMDOSQL::SQLText() const {
    std::string text;
    for (const std::string& line : sql_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TMDOSQL::PreprocessParams() {
    TMDOPreprocessedSQL result = PreprocessParamText(SQLText(), AutoNameParams);
    processedSQL_ = std::move(result.Text);
    params_.SetCount(static_cast<int>(result.Names.size()));
    for (size_t i = 0; i < result.Names.size(); ++i)
        params_.SetVarName(result.Names[i], static_cast<int>(i));
}

// ---------------------------------------------------------------------------
// Prepare

void TMDOSQL::Prepare() {
    if (cursorName_.empty()) cursorName_ = Name + RandomString(8);
    CheckNotOpen();
    base_.CheckDatabase();
    base_.CheckTransaction();
    if (prepared_) return;
    if (SQLText().find_first_not_of("\r\n") == std::string::npos) RaiseClientError(42);
    if (ParamCheck) {
        PreprocessParams();
    } else {
        processedSQL_ = SQLText();
    }
    if (processedSQL_.empty()) RaiseClientError(42);
    try {
        AllocateAndPrepare();
        ReadStatementType();
        if (statementType_ == SQLGetSegment || statementType_ == SQLPutSegment ||
            statementType_ == SQLStartTransaction) {
            ReleaseHandle();
            RaiseClientError(5);
        }
        if (statementType_ >= SQLSelect && statementType_ <= SQLSetGenerator) DescribeAreas();
        prepared_ = true;
        MonitorHook().SQLPrepare(*this);
    } catch (...) {
        if (handle_ != 0) {
            try {
                ReleaseHandle();
            } catch (const std::exception&) {
                // The prepare's own error is the one to report.
            }
        }
        throw;
    }
}

void TMDOSQL::AllocateAndPrepare() {
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    if (Call(ClientApi.isc_dsql_alloc_statement2(ThreadStatusVector(), base_.DBHandle(), &handle_),
             false) > 0) {
        handle_ = 0;
        libraryUser_.reset();
        RaiseDatabaseError();
    }
    Call(ClientApi.isc_dsql_prepare(ThreadStatusVector(), base_.TRHandle(), &handle_, 0,
                                    processedSQL_.c_str(), static_cast<unsigned short>(Dialect()),
                                    nullptr),
         true);
}

std::vector<char> TMDOSQL::StatementInfo(char item, size_t replySize, bool raiseOnError) {
    std::vector<char> reply(replySize, 0);
    const ISC_STATUS result =
        Call(ClientApi.isc_dsql_sql_info(ThreadStatusVector(), &handle_, 1, &item,
                                         static_cast<short>(reply.size()), reply.data()),
             false);
    if (result > 0 && raiseOnError) RaiseDatabaseError();
    return reply;
}

void TMDOSQL::ReadStatementType() {
    const std::vector<char> reply = StatementInfo(isc_info_sql_stmt_type, 8, true);
    const auto item = TcInfoReply(reply).First();
    if (!item || item->Code != isc_info_sql_stmt_type) RaiseClientError(0);
    statementType_ = static_cast<int>(InfoInteger(*item));
}

void TMDOSQL::DescribeAreas() {
    const auto dialect = static_cast<unsigned short>(Dialect());
    if (AreaOf(params_) != nullptr) {
        if (Call(ClientApi.isc_dsql_describe_bind(ThreadStatusVector(), &handle_, dialect,
                                                  AreaOf(params_)),
                 false) > 0)
            RaiseDatabaseError();
        params_.InitializeVars();
    }
    if (statementType_ == SQLSelect || statementType_ == SQLSelectForUpdate ||
        statementType_ == SQLExecProcedure) {
        record_.SetCount(1);
        Call(ClientApi.isc_dsql_describe(ThreadStatusVector(), &handle_, dialect, AreaOf(record_)),
             true);
        const int described = AreaOf(record_)->sqld;
        if (described > AreaOf(record_)->sqln) {
            record_.SetCount(described);
            Call(ClientApi.isc_dsql_describe(ThreadStatusVector(), &handle_, dialect,
                                             AreaOf(record_)),
                 true);
        } else if (described == 0) {
            record_.SetCount(0);
        }
        record_.InitializeVars();
    }
}

// ---------------------------------------------------------------------------
// Execute and fetch

void TMDOSQL::ExecQuery() {
    CheckNotOpen();
    if (!prepared_) Prepare();
    CheckStatement();
    TMDOTransaction* transaction = Transaction();
    if (transaction->AutoCommit && !transaction->Active()) transaction->StartTransaction();
    const auto dialect = static_cast<unsigned short>(Dialect());
    switch (statementType_) {
        case SQLSelect:
        case SQLSelectForUpdate:
            Call(ClientApi.isc_dsql_execute2(ThreadStatusVector(), base_.TRHandle(), &handle_,
                                             dialect, AreaOf(params_), nullptr),
                 true);
            Call(ClientApi.isc_dsql_set_cursor_name(ThreadStatusVector(), &handle_,
                                                    cursorName_.c_str(), 0),
                 true);
            open_ = true;
            bof_ = true;
            eof_ = false;
            fetchedCount_ = 0;
            if (GoToFirstRecordOnExecute) Next();
            break;
        case SQLExecProcedure:
            ExecuteProcedure();
            break;
        default:
            Call(ClientApi.isc_dsql_execute(ThreadStatusVector(), base_.TRHandle(), &handle_,
                                            dialect, AreaOf(params_)),
                 true);
            break;
    }
    if (transaction->AutoCommit && !IsSelect()) {
        try {
            transaction->CommitRetaining();
        } catch (...) {
            transaction->RollbackRetaining();
            throw;
        }
    }
    MonitorHook().SQLExecute(*this);
}

void TMDOSQL::ExecuteProcedure() {
    const auto dialect = static_cast<unsigned short>(Dialect());
    XSQLDA* output = record_.Count() > 0 ? AreaOf(record_) : nullptr;
    const ISC_STATUS result =
        Call(ClientApi.isc_dsql_execute2(ThreadStatusVector(), base_.TRHandle(), &handle_, dialect,
                                         AreaOf(params_), output),
             false);
    if (result == 0) return;
    // A deadlock is not worth a second try: reported at once.
    if (ThreadStatusVector()[1] == isc_deadlock) RaiseDatabaseError();
    // Some servers refuse a procedure call prepared in the dialect of the
    // database until it is prepared again in dialect 1; the second error is
    // the one reported.
    ISC_STATUS_ARRAY ignored;
    ClientApi.isc_dsql_prepare(ignored, base_.TRHandle(), &handle_, 0, processedSQL_.c_str(), 1,
                               nullptr);
    Call(ClientApi.isc_dsql_execute2(ThreadStatusVector(), base_.TRHandle(), &handle_, dialect,
                                     AreaOf(params_), output),
         true);
}

TMDOXSQLDA* TMDOSQL::Next() {
    if (eof_) return nullptr;
    // A statement without a cursor has no rows: the end, without a call.
    if (!open_ && prepared_ && !IsSelect()) return nullptr;
    CheckIsOpen();
    const ISC_STATUS result =
        Call(ClientApi.isc_dsql_fetch(ThreadStatusVector(), &handle_,
                                      static_cast<unsigned short>(Dialect()), AreaOf(record_)),
             false);
    if (result == 100) {
        eof_ = true;
        return nullptr;
    }
    if (result != 0) {
        if (CheckStatusVector({isc_dsql_cursor_err})) {
            eof_ = true;
            return nullptr;
        }
        // Keep the fetch's error: closing the cursor overwrites the vector.
        ISC_STATUS_ARRAY error;
        std::memcpy(error, ThreadStatusVector(), sizeof error);
        Close();
        RaiseDatabaseError(error);
    }
    ++fetchedCount_;
    bof_ = false;
    MonitorHook().SQLFetch(*this);
    return &record_;
}

void TMDOSQL::Close() {
    if (handle_ != 0 && IsSelect() && open_) {
        const ISC_STATUS result = Call(
            ClientApi.isc_dsql_free_statement(ThreadStatusVector(), &handle_, DSQL_close), false);
        const ISC_STATUS* status = ThreadStatusVector();
        const bool raise = status[0] == 1 && result > 0 &&
                           !CheckStatusVector({isc_bad_stmt_handle, isc_dsql_cursor_close_err});
        eof_ = bof_ = open_ = false;
        fetchedCount_ = 0;
        if (raise) RaiseDatabaseError();
        return;
    }
    eof_ = bof_ = open_ = false;
    fetchedCount_ = 0;
}

void TMDOSQL::ReleaseHandle() {
    params_.SetCount(0);
    record_.SetCount(0);
    bool raise = false;
    if (handle_ != 0) {
        const ISC_STATUS result = Call(
            ClientApi.isc_dsql_free_statement(ThreadStatusVector(), &handle_, DSQL_drop), false);
        raise =
            ThreadStatusVector()[0] == 1 && result > 0 && !CheckStatusVector({isc_bad_stmt_handle});
    }
    prepared_ = false;
    handle_ = 0;
    libraryUser_.reset();
    if (raise) RaiseDatabaseError();
}

// ---------------------------------------------------------------------------
// Access

TMDOXSQLDA& TMDOSQL::Params() {
    if (!prepared_) Prepare();
    return params_;
}

TMDOXSQLVAR& TMDOSQL::Fields(int index) {
    if (index < 0 || index >= record_.Count()) RaiseClientError(46, std::to_string(index));
    return record_.Vars(index);
}

int TMDOSQL::IndexOfField(std::string_view name) const {
    const TMDOXSQLVAR* var = record_.FindVar(name);
    return var != nullptr ? var->Index() : -1;
}

TMDOXSQLVAR& TMDOSQL::FieldNamed(std::string_view name) {
    const int index = IndexOfField(name);
    if (index < 0) RaiseClientError(46, std::string(name));
    return Fields(index);
}

std::string TMDOSQL::Plan() {
    if (!prepared_ || !(statementType_ == SQLSelect || statementType_ == SQLUpdate ||
                        statementType_ == SQLDelete || statementType_ == SQLSelectForUpdate))
        return {};
    const std::vector<char> reply = StatementInfo(isc_info_sql_get_plan, 16385, true);
    const auto item = TcInfoReply(reply).First();
    if (!item || item->Code != isc_info_sql_get_plan) RaiseClientError(0);
    return TrimBlanks(std::string_view(item->Value, item->Length));
}

int TMDOSQL::AffectedRows() {
    if (!prepared_) return -1;
    std::vector<char> reply(1049, 0);
    const char item = isc_info_sql_records;
    if (Call(ClientApi.isc_dsql_sql_info(ThreadStatusVector(), &handle_, 1, &item,
                                         static_cast<short>(reply.size()), reply.data()),
             false) > 0)
        RaiseDatabaseError();
    const auto records = TcInfoReply(reply).First();
    if (!records || records->Code != isc_info_sql_records) return -1;
    char code;
    switch (statementType_) {
        case SQLUpdate:
            code = isc_info_req_update_count;
            break;
        case SQLDelete:
            code = isc_info_req_delete_count;
            break;
        case SQLInsert:
            code = isc_info_req_insert_count;
            break;
        default:
            return -1;
    }
    const auto count = TcInfoReply(records->Value, records->Length).Find(code);
    return count ? static_cast<int>(InfoInteger(*count)) : -1;
}

std::string TMDOSQL::SingleRelationName() const {
    if (!prepared_ || !IsSelect()) return {};
    return record_.SingleRelationName();
}

void TMDOSQL::CheckNotOpen() const {
    if (open_) RaiseClientError(31);
}

void TMDOSQL::CheckIsOpen() const {
    if (!open_) RaiseClientError(32);
}

void TMDOSQL::CheckStatement() {
    base_.CheckTransaction();
    if (handle_ == 0) RaiseClientError(30);
}

ISC_STATUS TMDOSQL::Call(ISC_STATUS result, bool raiseOnError) {
    if (Transaction() != nullptr) return Transaction()->Call(result, raiseOnError);
    if (raiseOnError && result > 0) RaiseDatabaseError();
    return 0;
}
