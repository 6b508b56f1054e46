#include "mdo/mdo_xsqlda.h"

#include <algorithm>

#include "mdo/buffers.h"
#include "mdo/identifiers.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_sql.h"
#include "mdo/sql_column.h"

namespace {

// Names are cut to the server's identifier length.
constexpr size_t kMaxNameLength = 31;

std::string_view Counted(const char* text, ISC_SHORT length) {
    return std::string_view(text, static_cast<size_t>(std::clamp<int>(length, 0, 32)));
}

}  // namespace

TMDOXSQLDA::TMDOXSQLDA(TMDOSQL* sql) : sql_(sql) {}

TMDOXSQLDA::~TMDOXSQLDA() {
    vars_.clear();
    FreeBuffer(area_);
}

int TMDOXSQLDA::Dialect() const {
    if (sql_ != nullptr && sql_->Database() != nullptr) return sql_->Database()->SQLDialect();
    return 3;
}

void TMDOXSQLDA::SetCount(int count) {
    names_.clear();
    count_ = std::max(count, 0);
    if (count_ == 0) singleRelationName_.clear();
    const int allocated = Allocated();
    if (count_ > allocated) {
        AllocBuffer(area_, allocated > 0 ? static_cast<size_t>(XSQLDA_LENGTH(allocated)) : 0,
                    static_cast<size_t>(XSQLDA_LENGTH(count_)));
        area_->version = SQLDA_VERSION1;
        for (int i = allocated; i < count_; ++i)
            vars_.push_back(std::make_unique<TMDOXSQLVAR>(*this, i));
        for (int i = 0; i < count_; ++i) vars_[static_cast<size_t>(i)]->Attach(&area_->sqlvar[i]);
    }
    if (area_ != nullptr) {
        area_->sqln = static_cast<ISC_SHORT>(count_);
        area_->sqld = static_cast<ISC_SHORT>(count_);
    }
}

TMDOXSQLVAR& TMDOXSQLDA::Vars(int index) const {
    if (index < 0 || index >= count_) RaiseClientError(26);
    return *vars_[static_cast<size_t>(index)];
}

void TMDOXSQLDA::SetVarName(std::string_view name, int index) {
    std::string normalised = FormatIdentifierValue(Dialect(), name);
    if (names_.size() <= static_cast<size_t>(index)) names_.resize(static_cast<size_t>(index) + 1);
    names_[static_cast<size_t>(index)] = normalised;
    TMDOXSQLVAR& var = *vars_.at(static_cast<size_t>(index));
    var.name_ = std::move(normalised);
    var.index_ = index;
}

TMDOXSQLVAR* TMDOXSQLDA::FindVar(std::string_view name) const {
    const std::string wanted = FormatIdentifierValue(Dialect(), name);
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == wanted) return vars_[i].get();
    return nullptr;
}

TMDOXSQLVAR& TMDOXSQLDA::VarNamed(std::string_view name) const {
    TMDOXSQLVAR* var = FindVar(name);
    if (var == nullptr) RaiseClientError(46, std::string(name));
    return *var;
}

void TMDOXSQLDA::InitializeVars() {
    const bool nameFromAliases = names_.empty();
    bool relationSeen = false;
    singleRelationName_.clear();
    for (int i = 0; i < count_; ++i) {
        const XSQLVAR& var = area_->sqlvar[i];
        const std::string_view relation = Counted(var.relname, var.relname_length);
        if (relation.empty()) continue;
        if (!relationSeen) {
            relationSeen = true;
            singleRelationName_ = relation;
        } else if (!singleRelationName_.empty() && singleRelationName_ != relation) {
            // Two relations: no single one, whatever follows.
            singleRelationName_.clear();
            break;
        }
    }
    for (int i = 0; i < count_; ++i) {
        XSQLVAR& var = area_->sqlvar[i];
        if (nameFromAliases) {
            std::string alias(Counted(var.aliasname, var.aliasname_length));
            const bool empty = alias.empty();
            std::string candidate = empty ? "F_1" : alias;
            for (int number = 1; FindVar(candidate) != nullptr; ++number) {
                const std::string digits = std::to_string(number);
                std::string base = empty ? "F_" : alias;
                if (base.size() + digits.size() > kMaxNameLength)
                    base.resize(kMaxNameLength - digits.size());
                candidate = base + digits;
            }
            SetVarName(candidate, i);
        }
        const int type = var.sqltype & ~1;
        if (!IsKnownSqlType(type)) RaiseClientError(35, static_cast<long long>(type));
        FitSqlLength(var);
        TMDOXSQLVAR& object = *vars_[static_cast<size_t>(i)];
        object.Attach(&var);
        object.ResizeData(std::max<size_t>(SqlBufferBytes(var).value_or(SqlLength(var)), 1));
        object.SetNullable((var.sqltype & 1) != 0);
    }
}
