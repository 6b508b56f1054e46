#pragma once
// The user's number, date and time conventions. Read once from the process
// environment by a front end at start-up; everything that formats or parses
// numbers, dates or times as the user writes them asks this one object.
// Tests set it explicitly.

#include <string>

struct TcLocaleSettings {
    char DecimalSeparator = '.';
    char TimeSeparator = ':';
    // Date and time pictures (dd, mm, yyyy, hh, nn, ss; ":" stands for
    // TimeSeparator). The date picture also fixes the order of day, month
    // and year and the date separator when a date is read from text.
    std::string ShortDateFormat = "dd-mm-yyyy";
    std::string LongTimeFormat = "hh:nn:ss";

    // The process-wide settings (initially the values above).
    static TcLocaleSettings& Current();
    // Reads the decimal separator of the locale the environment names
    // (LC_ALL, LC_NUMERIC, LANG). The time separator and the date and time
    // pictures stay: they match the scripter's own date settings, so that a
    // date it shows reads back.
    static void ReadFromEnvironment();
};
