#pragma once
// The spreadsheet engine in a fresh folder, English, with helpers that run
// scripts and look at the workbook it holds. DatabaseEngine adds an embedded
// database created through the engine's own CREATE DATABASE.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/language.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "spreadsheet/scripter_ibxls.h"

class XlsEngine : public ::testing::Test {
  protected:
    void SetUp() override { engine = std::make_unique<TcDBScripter_IBXLS>(); }
    void TearDown() override {
        if (engine) engine->Close();
        engine.reset();
    }
    // A file in the test's folder.
    std::string File(const std::string& name) const { return folder.File(name); }
    // Runs a script; the message its last statement left.
    std::string Run(const std::string& script) {
        engine->ExecuteScript(script);
        return engine->LastMessage;
    }
    // The text of a cell of the engine's workbook ("" for none or a non-text cell).
    std::string TextAt(int sheet, int column, int row) const {
        const TcCell* cell = engine->Workbook->Sheets()[sheet].Cell(column, row);
        return cell && cell->Type == TCellType::Text ? cell->Text : "";
    }
    // The name of the cell format of a cell ("" for no cell).
    std::string FormatNameAt(int sheet, int column, int row) const {
        const TcCell* cell = engine->Workbook->Sheets()[sheet].Cell(column, row);
        return cell ? engine->Workbook->Formats()[cell->FormatIndex].Name : "";
    }

    TcScopedValue<TLanguage> language{Language, TLanguage::English};
    TcTempDir folder{"tessel-xls"};
    std::unique_ptr<TcDBScripter_IBXLS> engine;
};

class DatabaseEngine : public XlsEngine {
  protected:
    void SetUp() override {
        XlsEngine::SetUp();
        Run("CREATE DATABASE '" + File("test.fdb") + "' USER 'SYSDBA' PASSWORD 'masterkey'");
    }
};
