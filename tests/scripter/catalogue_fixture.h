#pragma once
// An embedded database with a small schema for the catalogue listings and
// statement generators: tables with NUMERIC, VARCHAR, CHAR, text and binary
// BLOB, NOT NULL and domain columns; a selectable and an executable
// procedure; an external function (declaring one needs no library).

#include <string>

#include "scripter_fixture.h"

class CatalogueDatabase : public EmbeddedScripter {
  protected:
    void SetUp() override {
        EmbeddedScripter::SetUp();
        // The creation order fixes the system domain names (RDB$1 ...).
        Run("CREATE DOMAIN DMONEY AS NUMERIC(9,2);"
            "CREATE TABLE CUSTOMER (ID INTEGER NOT NULL, NAME VARCHAR(40), CODE CHAR(3), "
            "  PRICE DMONEY, MEMO BLOB SUB_TYPE 1, DATA BLOB SUB_TYPE 0, BIG NUMERIC(15,2));"
            "CREATE TABLE COUNTRY (ID INTEGER NOT NULL, COUNTRY_NAME VARCHAR(30) NOT NULL, "
            "  HEAD_OFFICE_POSTAL_CODE_NUMBER CHAR(10));"
            "CREATE TABLE TOWN (TOWN_CODE CHAR(4) NOT NULL, NAME VARCHAR(30));"
            "DECLARE EXTERNAL FUNCTION SUBSTR CSTRING(255), SMALLINT, SMALLINT "
            "  RETURNS CSTRING(255) FREE_IT ENTRY_POINT 'IB_UDF_substr' MODULE_NAME 'ib_udf';"
            "SET TERM ^;"
            "CREATE PROCEDURE LIST_NAMES (FIRST_ID INTEGER) RETURNS (NAME VARCHAR(40)) AS "
            "BEGIN FOR SELECT NAME FROM CUSTOMER WHERE ID >= :FIRST_ID INTO :NAME DO SUSPEND; "
            "END^"
            "CREATE PROCEDURE ADD_PRICE (A NUMERIC(9,2), B NUMERIC(9,2)) "
            "RETURNS (TOTAL NUMERIC(15,2)) AS BEGIN TOTAL = A + B; END^"
            "SET TERM ;^");
        Output.clear();
    }

    // A catalogue name as the server returns it: the system tables keep
    // names as CHAR(31) in a three-byte character set, 93 bytes padded with
    // blanks under the connection's character set NONE.
    static std::string ServerName(const std::string& name) {
        return name + std::string(93 - name.size(), ' ');
    }
};
