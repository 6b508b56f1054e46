#include "scripter/catalogue_query.h"

#include "mdo/identifiers.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "foundation/scoped_value.h"
#include "scripter/output_sqlda.h"
#include "scripter/scripter_ib.h"
#include "scripter/scripter_view.h"

namespace {

constexpr const char* kRelationColumnsQuery =
    "SELECT RDB$FIELD_NAME FROM RDB$Relation_Fields WHERE RDB$Relation_Name = '%s' ORDER BY "
    "RDB$Field_Position ";

// The command's own per-statement texts, put back after its catalogue query
// so that the output shows the command, not the query.
class TcStatementResultKeeper {
  public:
    explicit TcStatementResultKeeper(TcDBScripter_IB& scripter)
        : scripter_(scripter),
          statement_(scripter.CurrentStatement),
          plan_(scripter.PlanText),
          message_(scripter.LastMessage),
          statistics_(scripter.StatisticsText),
          records_(scripter.RecordCount) {}
    ~TcStatementResultKeeper() {
        scripter_.CurrentStatement = std::move(statement_);
        scripter_.PlanText = std::move(plan_);
        scripter_.LastMessage = std::move(message_);
        scripter_.StatisticsText = std::move(statistics_);
        scripter_.RecordCount = records_;
    }
    TcStatementResultKeeper(const TcStatementResultKeeper&) = delete;
    TcStatementResultKeeper& operator=(const TcStatementResultKeeper&) = delete;

  private:
    TcDBScripter_IB& scripter_;
    std::string statement_, plan_, message_, statistics_;
    int32_t records_;
};

}  // namespace

void RunCatalogueQuery(TcDBScripter_IB& scripter, const std::string& query, TTrimCharFields trim,
                       const std::function<void(TcDBScripter_IBView& view)>& read) {
    TcStatementResultKeeper keeper(scripter);
    std::optional<TcScopedValue<bool>> trimmed;
    if (trim == TTrimCharFields::ForcedOn) trimmed.emplace(scripter.TrimCharFields, true);
    TcScopedValue<TPlanMode> plan(scripter.PlanMode, TPlanMode::Off);
    TcScopedValue<bool> statistics(scripter.StatisticsDisplay, false);
    TcScopedValue<bool> suppress(scripter.SuppressError, false);
    {
        TcInternalExecution internal(scripter);
        scripter.ExecuteStatement(query);
        read(scripter.View());
    }
    scripter.OutputSQLDA->ResetResult();
}

std::string CatalogueName(std::string_view name) {
    return FormatIdentifierValue(3, name);
}

std::string CatalogueQueryFor(const char* query, std::string_view name) {
    return ReplaceAll(query, "%s", ReplaceAll(CatalogueName(name), "'", "''"));
}

TStringList RelationColumns(TcDBScripter_IB& scripter, std::string_view name) {
    TStringList columns;
    if (name.empty()) return columns;
    RunCatalogueQuery(scripter, CatalogueQueryFor(kRelationColumnsQuery, name),
                      TTrimCharFields::AsSet, [&columns](TcDBScripter_IBView& view) {
                          for (view.First(); !view.AtEnd(); view.Next())
                              columns.push_back(TrimBlanks(view.ValueText(0)));
                      });
    return columns;
}

std::string PrettyName(std::string_view name) {
    std::string pretty = LowerCase(name);
    if (pretty == "id") return "ID";
    bool capital = true;
    for (char& c : pretty) {
        if (capital) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        capital = c == '$' || c == '_';
    }
    return pretty;
}

std::string CutTo(std::string_view text, int width) {
    return std::string(text.substr(0, static_cast<size_t>(std::max(width, 0))));
}
