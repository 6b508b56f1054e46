#include "scripter/ddl_commands.h"

#include <algorithm>
#include <functional>

#include "foundation/errors.h"
#include "foundation/language.h"
#include "mdo/extract/extract_text.h"
#include "scripter/catalogue_query.h"
#include "scripter/scripter_view.h"

namespace {

// The extractor's text for one writer, the components freed however the
// writer ends.
std::string ExtractText(TcDBScripter_IB& scripter,
                        const std::function<void(TcMyMDOExtract&)>& write,
                        TStringList* unwritten = nullptr) {
    TcExtractComponents components = CreateExtract(scripter);
    write(*components.Extract);
    std::string text = components.Extract->Text();
    if (unwritten != nullptr) *unwritten = components.Extract->Unwritten;
    FreeExtract(components);
    return text;
}

std::string Name(const TStringList& arguments) {
    return CatalogueName(ArgumentValue(arguments, "$"));
}

// Not-found errors stand only when a name was given and nothing came back.
void CheckFound(const std::string& text, const std::string& name, const char* format) {
    if (!name.empty() && text.empty()) RaiseUserFmt(format, name.c_str());
}

}  // namespace

TcExtractComponents::~TcExtractComponents() {
    FreeExtract(*this);
}

TcExtractComponents CreateExtract(TcDBScripter_IB& scripter) {
    TcExtractComponents components;
    components.Extract = std::make_unique<TcMyMDOExtract>();
    components.Database = std::make_unique<TMDODatabase>();
    // The name the header writes: the one the scripter connected with.
    if (scripter.DatabaseHandle() != 0)
        components.Database->SetDatabaseName(scripter.ConnectString());
    components.Database->SetHandle(scripter.DatabaseHandle());
    if (scripter.DatabaseHandle() != 0) {
        // An adopted attachment is not attached here, so its dialect is
        // read as an attach would: names are quoted only in a database
        // that knows quoted names.
        const int dialect = std::min(static_cast<int>(scripter.SQLDialect),
                                     components.Database->ReadDatabaseDialect());
        components.Database->SetSQLDialect(std::max(dialect, 1));
    }
    components.Transaction = std::make_unique<TMDOTransaction>();
    components.Transaction->SetDefaultDatabase(components.Database.get());
    components.Transaction->SetHandle(scripter.TransactionHandle());
    components.Extract->SetDatabase(components.Database.get());
    components.Extract->SetTransaction(components.Transaction.get());
    return components;
}

void FreeExtract(TcExtractComponents& components) {
    components.Extract.reset();
    components.Transaction.reset();
    components.Database.reset();
}

std::string DescribeDatabaseText(TcDBScripter_IB& scripter, TStringList* unwritten) {
    return ExtractText(
        scripter, [](TcMyMDOExtract& extract) { extract.ExtractByKind(xoDatabase, "", {}); },
        unwritten);
}

void RegisterDDLCommands(TcPreparsedStatements& commands) {
    commands.Add(new TpsDescribeDatabase);
    commands.Add(new TpsDescribeCompleteProcedure);
    commands.Add(new TpsDescribeTriggerFor);
    commands.Add(new TpsDescribeTrigger);
    commands.Add(new TpsDescribeGenerator);
    commands.Add(new TpsDescribeDomain);
    commands.Add(new TpsDescribeException);
    commands.Add(new TpsDescribeIndexFor);
    commands.Add(new TpsDescribeIndex);
}

TpsDescribeDatabase::TpsDescribeDatabase() {
    SetKeyword("DESCRIBE DATABASE");
    HelpText = Lang("DESCRIBE DATABASE shows the complete database \r\n<procedurename>.",
                    "DESCRIBE DATABASE toont de volledige database\r\n<procedurename>.");
}

void TpsDescribeDatabase::ExecuteOn(TcDBScripter_IB& scripter, const TStringList&,
                                    const std::string&, std::string& message) {
    // Blanks for TABs on the screen only: the text -x writes keeps its TABs,
    // inside string literals too.
    message = ReplaceAll(DescribeDatabaseText(scripter), "\t", " ");
}

TpsDescribeCompleteProcedure::TpsDescribeCompleteProcedure() {
    SetKeyword("DESCRIBE COMPLETE PROCEDURE");
    Syntax = {"$"};
    SyntaxText = "<procedurename>";
    HelpText = Lang(
        "DESCRIBE COMPLETE PROCEDURE <procedurename> shows the complete stored procedure "
        "\r\n<procedurename>.",
        "DESCRIBE COMPLETE PROCEDURE <procedurename> toont de volledige stored procedure "
        "\r\n<procedurename>.");
}

void TpsDescribeCompleteProcedure::ExecuteOn(TcDBScripter_IB& scripter,
                                             const TStringList& arguments, const std::string&,
                                             std::string& message) {
    const std::string name = Name(arguments);
    message =
        ExtractText(scripter, [&name](TcMyMDOExtract& extract) { extract.WriteProcedures(name); });
}

TpsDescribeTriggerFor::TpsDescribeTriggerFor() {
    SetKeyword("DESCRIBE TRIGGER FOR");
    Syntax = {"$"};
    SyntaxText = "<relationname>";
    HelpText = Lang(
        "DESCRIBE TRIGGER FOR <relation> shows all triggers for the relation \r\n<relationname>.",
        "DESCRIBE TRIGGER FOR <relation> toont alle triggers voor de tabel \r\n<relationname>.");
}

void TpsDescribeTriggerFor::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                      const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = ExtractText(
        scripter, [&name](TcMyMDOExtract& extract) { extract.WriteTriggers(name, xpTable); });
}

