// tessel-cli: the Tessel engine in a terminal. Runs a script file, standard
// input, or an interactive prompt, and prints the lines the console's output
// list would show.

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/edit_line_terminal.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/locale_settings.h"
#include "scripter/scripter_ib.h"

int main(int argc, char** argv) {
    TcCliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        std::cerr << error << '\n' << kCliUsage;
        return cliCannotOpen;
    }
    if (options.Help) {
        std::cout << kCliUsage;
        return cliOk;
    }
    std::ios::sync_with_stdio(false);
    Language = TLanguage::English;
    TcLocaleSettings::ReadFromEnvironment();

    // Read the input first: nothing is connected for input that cannot be used.
    const bool interactive = options.Script.empty() && isatty(STDIN_FILENO);
    std::string text;
    std::string source = options.Script;
    try {
        if (!options.Script.empty()) {
            text = ReadScriptFile(options.Script);
        } else if (!interactive) {
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
            source = "<stdin>";
            if (text.find('\0') != std::string::npos)
                throw Exception("Standard input is not a text file.");
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return cliCannotOpen;
    }

    std::ofstream file;
    if (!options.Output.empty()) {
        file.open(options.Output, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "Cannot write the output file " << options.Output << ".\n";
            return cliCannotOpen;
        }
    }
    std::ostream& out = options.Output.empty() ? std::cout : file;

    std::unique_ptr<TcDBScripter_IB> engine;
    try {
        engine = std::make_unique<TcDBScripter_IB>();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return cliCannotOpen;
    }
    TcEditLineTerminal terminal;
    TcCliSession session(*engine, options, out, std::cerr,
                         isatty(STDIN_FILENO) ? &terminal : nullptr);
    if (interactive && !options.Quiet) session.WriteBanner();
    int status = session.ConnectFirst();
    if (status != cliOk) return status;
    status = interactive ? session.RunInteractive() : session.RunScript(text, source);
    session.Finish(status == cliOk);
    out.flush();
    return status;
}
