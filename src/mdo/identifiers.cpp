#include "mdo/identifiers.h"

#include <random>

#include "foundation/string_utils.h"

std::string FormatIdentifier(int dialect, std::string_view name) {
    if (dialect == 1) return UpperCase(TrimBlanks(name));
    return "\"" + std::string(name) + "\"";
}

std::string FormatIdentifierValue(int dialect, std::string_view name) {
    const std::string trimmed = TrimBlanks(name);
    if (dialect != 1 && !trimmed.empty() && trimmed.front() == '"') {
        const std::string_view inner =
            std::string_view(trimmed).substr(1, trimmed.size() >= 2 ? trimmed.size() - 2 : 0);
        return ReplaceAll(inner, "\"\"", "\"");
    }
    return UpperCase(trimmed);
}

std::string RandomString(int length) {
    // Per thread, so that statements prepared on different threads never share
    // generator state.
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> distribution(0, 2147483646);
    std::string result;
    while (static_cast<int>(result.size()) < length) {
        result += std::to_string(distribution(generator));
    }
    if (length >= 0) result.resize(static_cast<size_t>(length));
    return result;
}
