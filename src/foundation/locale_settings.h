#pragma once
// The user's number and time separators. Read once from the process
// environment by a front end at start-up; everything that formats numbers or
// times for display asks this one object. Tests set it explicitly.

struct TcLocaleSettings {
    char DecimalSeparator = '.';
    char TimeSeparator = ':';

    // The process-wide settings (initially '.' and ':').
    static TcLocaleSettings& Current();
    // Reads the decimal separator of the locale the environment names
    // (LC_ALL, LC_NUMERIC, LANG); the time separator stays ':'.
    static void ReadFromEnvironment();
};
