// Arbitrary text through the Firebird scripter's splitter and its whole
// command set: no crash, no hang, no sanitizer report. Nothing reaches a
// server or the disk: every database operation is replaced by a no-op.

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/language.h"
#include "scripter/scripter_ib.h"

namespace {

class TcOfflineScripter : public TcDBScripter_IB {
  public:
    TcOfflineScripter() {
        Sleeper = [](int64_t) {};
        ScriptFileReader = [](const std::string& name) -> std::string {
            if (name.size() % 2 == 0) throw Exception("no such script");
            return "SET TERM ; ; ECHO nested; EXECUTE SCRIPT 'x';";
        };
    }
    void DoConnect() override {
        if (DatabaseName.size() % 3 == 0) throw EUser("cannot connect");
    }
    void DoDisconnect() override {}
    void DoCommit() override {}
    void DoStartTransaction() override {}
    void DoRollback() override {}
    void DoExecuteSQL(const std::string& statement) override {
        RecordCount = static_cast<int32_t>(statement.size() % 2);
        LastMessage = "Statement executed.";
    }
    void ExecuteImmediate(const std::string& statement) override {
        if (statement.size() % 5 == 0) throw EUser("refused");
    }
    void DropDatabase() override {
        if (Connected()) Disconnect();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Language = TLanguage::English;
    static TcOfflineScripter* engine = nullptr;
    // One engine for the whole run: constructing one loads the client library.
    if (engine == nullptr) engine = new TcOfflineScripter;
    const std::string text(reinterpret_cast<const char*>(data), size);
    engine->SetTerminator(";");
    engine->ParameterReplace = true;
    engine->Parameters.Clear();
    try {
        engine->ExecuteScript(text);
    } catch (const Exception&) {
    }
    engine->Disconnect();
    return 0;
}
