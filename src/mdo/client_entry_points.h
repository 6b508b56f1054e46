#pragma once
// The table of client library entry points. Each member has exactly the type
// that ibase.h publishes for the function of the same name; ibase.h is used
// for its declarations only, the addresses come from dlsym.

// isc_interprete is deprecated in ibase.h but it is the interpreter that every
// client library exports; naming its type must not fail the build.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <ibase.h>
#pragma GCC diagnostic pop

// Entry points every supported client exports, in the order they are resolved.
#define MDO_REQUIRED_ENTRY_POINTS(X) \
    X(BLOB_get)                      \
    X(BLOB_put)                      \
    X(isc_sqlcode)                   \
    X(isc_sql_interprete)            \
    X(isc_interprete)                \
    X(isc_vax_integer)               \
    X(isc_blob_info)                 \
    X(isc_open_blob2)                \
    X(isc_close_blob)                \
    X(isc_get_segment)               \
    X(isc_put_segment)               \
    X(isc_create_blob2)              \
    X(isc_decode_date)               \
    X(isc_encode_date)               \
    X(isc_dsql_free_statement)       \
    X(isc_dsql_execute2)             \
    X(isc_dsql_execute)              \
    X(isc_dsql_set_cursor_name)      \
    X(isc_dsql_fetch)                \
    X(isc_dsql_sql_info)             \
    X(isc_dsql_alloc_statement2)     \
    X(isc_dsql_prepare)              \
    X(isc_dsql_describe_bind)        \
    X(isc_dsql_describe)             \
    X(isc_dsql_execute_immediate)    \
    X(isc_drop_database)             \
    X(isc_detach_database)           \
    X(isc_attach_database)           \
    X(isc_database_info)             \
    X(isc_start_multiple)            \
    X(isc_commit_transaction)        \
    X(isc_commit_retaining)          \
    X(isc_rollback_transaction)      \
    X(isc_cancel_events)             \
    X(isc_que_events)                \
    X(isc_event_counts)              \
    X(isc_event_block)               \
    X(isc_free)                      \
    X(isc_add_user)                  \
    X(isc_delete_user)               \
    X(isc_modify_user)

// Entry points of version-6 clients, required when isc_rollback_retaining is
// exported and replaced by stubs otherwise; resolved in this order.
#define MDO_VERSION6_ENTRY_POINTS(X) \
    X(isc_service_attach)            \
    X(isc_service_detach)            \
    X(isc_service_query)             \
    X(isc_service_start)             \
    X(isc_decode_sql_date)           \
    X(isc_decode_sql_time)           \
    X(isc_decode_timestamp)          \
    X(isc_encode_sql_date)           \
    X(isc_encode_sql_time)           \
    X(isc_encode_timestamp)

// Entry points that not every client exports; each is null when the loaded
// library lacks it, so callers test it before the call.
//   fb_interpret         the bounded form of isc_interprete
//   fb_shutdown          stops the library's threads and closes what it holds
//   fb_cancel_operation  stops a running request from another thread
#define MDO_OPTIONAL_ENTRY_POINTS(X) \
    X(fb_interpret)                  \
    X(fb_shutdown)                   \
    X(fb_cancel_operation)

// One entry of the vector that isc_start_multiple takes (its last argument):
// the layout the client library reads, which ibase.h does not declare.
struct TMDOTransactionEntry {
    isc_db_handle* Database;
    ISC_LONG TPBLength;
    const char* TPB;
};

#define MDO_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;

// One function pointer per entry point. While no library is loaded (before
// the first load and after an unload) every pointer, the optional ones too,
// is a stub that raises client error 1, so no call ever jumps into an
// unloaded library. Call through the process-wide `ClientApi` after
// `CheckClientLibraryLoaded`, for example
// ClientApi.isc_attach_database(status, 0, path, &handle, dpbLength, dpb).
// The deprecation of isc_interprete would otherwise fire where its type is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct TMDOEntryPoints {
    MDO_REQUIRED_ENTRY_POINTS(MDO_DECLARE_ENTRY_POINT)
    MDO_VERSION6_ENTRY_POINTS(MDO_DECLARE_ENTRY_POINT)
    // Probed: its presence makes the library a version-6 client.
    decltype(&::isc_rollback_retaining) isc_rollback_retaining = nullptr;
    MDO_OPTIONAL_ENTRY_POINTS(MDO_DECLARE_ENTRY_POINT)
};
#pragma GCC diagnostic pop

#undef MDO_DECLARE_ENTRY_POINT
