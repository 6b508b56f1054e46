#pragma once
// The value a user types for a parameter a statement asks for, made into SQL
// text: both front ends ask the same question and must give the server the
// same statement for the same answer.

#include <string>

// A value that is empty, begins with a single quote, or is a whole number
// (an optional sign and decimal digits only, within 32 bits, 2147483647
// excepted) is returned unchanged; any other is wrapped in single quotes.
// Blanks count as text: " 5" becomes ' 5'.
std::string QuoteParameterValue(const std::string& value);