TpsDescribeTrigger::TpsDescribeTrigger() {
    SetKeyword("DESCRIBE TRIGGER");
    Syntax = {"$"};
    SyntaxText = "[<triggername>]";
    HelpText = Lang(
        "DESCRIBE TRIGGER shows informatio about all triggers\r\n"
        "DESCRIBE TRIGGER <triggername> shows information about the trigger <triggername>.\r\n",
        "DESCRIBE TRIGGER toont informatie over alle triggers.\r\n"
        "DESCRIBE TRIGGER <triggername> toont informatie over de trigger <triggername>.\r\n");
}

void TpsDescribeTrigger::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                   const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = ExtractText(
        scripter, [&name](TcMyMDOExtract& extract) { extract.WriteTriggers(name, xpTrigger); });
    CheckFound(message, name, "Trigger %s not found.");
}

TpsDescribeGenerator::TpsDescribeGenerator() {
    SetKeyword("DESCRIBE GENERATOR");
    Syntax = {"$"};
    SyntaxText = "[<generatorname>]";
    HelpText = Lang(
        "DESCRIBE GENERATOR shows a list of all generators.\r\n"
        "DESCRIBE GENERATOR <generatorname> shows information about the generator "
        "<generatorname].",
        "DESCRIBE GENERATOR toont een lijst van alle generators\r\n"
        "DESCRIBE GENERATOR <generatorname> toont informatie over de generator "
        "<generatorname>.");
}

void TpsDescribeGenerator::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                     const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = TrimBlanks(
        ExtractText(scripter, [&name](TcMyMDOExtract& extract) { extract.WriteGenerators(name); }));
    // The value is read only for a generator the catalogue holds, by its
    // stored name in quotes: the typed text never becomes SQL, so a name
    // like "g, 1000) + GEN_ID(g" cannot change the generator.
    if (!name.empty() && !message.empty()) {
        try {
            RunCatalogueQuery(
                scripter, "SELECT GEN_ID(" + QuoteIdentifier(3, name) + ", 0) FROM RDB$Database",
                TTrimCharFields::AsSet, [&message](TcDBScripter_IBView& view) {
                    view.First();
                    if (!view.AtEnd())
                        message += "\r\nCurrent generator value: " + view.ValueText(0) + "\r\n";
                });
        } catch (const std::exception&) {
            // The value is an extra: the description stands without it.
        }
    }
    CheckFound(message, name, "Generator %s not found.");
}

TpsDescribeDomain::TpsDescribeDomain() {
    SetKeyword("DESCRIBE DOMAIN");
    Syntax = {"$"};
    SyntaxText = "[<domainname>]";
    HelpText = Lang(
        "DESCRIBE DOMAIN shows information about all domains.\r\n"
        "DESCRIBE DOMAIN <domainname> shows information about the domain <domainname>.",
        "DESCRIBE DOMAIN toont informatie over alle domainen.\r\n"
        "DESCRIBE DOMAIN <domainname> toont informatie over het domain <domainname>.");
}

void TpsDescribeDomain::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                  const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = ReplaceAll(
        TrimBlanks(ExtractText(
            scripter, [&name](TcMyMDOExtract& extract) { extract.WriteDomains(name, xpDomain); })),
        "\t", "   ");
    CheckFound(message, name, "Domain %s not found.");
}

TpsDescribeException::TpsDescribeException() {
    SetKeyword("DESCRIBE EXCEPTION");
    Syntax = {"$"};
    SyntaxText = "[<exceptionname>]";
    HelpText = Lang(
        "DESCRIBE EXCEPTION show information about all exceptions.\r\n"
        "DESCRIBE EXCEPTION <exceptionname> shows information about the exception "
        "<exceptionname>.",
        "DESCRIBE EXCEPTION toont informatie over alle exceptions.\r\n"
        "DESCRIBE EXCEPTION <exceptionname> toont informatie over de exception "
        "<exceptionname>.");
}

void TpsDescribeException::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                     const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = TrimBlanks(
        ExtractText(scripter, [&name](TcMyMDOExtract& extract) { extract.WriteExceptions(name); }));
    CheckFound(message, name, "Exception %s not found.");
}

TpsDescribeIndexFor::TpsDescribeIndexFor() {
    SetKeyword("DESCRIBE INDEX FOR");
    Syntax = {"$"};
    SyntaxText = "<relationname>";
    HelpText =
        Lang("DESCRIBE INDEX FOR <relationname> shows all indices for relation <relationname>.",
             "DESCRIBE INDEX FOR <relationname> toont alle indexen van de tabel <relationname>.");
}

void TpsDescribeIndexFor::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                    const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = TrimBlanks(ExtractText(
        scripter, [&name](TcMyMDOExtract& extract) { extract.WriteIndexes(name, xpTable); }));
    // A table without indexes of its own is there all the same.
    if (message.empty() && !RelationColumns(scripter, ArgumentValue(arguments, "$")).empty())
        return;
    CheckFound(message, name, "Relation %s not found.");
}

TpsDescribeIndex::TpsDescribeIndex() {
    SetKeyword("DESCRIBE INDEX");
    Syntax = {"$"};
    SyntaxText = "<indexname>";
    HelpText = Lang(
        "DESCRIBE INDEX shows information about all indices.\r\n"
        "DESCRIBE INDEX <indexname> shows information about the index <indexname>.",
        "DESCRIBE INDEX toont informatie over alle indexen.\r\n"
        "DESCRIBE INDEX <indexname> toont informatie over de index <indexname>.");
}

void TpsDescribeIndex::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                                 const std::string&, std::string& message) {
    const std::string name = Name(arguments);
    message = TrimBlanks(ExtractText(
        scripter, [&name](TcMyMDOExtract& extract) { extract.WriteIndexes(name, xpIndex); }));
    CheckFound(message, name, "Index %s not found.");
}
