#pragma once
// An embedded database in a fresh folder, created through the scripter's own
// CREATE DATABASE, and helpers that run statements and collect what the
// console would show.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/language.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"
#include "foundation/temp_dir.h"

// Answers the records question from a list and counts how often it was asked.
class TcScriptedOwner : public IOwnerWindow {
  public:
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        Questions.push_back(caption + "|" + text);
        return Answer;
    }
    bool Answer = true;
    std::vector<std::string> Questions;
};

class EmbeddedScripter : public ::testing::Test {
  protected:
    void SetUp() override {
        Language = TLanguage::English;
        engine = std::make_unique<TcDBScripter_IB>();
        engine->OnAfterStatement = [this](TObject*, const std::string&, bool& ok) {
            if (!ok) return;
            TStringList lines;
            engine->View().BuildOutput(lines);
            Output.insert(Output.end(), lines.begin(), lines.end());
        };
        Run("CREATE DATABASE '" + DatabasePath() + "' USER 'SYSDBA' PASSWORD 'masterkey'");
        Output.clear();
    }
    void TearDown() override {
        if (engine) {
            engine->OnAfterStatement = nullptr;
            engine.reset();
        }
    }
    std::string DatabasePath() const { return folder.File("test.fdb"); }
    // Runs a script and returns the lines it showed.
    std::vector<std::string> Run(const std::string& script) {
        Output.clear();
        engine->ExecuteScript(script);
        return Output;
    }
    // The message the script's last statement left.
    std::string Message(const std::string& script) {
        engine->ExecuteScript(script);
        return engine->LastMessage;
    }

    TcTempDir folder;
    std::unique_ptr<TcDBScripter_IB> engine;
    std::vector<std::string> Output;
};
