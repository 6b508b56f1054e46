// Arbitrary statement texts through PreprocessParamText, with and without
// automatic names: no crash, no hang, no sanitizer report. Parse errors are
// the expected outcome of many inputs; they must be client error 55. What is
// accepted must keep its shape: one marker per recorded name at most, and
// never a longer text than the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mdo/mdo_errors.h"
#include "mdo/mdo_preprocess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool autoNames : {false, true}) {
        try {
            const TMDOPreprocessedSQL result = PreprocessParamText(text, autoNames);
            if (result.Text.size() > text.size()) std::abort();
            if (result.Text.find('\0') != std::string::npos) std::abort();
        } catch (const EMDOClientError& error) {
            if (error.SQLCode != 55) std::abort();
        }
    }
    return 0;
}
