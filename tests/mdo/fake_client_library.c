/* A stand-in client library for binding tests: it exports the entry points
 * by name (the binding never checks more than that) and an interpreter that
 * makes server errors predictable. Variants are chosen at compile time:
 *   FAKE_VERSION6      also exports isc_rollback_retaining and the version-6 set
 *   FAKE_OMIT_PREPARE  lacks isc_dsql_prepare, a required entry point
 *
 * Status vector convention of this fake: word 1 is the error code, every
 * isc_arg_string (2) cluster is one interpreted text, and an isc_arg_number
 * (4) cluster holds the SQL code that isc_sqlcode reports. */

#include <stdint.h>
#include <string.h>

typedef intptr_t status_word;

#define FAKE_ENTRY(name) \
    int name(void) { return 0; }

FAKE_ENTRY(BLOB_get)
FAKE_ENTRY(BLOB_put)
FAKE_ENTRY(isc_sql_interprete)
FAKE_ENTRY(isc_vax_integer)
FAKE_ENTRY(isc_blob_info)
FAKE_ENTRY(isc_open_blob2)
FAKE_ENTRY(isc_close_blob)
FAKE_ENTRY(isc_get_segment)
FAKE_ENTRY(isc_put_segment)
FAKE_ENTRY(isc_create_blob2)
FAKE_ENTRY(isc_decode_date)
FAKE_ENTRY(isc_encode_date)
FAKE_ENTRY(isc_dsql_free_statement)
FAKE_ENTRY(isc_dsql_execute2)
FAKE_ENTRY(isc_dsql_execute)
FAKE_ENTRY(isc_dsql_set_cursor_name)
FAKE_ENTRY(isc_dsql_fetch)
FAKE_ENTRY(isc_dsql_sql_info)
FAKE_ENTRY(isc_dsql_alloc_statement2)
#ifndef FAKE_OMIT_PREPARE
FAKE_ENTRY(isc_dsql_prepare)
#endif
FAKE_ENTRY(isc_dsql_describe_bind)
FAKE_ENTRY(isc_dsql_describe)
FAKE_ENTRY(isc_dsql_execute_immediate)
FAKE_ENTRY(isc_drop_database)
FAKE_ENTRY(isc_detach_database)
FAKE_ENTRY(isc_attach_database)
FAKE_ENTRY(isc_database_info)
FAKE_ENTRY(isc_start_multiple)
FAKE_ENTRY(isc_commit_transaction)
FAKE_ENTRY(isc_commit_retaining)
FAKE_ENTRY(isc_rollback_transaction)
FAKE_ENTRY(isc_cancel_events)
FAKE_ENTRY(isc_que_events)
FAKE_ENTRY(isc_event_counts)
FAKE_ENTRY(isc_event_block)
FAKE_ENTRY(isc_free)
FAKE_ENTRY(isc_add_user)
FAKE_ENTRY(isc_delete_user)
FAKE_ENTRY(isc_modify_user)

#ifdef FAKE_VERSION6
FAKE_ENTRY(isc_rollback_retaining)
FAKE_ENTRY(isc_service_attach)
FAKE_ENTRY(isc_service_detach)
FAKE_ENTRY(isc_service_query)
FAKE_ENTRY(isc_service_start)
FAKE_ENTRY(isc_decode_sql_date)
FAKE_ENTRY(isc_decode_sql_time)
FAKE_ENTRY(isc_decode_timestamp)
FAKE_ENTRY(isc_encode_sql_date)
FAKE_ENTRY(isc_encode_sql_time)
FAKE_ENTRY(isc_encode_timestamp)
#endif

int32_t isc_sqlcode(const status_word* status) {
    for (int i = 0; status[i] != 0; i += 2) {
        if (status[i] == 4) return (int32_t)status[i + 1];
    }
    return -999;
}

/* Copies the next string argument and moves the cursor past it; 0 at the end. */
int32_t isc_interprete(char* buffer, const status_word** cursor) {
    const status_word* p = *cursor;
    while (p[0] != 0 && p[0] != 2) p += 2;
    if (p[0] == 0) return 0;
    const char* text = (const char*)p[1];
    strcpy(buffer, text);
    *cursor = p + 2;
    return (int32_t)strlen(text);
}
