#pragma once
// TMDOXSQLDA: one descriptor area in the client's XSQLDA layout, holding the
// parameters of a statement or the columns of its current row.
//
// Contract: the area only grows. Lowering Count keeps the raw area, the
// variable objects and their buffers, so a statement prepared again reuses
// them; a variable reference stays valid for the area's lifetime. Names are
// normalised with FormatIdentifierValue in the statement's dialect, so
// look-ups of unquoted names ignore case.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mdo/client_entry_points.h"
#include "mdo/mdo_xsqlvar.h"

class TMDOSQL;

class TMDOXSQLDA {
  public:
    // `sql` is the owning statement (dialect, database and transaction for
    // blobs); null for an area used on its own (dialect 3, no blobs).
    explicit TMDOXSQLDA(TMDOSQL* sql = nullptr);
    ~TMDOXSQLDA();
    TMDOXSQLDA(const TMDOXSQLDA&) = delete;
    TMDOXSQLDA& operator=(const TMDOXSQLDA&) = delete;

    int Count() const { return count_; }
    // Clears the names; grows the area when needed; sets sqln and sqld.
    void SetCount(int count);
    // How many variables are allocated (never less than ever asked for).
    int Allocated() const { return static_cast<int>(vars_.size()); }

    // Client error 26 unless 0 <= index < Count.
    TMDOXSQLVAR& Vars(int index) const;
    TMDOXSQLVAR& operator[](int index) const { return Vars(index); }
    // Normalises `name` and stores it as the name of variable `index`.
    void SetVarName(std::string_view name, int index);
    // The first variable whose name equals the normalised `name`, or null.
    TMDOXSQLVAR* FindVar(std::string_view name) const;
    // FindVar, or client error 46 with the name.
    TMDOXSQLVAR& VarNamed(std::string_view name) const;
    // After a describe: the single relation name, names from the aliases
    // when none were set, data and indicator buffers for the described types
    // (client error 35 for a type code it does not know).
    void InitializeVars();

    // The raw area for the client calls; null while nothing is allocated.
    XSQLDA* AsXSQLDA() const { return area_; }
    // The one relation every column comes from, or empty.
    const std::string& SingleRelationName() const { return singleRelationName_; }
    TMDOSQL* SQL() const { return sql_; }
    // The statement's database dialect; 3 without one.
    int Dialect() const;

  private:
    TMDOSQL* sql_;
    int count_ = 0;
    std::vector<std::string> names_;
    std::string singleRelationName_;
    XSQLDA* area_ = nullptr;
    std::vector<std::unique_ptr<TMDOXSQLVAR>> vars_;
};
