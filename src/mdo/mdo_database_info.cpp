#include "mdo/mdo_database_info.h"

#include <vector>

#include "mdo/client_library.h"
#include "mdo/info_reply.h"
#include "mdo/mdo_database.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"

namespace {

constexpr size_t kReplySize = 512;

// The first cluster of the reply to one request on the database.
TMDOInfoItem Request(TMDODatabase* database, char item, std::vector<char>& reply) {
    if (database == nullptr) RaiseClientError(24);
    database->CheckActive();
    reply.assign(kReplySize, 0);
    database->Call(
        RequestDatabaseInfo(ThreadStatusVector(), database->HandleAddress(), item, reply), true);
    return TcInfoReply(reply).First().value_or(TMDOInfoItem{});
}

}  // namespace

TMDODatabaseInfo::TMDODatabaseInfo() {
    CheckClientLibraryLoaded();
}

int64_t TMDODatabaseInfo::ReadInfoInteger(char item) {
    std::vector<char> reply;
    return InfoInteger(Request(Database, item, reply));
}

int64_t TMDODatabaseInfo::ODSMajorVersion() {
    return ReadInfoInteger(isc_info_ods_version);
}

int64_t TMDODatabaseInfo::PageSize() {
    return ReadInfoInteger(isc_info_page_size);
}

int64_t TMDODatabaseInfo::DBSQLDialect() {
    std::vector<char> reply;
    const TMDOInfoItem answer = Request(Database, isc_info_db_sql_dialect, reply);
    if (answer.Code != isc_info_db_sql_dialect) return 1;
    return InfoInteger(answer);
}
