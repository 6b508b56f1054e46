#pragma once
// TMDODatabaseInfo: numbers only the server knows about an open database
// (its SQL dialect, on-disk structure version, page size), each read with one
// information request for one item. Nothing is cached: every read asks again.

#include <cstdint>

class TMDODatabase;

class TMDODatabaseInfo {
  public:
    // Loads the client library (client error 1 when none can be loaded).
    TMDODatabaseInfo();

    // The connection whose attachment is asked; not owned.
    TMDODatabase* Database = nullptr;

    // The integer value of one item. Client error 24 without a database, 15
    // when it is closed; a refused request raises the server's error.
    int64_t ReadInfoInteger(char item);
    int64_t ODSMajorVersion();
    int64_t PageSize();
    // The database's dialect; 1 when the server does not know the item.
    int64_t DBSQLDialect();
};
