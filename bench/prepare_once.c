/* The prepare-once floor of the remote insert comparison: attaches to the
 * database named on the command line, prepares the w1 INSERT once and
 * executes it for each of N rows with the values bench/compare_remote.sh
 * writes into the w1 script (the same rows, bound as the parser types the
 * literals: a whole number, text, an exact number of scale 2, text, text),
 * in one transaction; commits, detaches. One round trip per row: what a
 * client that prepares once and executes per row cannot go below.
 *
 *   prepare_once DATABASE ROWS    (ISC_USER and ISC_PASSWORD log in)
 *   prepare_once DATABASE select  fetches the w2 SELECT, keeping nothing
 */
#include <ibase.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void check(const ISC_STATUS* status) {
    if (status[0] == 1 && status[1] > 0) {
        isc_print_status(status);
        exit(1);
    }
}

/* The w2 SELECT: every row fetched into buffers the server describes. */
static int fetch_all(isc_tr_handle* tr, isc_stmt_handle* st) {
    ISC_STATUS_ARRAY status;
    XSQLDA* out = (XSQLDA*)calloc(1, XSQLDA_LENGTH(5));
    out->version = SQLDA_VERSION1;
    out->sqln = 5;
    isc_dsql_prepare(status, tr, st, 0, "SELECT ID, NAME, AMOUNT, STAMP, CODE FROM T",
                     SQL_DIALECT_V6, out);
    check(status);
    static short nulls[5];
    static char buffers[5][64];
    for (int i = 0; i < out->sqld; ++i) {
        out->sqlvar[i].sqldata = buffers[i];
        out->sqlvar[i].sqlind = &nulls[i];
    }
    isc_dsql_execute(status, tr, st, SQL_DIALECT_V6, NULL);
    check(status);
    long count = 0;
    ISC_STATUS fetched;
    while ((fetched = isc_dsql_fetch(status, st, SQL_DIALECT_V6, out)) == 0) ++count;
    if (fetched != 100L) check(status);
    free(out);
    return count > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: prepare_once DATABASE ROWS|select\n");
        return 2;
    }
    ISC_STATUS_ARRAY status;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_stmt_handle st = 0;
    isc_attach_database(status, 0, argv[1], &db, 0, NULL);
    check(status);
    static char tpb[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait};
    isc_start_transaction(status, &tr, 1, &db, (unsigned short)sizeof tpb, tpb);
    check(status);
    isc_dsql_allocate_statement(status, &db, &st);
    check(status);
    if (strcmp(argv[2], "select") == 0) {
        const int result = fetch_all(&tr, &st);
        isc_commit_transaction(status, &tr);
        isc_detach_database(status, &db);
        return result;
    }
    const long rows = atol(argv[2]);
    const char* sql =
        "INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (?, ?, ?, ?, ?)";
    isc_dsql_prepare(status, &tr, &st, 0, sql, SQL_DIALECT_V6, NULL);
    check(status);

    XSQLDA* in = (XSQLDA*)calloc(1, XSQLDA_LENGTH(5));
    in->version = SQLDA_VERSION1;
    in->sqln = 5;
    in->sqld = 5;
    ISC_INT64 id = 0, amount = 0;
    char name[32], stamp[32], code[16];
    short nulls[5] = {0, 0, 0, 0, 0};
    XSQLVAR* v = in->sqlvar;
    v[0].sqltype = SQL_INT64 + 1;
    v[0].sqllen = 8;
    v[0].sqldata = (char*)&id;
    v[1].sqltype = SQL_TEXT + 1;
    v[1].sqldata = name;
    v[2].sqltype = SQL_INT64 + 1;
    v[2].sqlscale = -2;
    v[2].sqllen = 8;
    v[2].sqldata = (char*)&amount;
    v[3].sqltype = SQL_TEXT + 1;
    v[3].sqldata = stamp;
    v[4].sqltype = SQL_TEXT + 1;
    v[4].sqldata = code;
    for (int i = 0; i < 5; ++i) v[i].sqlind = &nulls[i];

    for (long i = 0; i < rows; ++i) {
        id = i;
        amount = i; /* (i / 100).(i % 100) at scale 2 */
        v[1].sqllen = (short)snprintf(name, sizeof name, "Name %ld", i);
        v[3].sqllen = (short)snprintf(stamp, sizeof stamp, "2024-01-%02ld %02ld:%02ld:%02ld",
                                      1 + i / 86400, (i / 3600) % 24, (i / 60) % 60, i % 60);
        v[4].sqllen = (short)snprintf(code, sizeof code, "C%05ld", i % 100000);
        isc_dsql_execute(status, &tr, &st, SQL_DIALECT_V6, in);
        check(status);
    }
    isc_dsql_free_statement(status, &st, DSQL_drop);
    isc_commit_transaction(status, &tr);
    check(status);
    isc_detach_database(status, &db);
    check(status);
    free(in);
    return 0;
}
