#pragma once
// Identifier quoting and normalisation for generated SQL and name lookups,
// and random digit strings for cursor names.

#include <string>
#include <string_view>

// Dialect 1: trimmed and upper-cased. Other dialects: enclosed in double
// quotes exactly as given (no trimming, inner quotes are not doubled).
std::string FormatIdentifier(int dialect, std::string_view name);
// The lookup form of a field or parameter name: trimmed; upper-cased unless
// the dialect is not 1 and the name is a quoted identifier, which loses its
// outer quotes and has each doubled inner quote made single, keeping its case.
std::string FormatIdentifierValue(int dialect, std::string_view name);
// `length` pseudo-random decimal digits.
std::string RandomString(int length);
