#pragma once
// TMDOSQL: one SQL statement at a time on a TMDODatabase inside a
// TMDOTransaction. It turns named parameters into markers, prepares the
// statement, learns its type and the shape of its parameters (Params) and
// result columns (CurrentRecord), executes it and fetches rows one by one.
//
// Contract: one owning thread. The statement is linked to its database and
// transaction, not owned by them: the database's disconnect closes its
// cursor and releases its handle, the transaction's hard end closes its
// cursor. While it holds a statement handle it holds a TcClientLibraryUser.
// Columns are read through the TMDOXSQLVAR accessors; the variables belong
// to the statement and stay valid for its lifetime.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_xsqlda.h"

// Statement types the server reports (isc_info_sql_stmt_type).
enum TMDOSQLStatementType {
    SQLUnknown = 0,
    SQLSelect = 1,
    SQLInsert = 2,
    SQLUpdate = 3,
    SQLDelete = 4,
    SQLDDL = 5,
    SQLGetSegment = 6,
    SQLPutSegment = 7,
    SQLExecProcedure = 8,
    SQLStartTransaction = 9,
    SQLCommit = 10,
    SQLRollback = 11,
    SQLSelectForUpdate = 12,
    SQLSetGenerator = 13
};

class TMDOSQL {
  public:
    using TEvent = std::function<void(TMDOSQL&)>;

    // An owning database becomes Database (and its default transaction the
    // Transaction); an owning transaction becomes Transaction.
    explicit TMDOSQL(TMDODatabase* owner = nullptr);
    explicit TMDOSQL(TMDOTransaction* owner);
    // Closes an open cursor and releases the handle; errors are dropped.
    ~TMDOSQL();
    TMDOSQL(const TMDOSQL&) = delete;
    TMDOSQL& operator=(const TMDOSQL&) = delete;

    // The component name; the cursor name begins with it.
    std::string Name = "MDOSQL";
    // Run PreprocessParams on prepare; false sends the text unchanged.
    bool ParamCheck = true;
    // ExecQuery of a select fetches the first row at once.
    bool GoToFirstRecordOnExecute = true;
    // Names a bare marker "MDOParam<n>" instead of refusing it.
    bool AutoNameParams = false;
    // Fires before SQL changes.
    TEvent OnSQLChanging;

    TMDODatabase* Database() const { return base_.Database(); }
    void SetDatabase(TMDODatabase* database) { base_.SetDatabase(database); }
    TMDOTransaction* Transaction() const { return base_.Transaction(); }
    void SetTransaction(TMDOTransaction* transaction) { base_.SetTransaction(transaction); }
    TMDOBase& Base() { return base_; }

    // The statement text, one line per entry.
    const TStringList& SQL() const { return sql_; }
    // A different text fires OnSQLChanging and releases the handle first.
    void SetSQL(const TStringList& lines);
    // The same, the text split at its line breaks.
    void SetSQLText(std::string_view text);
    // Every line followed by CR LF.
    std::string SQLText() const;

    void Prepare();
    void ExecQuery();
    // The next row, or null at the end of the data.
    TMDOXSQLDA* Next();
    void Close();
    void ReleaseHandle();
    // Fills ProcessedSQL and names the input variables.
    void PreprocessParams();

    // Prepares when needed; the input parameters.
    TMDOXSQLDA& Params();
    TMDOXSQLDA& CurrentRecord() { return record_; }
    // Client error 46 with the index outside 0 to Count - 1.
    TMDOXSQLVAR& Fields(int index);
    int IndexOfField(std::string_view name) const;
    // Client error 46 "Field "name" not found".
    TMDOXSQLVAR& FieldNamed(std::string_view name);

    // True at the end of the data or without an open cursor.
    bool Eof() const { return eof_ || !open_; }
    bool Bof() const { return bof_; }
    bool Open() const { return open_; }
    bool Prepared() const { return prepared_; }
    int FetchedCount() const { return fetchedCount_; }
    int StatementType() const { return statementType_; }
    isc_stmt_handle Handle() const { return handle_; }
    const std::string& CursorName() const { return cursorName_; }
    const std::string& ProcessedSQL() const { return processedSQL_; }

    // The server's plan of a prepared select, update or delete; else empty.
    std::string Plan();
    // Rows of a prepared insert, update or delete; -1 otherwise.
    int AffectedRows();
    // For a select, the one relation all columns come from; else empty.
    std::string SingleRelationName() const;

    void CheckNotOpen() const;
    void CheckIsOpen() const;
    void CheckStatement();
    ISC_STATUS Call(ISC_STATUS result, bool raiseOnError);

  private:
    void Link();
    int Dialect() const;
    bool IsSelect() const;
    // The raw area, or null while it holds nothing to describe.
    static XSQLDA* AreaOf(TMDOXSQLDA& area) { return area.AsXSQLDA(); }
    void AllocateAndPrepare();
    void ReadStatementType();
    void DescribeAreas();
    void ExecuteProcedure();
    // One isc_dsql_sql_info request of the single item `item`.
    std::vector<char> StatementInfo(char item, size_t replySize, bool raiseOnError);

    TMDOBase base_{this};
    TStringList sql_;
    bool bof_ = false;
    bool eof_ = false;
    bool open_ = false;
    bool prepared_ = false;
    isc_stmt_handle handle_ = 0;
    std::string cursorName_;
    std::string processedSQL_;
    int fetchedCount_ = 0;
    int statementType_ = SQLUnknown;
    TMDOXSQLDA params_{this};
    TMDOXSQLDA record_{this};
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
};
