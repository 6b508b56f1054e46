#pragma once
// Named parameters of a statement text turned into the "?" markers the
// server understands. Kept apart from TMDOSQL as a pure function, so that it
// can be checked and fuzzed without a database.
//
// Contract: reads the text once, character by character with one character
// of look-ahead; never reads past the text; raises only EMDOClientError 55.

#include <string>
#include <string_view>
#include <vector>

struct TMDOPreprocessedSQL {
    // The text with every parameter replaced by "?", up to its first NUL.
    std::string Text;
    // The parameter names in the order of their markers, as written (a
    // quoted name without its quotes); a name occurs once per marker.
    std::vector<std::string> Names;
};

// Quotes and block comments are copied unchanged; ":" or "?" followed by an
// identifier (letters, digits, "_", "$") or a double-quoted name is one
// parameter. A marker without a name raises client error 55 "Parameter name
// expected" unless `autoNameParams`, which names it "MDOParam" and a running
// number from 0. An open comment or quote at the end of the text raises
// client error 55 with "EOF in comment detected" or "EOF in string detected".
// "--" line comments are not recognised.
TMDOPreprocessedSQL PreprocessParamText(std::string_view text, bool autoNameParams);
