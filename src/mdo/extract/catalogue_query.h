#pragma once
// TcCatalogueQuery: one catalogue query of the extractor, on a statement the
// extractor prepared once for this query text and lends out for as long as
// the query object lives. Parameters are set by name, columns read by name
// (a name that occurs a second time in a SELECT * carries the suffix "1"),
// CHAR values without their trailing blanks.
//
// Contract: the statement goes back to the extractor, its cursor closed,
// when the object is destroyed, also when an exception passes; a query text
// that is in use already (a writer that runs the same query inside its own
// loop) gets a statement of its own.

#include <cstdint>
#include <memory>
#include <string>

#include "mdo/extract/extract_text.h"

class TMDOExtract;
class TMDOSQL;

class TcCatalogueQuery {
  public:
    TcCatalogueQuery(TMDOExtract& extract, std::string sql);
    ~TcCatalogueQuery();
    TcCatalogueQuery(const TcCatalogueQuery&) = delete;
    TcCatalogueQuery& operator=(const TcCatalogueQuery&) = delete;

    void SetParam(const std::string& name, const std::string& value);
    void SetParam(const std::string& name, int value);
    // Runs the query (closing a cursor a former run left open) and moves to
    // the first row.
    void Open();
    bool Eof() const;
    void Next();
    void Close();

    std::string AsString(const std::string& column) const;
    // AsString without blanks and control characters at both ends.
    std::string Trimmed(const std::string& column) const;
    int32_t AsInteger(const std::string& column) const;
    int16_t AsShort(const std::string& column) const;
    int64_t AsInt64(const std::string& column) const;
    bool IsNull(const std::string& column) const;

    // The row by position, for table data.
    int FieldCount() const;
    std::string FieldName(int index) const;
    int FieldType(int index) const;
    bool FieldIsNull(int index) const;
    std::string FieldText(int index) const;

  private:
    TMDOExtract& extract_;
    std::string sql_;
    std::unique_ptr<TMDOSQL> statement_;
};

// The facts of the data type rules from a row that carries a field's type
// columns (RDB$FIELD_TYPE, _SCALE, _SUB_TYPE, _PRECISION).
TcTypeFacts TypeFactsOf(const TcCatalogueQuery& row);
