#include "scripter/insert_batch.h"

#include <algorithm>

#include "foundation/errors.h"
#include "foundation/scoped_value.h"
#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"
#include "scripter/scripter_ib.h"

namespace {

bool Failed(const ISC_STATUS* status) {
    return status[0] == 1 && status[1] > 0;
}

constexpr size_t kMaxPrepared = 8;
constexpr const char* kSavepoint = "SAVEPOINT TESSEL$BATCH";
constexpr const char* kUndo = "ROLLBACK TO SAVEPOINT TESSEL$BATCH";

const char* CharacterSetName(TConnectionCharset charset) {
    switch (charset) {
        case TConnectionCharset::None:
            return "NONE";
        case TConnectionCharset::Utf8:
            return "UTF8";
        case TConnectionCharset::Win1252:
            return "WIN1252";
        case TConnectionCharset::Other:
            break;
    }
    return nullptr;
}

// The declared type of a block parameter that takes `value` as it is bound,
// and the bytes it takes in the input message (with its null flag and
// alignment); empty when the value goes one statement at a time.
std::string DeclaredType(const TcInsertLiteral& value, TConnectionCharset charset, size_t& bytes) {
    switch (value.Kind) {
        case TcInsertLiteral::TKind::Exact:
            bytes = 16;
            return value.Scale == 0 ? std::string("BIGINT")
                                    : Format("NUMERIC(18,%d)", -static_cast<int>(value.Scale));
        case TcInsertLiteral::TKind::Float:
            bytes = 16;
            return "DOUBLE PRECISION";
        case TcInsertLiteral::TKind::Null:
            bytes = 8;
            return "CHAR(1) CHARACTER SET NONE";
        case TcInsertLiteral::TKind::Text: {
            const char* name = CharacterSetName(charset);
            if (name == nullptr || value.Text.size() > TcInsertBatch::kMaxTextBytes) return {};
            // Lengths in steps, so that rows of one shape share a block.
            size_t length = 16;
            while (length < value.Text.size()) length *= 2;
            bytes = length * (charset == TConnectionCharset::Utf8 ? 4 : 1) + 10;
            return Format("VARCHAR(%zu) CHARACTER SET %s", length, name);
        }
    }
    return {};
}

}  // namespace

struct TcInsertBatch::TBlock {
    std::string Key;
    size_t Rows = 0;
    isc_stmt_handle Handle = 0;  // 0 when the block could not be prepared
    std::vector<char> Sqlda;
    std::vector<TcLiteralSlot> Slots;
    std::vector<short> Indicators;
    XSQLDA* Input() { return reinterpret_cast<XSQLDA*>(Sqlda.data()); }
};

TcInsertBatch::TcInsertBatch(TcDBScripter_IB& scripter) : scripter_(scripter) {}

TcInsertBatch::~TcInsertBatch() = default;

bool TcInsertBatch::Join(bool first, const TcInsertShape& shape, TConnectionCharset charset) {
    std::vector<std::string> declared(shape.Count);
    size_t rowBytes = 0;
    for (size_t i = 0; i < shape.Count; ++i) {
        size_t bytes = 0;
        declared[i] = DeclaredType(shape.Values[i], charset, bytes);
        if (declared[i].empty()) return false;
        rowBytes += bytes;
    }
    // The markers of the shape are its only question marks: a quoted name
    // with one in it would be taken for a marker.
    if (static_cast<size_t>(std::count(shape.Key.begin(), shape.Key.end(), '?')) != shape.Count)
        return false;
    std::string signature = shape.Key;
    for (const std::string& type : declared) signature += '\n' + type;
    if (first) {
        signature_ = std::move(signature);
        shapeKey_ = shape.Key;
        declared_ = std::move(declared);
        count_ = shape.Count;
        messageBytes_ = 0;
        values_.clear();
    } else if (signature != signature_ || values_.size() >= kMaxRows ||
               messageBytes_ + rowBytes > kMaxMessageBytes) {
        return false;
    }
    messageBytes_ += rowBytes;
    values_.emplace_back(shape.Values.begin(),
                         shape.Values.begin() + static_cast<std::ptrdiff_t>(shape.Count));
    return true;
}

void TcInsertBatch::Begin(const std::vector<std::string>& statements) {
    statements_ = statements;
    next_ = 0;
    sent_ = false;
}

void TcInsertBatch::End() noexcept {
    statements_.clear();
    values_.clear();
    next_ = 0;
    sent_ = false;
}

void TcInsertBatch::SetResult() {
    scripter_.LastMessage = Format("%d row(s) inserted.", 1);
    scripter_.RecordCount = 0;
}

bool TcInsertBatch::Execute(const std::string& statement) {
    if (statements_.empty()) return false;
    if (!sent_) {
        // Nothing has run yet: a run that does not begin as gathered, or a
        // block that fails, leaves every statement to the ordinary road.
        if (next_ != 0 || statement != statements_.front() ||
            values_.size() != statements_.size() || !Send()) {
            End();
            return false;
        }
        sent_ = true;
    } else if (next_ >= statements_.size() || statement != statements_[next_]) {
        throw EInternal("A statement of an INSERT batch changed after the batch ran.");
    }
    ++next_;
    SetResult();
    return true;
}

