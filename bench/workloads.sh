# The table and scripts the compare_*.sh benchmarks share; sourced, not run.
# A table of five typed columns, filled either by a script of single-row
# literal INSERTs (the w1 workload; the statements bench/scripter_workload.cpp
# generates, row for row) or by one EXECUTE BLOCK (the data the w2 SELECT and
# the capture read).

FIVE_COLUMN_TABLE="CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), STAMP TIMESTAMP, CODE CHAR(10));"
FIVE_COLUMN_SELECT="SELECT ID, NAME, AMOUNT, STAMP, CODE FROM T"

# create_db FILE [SERVER]: a fresh database FILE (on SERVER, a prefix such as
# "localhost/3050:") holding the empty table, made by $isql from the script
# $work/create.sql, which stays for the untimed step before each insert run.
create_db() {
    rm -f "$1"
    printf "CREATE DATABASE '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s\nCOMMIT;\n" \
        "${2:-}$1" "$FIVE_COLUMN_TABLE" >"$work/create.sql"
    "$isql" -q -i "$work/create.sql" >/dev/null
}

# five_column_inserts DATABASE COUNT: the w1 script, connecting to DATABASE.
five_column_inserts() {
    echo "CONNECT '$1' USER 'SYSDBA' PASSWORD 'masterkey';"
    awk -v n="$2" 'BEGIN {
        for (i = 0; i < n; i++)
            printf "INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (%d, '\''Name %d'\'', %d.%02d, '\''2024-01-%02d %02d:%02d:%02d'\'', '\''C%05d'\'');\n",
                i, i, int(i / 100), i % 100, 1 + int(i / 86400), int(i / 3600) % 24, int(i / 60) % 60, i % 60, i % 100000
    }'
    echo "COMMIT;"
}

# five_column_fill FIRST_LINE ROWS: FIRST_LINE (a CONNECT, or a CREATE
# DATABASE and the table), then ROWS rows of the table in one block.
five_column_fill() {
    cat <<SQL
$1
SET TERM ^ ;
EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < $2) DO BEGIN
INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (:I, 'Name ' || :I,
CAST(:I AS NUMERIC(15,2)) / 100, DATEADD(:I SECOND TO TIMESTAMP '2024-01-01 00:00:00'),
'C' || LPAD(MOD(:I, 100000), 5, '0')); I = I + 1; END END^
SET TERM ; ^
COMMIT;
SQL
}
