#pragma once
// TcInsertCache: prepared-statement reuse for the Firebird scripter's data
// scripts. An INSERT whose VALUES are only literals (insert_literals.h) is
// prepared once per shape, with markers for its literals, and executed again
// with each statement's literals as input values; the server's prepare is
// most of the cost of such a statement.
//
// The output stays what the ordinary road gives: the same message, the same
// transaction handling around it (the caller's), the same error text. When
// the execute fails, a table whose failed insert leaves no trace (no user
// trigger, no identity column, not a view or external table) runs the
// statement again on the ordinary road for the server's message about the
// literal; any other table reports the error as it came.
//
// The cache drops its statements before anything that could change metadata
// runs (any statement that is not a plain query or data change) and takes no
// new ones until that transaction ends; at every transaction end, when
// another attachment's metadata changes come into force; on connect and
// disconnect; when the
// dialect, the character set or the terminator changes; and when it is
// switched off. PLAN, PLANONLY, STATISTICS and dialect 1 and 2 leave every
// statement to the ordinary road.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mdo/client_entry_points.h"
#include "scripter/insert_batch.h"
#include "scripter/insert_literals.h"
#include "scripter/insert_reading.h"

class TcDBScripter_IB;

class TcInsertCache {
  public:
    explicit TcInsertCache(TcDBScripter_IB& scripter);
    ~TcInsertCache();
    TcInsertCache(const TcInsertCache&) = delete;
    TcInsertCache& operator=(const TcInsertCache&) = delete;

    // Runs the statement from the cache when it can; true when it ran (the
    // statement's results are set), false when the ordinary road must run it.
    // Raises the statement's error as the ordinary road would. Every SQL
    // statement passes here first, so that the cache sees what may change
    // metadata.
    bool TryExecute(const std::string& statement);
    // Whether `statement` joins a run of INSERTs sent as one block
    // (insert_batch.h); `first` starts a new run.
    bool JoinsBatch(const std::string& statement, bool first);
    TcInsertBatch& Batch() { return batch_; }
    const TcInsertBatch& Batch() const { return batch_; }
    // Drops every prepared statement; the attachment is still there.
    void Clear() noexcept;
    // The attachment is gone, and with it every statement: forgets them.
    void Forget() noexcept;
    // A transaction ended: metadata changed in it are now in force.
    void TransactionEnded() noexcept;

    size_t Size() const { return entries_.size(); }
    // Statements run from the cache, and shapes prepared, since creation.
    int64_t Hits() const { return hits_; }
    int64_t Prepares() const { return prepares_; }

    static constexpr size_t kMaxEntries = 16;

  private:
    struct TEntry;
    // The prepared form for the INSERT `statement` when it may run from the
    // cache (its shape read into shape_), or nullptr.
    TEntry* Ready(const std::string& statement);
    TEntry* Find();
    TEntry* Prepare();
    void Drop(TEntry& entry) noexcept;
    bool Run(TEntry& entry);
    // Whether a failed insert into the table leaves nothing behind, so that
    // it can run again; asked once per prepared shape.
    bool CanRepeat(const std::string& relation);
    // The one integer a query answers, or -1 when it fails.
    int64_t QueryInteger(const std::string& query);
    // The attachment's character set, asked once per attachment.
    TConnectionCharset ConnectionCharset();
    // Notes settings that make the prepared forms stale.
    void CheckSettings();

    TcDBScripter_IB& scripter_;
    std::vector<std::unique_ptr<TEntry>> entries_;  // most recently used first
    TcInsertShape shape_;
    TcInsertBatch batch_;
    bool metadataPending_ = false;
    int32_t dialect_ = 0;
    isc_db_handle charsetOf_ = 0;  // the attachment charset_ was asked of
    TConnectionCharset charset_ = TConnectionCharset::Other;
    std::string characterSet_;
    std::string terminator_;
    int64_t hits_ = 0;
    int64_t prepares_ = 0;
};