void TcInsertBatch::Undo(size_t ran) {
    if (!sent_ || ran >= statements_.size()) return;
    const std::vector<std::string> done(statements_.begin(),
                                        statements_.begin() + static_cast<std::ptrdiff_t>(ran));
    End();
    ISC_STATUS status[20] = {};
    isc_db_handle database = scripter_.DatabaseHandle();
    isc_tr_handle transaction = scripter_.TransactionHandle();
    ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, kUndo, 3, nullptr);
    if (Failed(status))
        throw EInternal("The rest of an INSERT batch could not be undone: " +
                        JoinStrings(InterpretStatusVector(status, 4096), " ", ""));
    // The statements reported as run go in again, one by one: a table
    // without triggers takes them as before.
    scripter_.EnterInternal();
    TcScopeExit leave([this]() noexcept {
        try {
            scripter_.LeaveInternal();
        } catch (...) {
        }
    });
    for (const std::string& text : done) scripter_.ExecuteStatement(text);
}

bool TcInsertBatch::Immediate(const char* statement) {
    ISC_STATUS status[20] = {};
    isc_db_handle database = scripter_.DatabaseHandle();
    isc_tr_handle transaction = scripter_.TransactionHandle();
    ClientApi.isc_dsql_execute_immediate(status, &database, &transaction, 0, statement, 3, nullptr);
    return !Failed(status);
}

TcInsertBatch::TBlock* TcInsertBatch::FindOrPrepare() {
    const size_t rows = values_.size();
    const auto found = std::find_if(prepared_.begin(), prepared_.end(), [&](const auto& block) {
        return block->Rows == rows && block->Key == signature_;
    });
    if (found != prepared_.end()) {
        std::rotate(prepared_.begin(), found, found + 1);
        return prepared_.front().get();
    }
    auto block = std::make_unique<TBlock>();
    block->Key = signature_;
    block->Rows = rows;
    const size_t parameters = rows * count_;
    std::string text = "EXECUTE BLOCK (";
    for (size_t p = 0; p < parameters; ++p)
        text += Format("%sP%zu %s = ?", p == 0 ? "" : ", ", p, declared_[p % count_].c_str());
    text += ") AS BEGIN\n";
    for (size_t row = 0; row < rows; ++row) {
        size_t p = row * count_;
        for (const char c : shapeKey_) {
            if (c == '?')
                text += Format(":P%zu", p++);
            else
                text += c;
        }
        text += ";\n";
    }
    text += "END";
    block->Sqlda.assign(XSQLDA_LENGTH(parameters), 0);
    block->Slots.resize(parameters);
    block->Indicators.resize(parameters);
    XSQLDA* input = block->Input();
    input->version = SQLDA_VERSION1;
    input->sqln = static_cast<short>(parameters);
    ISC_STATUS status[20] = {};
    isc_db_handle database = scripter_.DatabaseHandle();
    isc_tr_handle transaction = scripter_.TransactionHandle();
    ClientApi.isc_dsql_alloc_statement2(status, &database, &block->Handle);
    if (!Failed(status))
        ClientApi.isc_dsql_prepare(status, &transaction, &block->Handle, 0, text.c_str(), 3,
                                   nullptr);
    if (!Failed(status)) ClientApi.isc_dsql_describe_bind(status, &block->Handle, 1, input);
    // A block the server refuses (too large, say) is remembered as such:
    // its rows take the ordinary road without asking again.
    if (Failed(status) || static_cast<size_t>(input->sqld) != parameters) Drop(*block);
    prepared_.insert(prepared_.begin(), std::move(block));
    if (prepared_.size() > kMaxPrepared) {
        Drop(*prepared_.back());
        prepared_.pop_back();
    }
    return prepared_.front().get();
}

bool TcInsertBatch::Send() {
    TBlock* block = FindOrPrepare();
    if (block->Handle == 0) return false;
    XSQLDA* input = block->Input();
    for (size_t row = 0; row < block->Rows; ++row)
        for (size_t i = 0; i < count_; ++i) {
            const size_t p = row * count_ + i;
            if (!BindInsertLiteral(values_[row][i], input->sqlvar[p], block->Slots[p],
                                   block->Indicators[p]))
                return false;
        }
    if (!Immediate(kSavepoint)) return false;
    ISC_STATUS* status = scripter_.StatusVector;
    isc_tr_handle transaction = scripter_.TransactionHandle();
    {
        // A cancel reaches the block while it runs: the server undoes it
        // whole, as it does any failed statement.
        scripter_.EnterServerCall();
        TcScopeExit leave([this]() noexcept { scripter_.LeaveServerCall(); });
        ClientApi.isc_dsql_execute(status, &transaction, &block->Handle, 3, input);
    }
    if (Failed(status)) {
        if (IsLostConnection(status) || CheckStatusVector(status, {isc_cancelled}))
            scripter_.CheckStatus();
        return false;
    }
    ++blocks_;
    rows_ += static_cast<int64_t>(block->Rows);
    return true;
}

void TcInsertBatch::Drop(TBlock& block) noexcept {
    if (block.Handle == 0) return;
    ISC_STATUS scratch[20] = {};
    ClientApi.isc_dsql_free_statement(scratch, &block.Handle, DSQL_drop);
    block.Handle = 0;
}

void TcInsertBatch::Clear() noexcept {
    for (auto& block : prepared_) Drop(*block);
    prepared_.clear();
}

void TcInsertBatch::Forget() noexcept {
    prepared_.clear();
}
