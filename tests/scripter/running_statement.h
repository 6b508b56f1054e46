#pragma once
// Waiting, by condition, for the moment a cancel must meet a statement.

#include <chrono>
#include <string>
#include <thread>

#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"

// Waits, with a limit that only guards against a hang, until a statement of
// another attachment runs on the server (one whose text starts with
// `textStart`, when given). Read through an attachment of its own from the
// monitoring tables.
inline bool WaitForRunningStatement(const std::string& database,
                                    const std::string& password = "masterkey",
                                    const std::string& textStart = std::string()) {
    TcDBScripter_IB monitor;
    monitor.ExecuteScript("CONNECT '" + database + "' USER 'SYSDBA' PASSWORD '" + password + "';");
    const std::string query =
        "select count(*) from mon$statements where mon$state = 1"
        " and mon$attachment_id <> current_connection" +
        (textStart.empty() ? std::string()
                           : " and mon$sql_text starting with '" + textStart + "'") +
        ";";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    bool running = false;
    while (!running && std::chrono::steady_clock::now() < deadline) {
        // Each query runs in a transaction of its own, which sees the
        // monitoring tables afresh.
        monitor.ExecuteScript(query);
        monitor.View().First();
        running = monitor.View().ValueText(0) != "0";
        if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    monitor.Close();
    return running;
}
