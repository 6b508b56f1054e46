// The extractor's statements: made once per query text, lent to one
// TcCatalogueQuery at a time and kept prepared for the next.
#include "mdo/extract/catalogue_query.h"

#include "foundation/string_utils.h"
#include "mdo/extract/extract.h"
#include "mdo/mdo_sql.h"
#include "mdo/mdo_transaction.h"
#include "mdo/mdo_xsqlda.h"
#include "mdo/mdo_xsqlvar.h"

TMDOExtract::TMDOExtract() {
    // The database or transaction goes away: what was read of it goes too.
    link_.OnDatabaseFree = [this](TMDOBase&) {
        ods_ = dbDialect_ = hasDefaultCharset_ = -1;
        DatabaseInfo.Database = nullptr;
    };
}

TMDOExtract::TMDOExtract(TMDODatabase* owner) : TMDOExtract() {
    SetDatabase(owner);
}

TMDOExtract::TMDOExtract(TMDOTransaction* owner) : TMDOExtract() {
    SetTransaction(owner);
}

TMDOExtract::~TMDOExtract() = default;

void TMDOExtract::Forget() {
    idle_.clear();
    charsetTexts_.clear();
    ods_ = dbDialect_ = hasDefaultCharset_ = -1;
}

std::unique_ptr<TMDOSQL> TMDOExtract::TakeStatement(const std::string& sql) {
    auto& idle = idle_[sql];
    while (!idle.empty()) {
        std::unique_ptr<TMDOSQL> statement = std::move(idle.back());
        idle.pop_back();
        // A statement whose database went away is of no more use.
        if (statement->Database() == Database() && Database() != nullptr) {
            if (Transaction() != nullptr) statement->SetTransaction(Transaction());
            return statement;
        }
    }
    auto statement = std::make_unique<TMDOSQL>(Database());
    if (Transaction() != nullptr) statement->SetTransaction(Transaction());
    statement->SetSQLText(sql);
    return statement;
}

void TMDOExtract::ReturnStatement(const std::string& sql, std::unique_ptr<TMDOSQL> statement) {
    idle_[sql].push_back(std::move(statement));
}

TcCatalogueQuery::TcCatalogueQuery(TMDOExtract& extract, std::string sql)
    : extract_(extract), sql_(std::move(sql)), statement_(extract.TakeStatement(sql_)) {}

TcCatalogueQuery::~TcCatalogueQuery() {
    try {
        statement_->Close();
        extract_.ReturnStatement(sql_, std::move(statement_));
    } catch (const std::exception&) {
        // A cursor that cannot be closed (the connection broke) leaves a
        // statement nobody can reuse: it is dropped here, and the error
        // that broke the connection reaches the caller on its own way.
    }
}

void TcCatalogueQuery::SetParam(const std::string& name, const std::string& value) {
    statement_->Params().VarNamed(name).SetAsString(value);
}

void TcCatalogueQuery::SetParam(const std::string& name, int value) {
    statement_->Params().VarNamed(name).SetAsInteger(value);
}

void TcCatalogueQuery::Open() {
    statement_->Close();
    statement_->ExecQuery();
}

bool TcCatalogueQuery::Eof() const {
    return statement_->Eof();
}

void TcCatalogueQuery::Next() {
    statement_->Next();
}

void TcCatalogueQuery::Close() {
    statement_->Close();
}

std::string TcCatalogueQuery::AsString(const std::string& column) const {
    return statement_->FieldNamed(column).AsString();
}

std::string TcCatalogueQuery::Trimmed(const std::string& column) const {
    return TrimBlanks(AsString(column));
}

int32_t TcCatalogueQuery::AsInteger(const std::string& column) const {
    return statement_->FieldNamed(column).AsInteger();
}

int16_t TcCatalogueQuery::AsShort(const std::string& column) const {
    return statement_->FieldNamed(column).AsShort();
}

int64_t TcCatalogueQuery::AsInt64(const std::string& column) const {
    return statement_->FieldNamed(column).AsInt64();
}

bool TcCatalogueQuery::IsNull(const std::string& column) const {
    return statement_->FieldNamed(column).IsNull();
}

int TcCatalogueQuery::FieldCount() const {
    return statement_->CurrentRecord().Count();
}

std::string TcCatalogueQuery::FieldName(int index) const {
    return statement_->Fields(index).Name();
}

int TcCatalogueQuery::FieldType(int index) const {
    return statement_->Fields(index).SQLType();
}

bool TcCatalogueQuery::FieldIsNull(int index) const {
    return statement_->Fields(index).IsNull();
}

std::string TcCatalogueQuery::FieldText(int index) const {
    return statement_->Fields(index).AsString();
}

TcTypeFacts TypeFactsOf(const TcCatalogueQuery& row) {
    TcTypeFacts facts;
    facts.Type = row.AsInteger("RDB$FIELD_TYPE");
    facts.Scale = row.AsInteger("RDB$FIELD_SCALE");
    facts.SubType = row.AsInteger("RDB$FIELD_SUB_TYPE");
    facts.HasPrecision = !row.IsNull("RDB$FIELD_PRECISION");
    facts.Precision = row.AsInteger("RDB$FIELD_PRECISION");
    return facts;
}
