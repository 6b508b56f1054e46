#pragma once
// TcInsertBatch: runs of single-row INSERTs of one shape sent to a server as
// one parameterised EXECUTE BLOCK, prepared once per shape and run length.
// Over a network each statement costs a round trip; a block of N rows costs
// one. The embedded engine has no round trips and keeps one statement at a
// time.
//
// Only statements the insert cache would run from its prepared form join a
// run, and only into a table whose failed insert leaves nothing behind (no
// trigger, no identity column, not a view): a block that fails is undone
// whole by the server, and its statements then run one by one on the
// ordinary road, so that each error is the server's own for that statement
// and every statement before it is in, exactly as without the block. A
// generator a trigger takes could not be given back, hence the limit.
//
// Each block parameter is declared in the type the value is bound in (the
// parser's type of the literal, text in the connection's character set) and
// the row's INSERT converts it into the column, as the server converts a
// bound value of the single statement.
//
// A savepoint is taken before each block: when a statement after the first
// fails to start (the owner stops the run between two of them), what the
// block did for it and the statements after it is undone.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mdo/client_entry_points.h"
#include "scripter/insert_literals.h"
#include "scripter/insert_reading.h"

class TcDBScripter_IB;

class TcInsertBatch {
  public:
    explicit TcInsertBatch(TcDBScripter_IB& scripter);
    ~TcInsertBatch();
    TcInsertBatch(const TcInsertBatch&) = delete;
    TcInsertBatch& operator=(const TcInsertBatch&) = delete;

    // Whether a statement the cache can run with `shape`'s values joins the
    // run being gathered (`first`: starts a new one).
    bool Join(bool first, const TcInsertShape& shape, TConnectionCharset charset);
    // The gathered run, in the order its statements will be executed.
    void Begin(const std::vector<std::string>& statements);
    // Called with every statement before it runs: true when it has run here
    // (its result is set). The first statement of a run sends the block;
    // when the block fails nothing of it stays and every statement of the
    // run takes the ordinary road. Raises a cancel or a lost connection.
    bool Execute(const std::string& statement);
    // The statement after the first `ran` failed: undoes the rest.
    void Undo(size_t ran);
    void End() noexcept;
    // Drops the prepared blocks; the attachment is still there.
    void Clear() noexcept;
    // The attachment is gone, and with it every block.
    void Forget() noexcept;

    // Blocks sent and statements they ran, since creation.
    int64_t Blocks() const { return blocks_; }
    int64_t Rows() const { return rows_; }

    static constexpr size_t kMaxRows = 100;
    // The input message of a block stays below the server's 64 KB.
    static constexpr size_t kMaxMessageBytes = 60000;
    // Longer text goes one statement at a time.
    static constexpr size_t kMaxTextBytes = 2048;

  private:
    struct TBlock;
    TBlock* FindOrPrepare();
    // Sends the block of the gathered rows; false when it failed and left
    // nothing behind.
    bool Send();
    void SetResult();
    void Drop(TBlock& block) noexcept;
    // One statement without a result, for the savepoint.
    bool Immediate(const char* statement);

    TcDBScripter_IB& scripter_;
    // The run being gathered: its shape with the declared parameter types,
    // and each row's values.
    std::string signature_;
    std::string shapeKey_;
    std::vector<std::string> declared_;
    size_t count_ = 0;
    size_t messageBytes_ = 0;
    std::vector<std::vector<TcInsertLiteral>> values_;
    // The run handed over, how many of it have run, whether the block ran.
    std::vector<std::string> statements_;
    size_t next_ = 0;
    bool sent_ = false;
    std::vector<std::unique_ptr<TBlock>> prepared_;  // most recently used first
    int64_t blocks_ = 0;
    int64_t rows_ = 0;
};
