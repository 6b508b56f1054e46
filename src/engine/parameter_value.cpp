#include "engine/parameter_value.h"

#include <charconv>
#include <cstdint>
#include <system_error>

std::string QuoteParameterValue(const std::string& value) {
    if (value.empty() || value.front() == '\'') return value;
    // from_chars takes a minus sign but no plus sign and no blanks.
    const char* begin = value.data() + (value.front() == '+' ? 1 : 0);
    const char* end = value.data() + value.size();
    int32_t number = 0;
    const auto [at, error] = std::from_chars(begin, end, number);
    const bool wholeNumber = begin != end && (*begin != '-' || value.front() != '+') &&
                             error == std::errc() && at == end && number != INT32_MAX;
    return wholeNumber ? value : "'" + value + "'";
}
