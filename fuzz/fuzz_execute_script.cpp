// Arbitrary text through ExecuteScript with every base command registered:
// no crash, no hang, no sanitizer report. Errors are the expected outcome of
// most inputs; they must be exceptions of the system's own kinds.

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/language.h"
#include "recording_scripter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Language = TLanguage::English;
    TcRecordingScripter engine;
    engine.OnParameterRequest = [](TcDBBaseScripter&, const std::string& name, std::string& value) {
        if (name.size() % 2 == 0) value = "'" + name + "'";
    };
    // Scripts come from memory: a fuzz input must never reach real files.
    engine.ScriptFileReader = [](const std::string& name) -> std::string {
        if (name.find('x') != std::string::npos) throw Exception("no such script");
        return "ECHO nested; EXECUTE SCRIPT again;";
    };
    engine.OnSql = [&engine](const std::string& statement) {
        engine.RecordCount = static_cast<int32_t>(statement.size() % 3);
    };
    try {
        engine.ExecuteScript(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
    }
    return 0;
}
