// The parameter blocks built from name=value lines (database, transaction,
// service) and the service start request, byte for byte.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "mdo/mdo_errors.h"
#include "mdo/param_blocks.h"
#include "support/expect_error.h"

namespace {

// Expected bytes written as numbers and texts: {1, 28, 5, "ALICE"}.
using TPiece = std::variant<int, std::string>;
TMDOParamBlock Bytes(std::initializer_list<TPiece> pieces) {
    TMDOParamBlock block;
    for (const TPiece& piece : pieces) {
        if (const int* number = std::get_if<int>(&piece))
            block.push_back(static_cast<char>(*number));
        else
            for (char c : std::get<std::string>(piece)) block.push_back(c);
    }
    return block;
}

std::string Printable(const TMDOParamBlock& block) {
    std::string text;
    for (char c : block) text += std::to_string(static_cast<unsigned char>(c)) + " ";
    return text;
}

struct BlockCase {
    const char* name;
    TStringList lines;
    TMDOParamBlock expected;
};

// How a refused block fails: the message, and the client error number (or
// -1 for an error that is not a client error of the layer).
struct RefusalCase {
    const char* name;
    TStringList lines;
    std::string message;
    int clientError;
};

void CheckBlocks(const std::function<TMDOParamBlock(const TStringList&)>& build,
                 const std::vector<BlockCase>& cases) {
    for (const BlockCase& c : cases) {
        try {
            const TMDOParamBlock block = build(c.lines);
            EXPECT_EQ(Printable(block), Printable(c.expected)) << c.name;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.name << ": raised " << e.what();
        }
    }
}

void CheckRefusals(const std::function<TMDOParamBlock(const TStringList&)>& build,
                   const std::vector<RefusalCase>& cases) {
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            build(c.lines);
            ADD_FAILURE() << "raised nothing";
        } catch (const EMDOClientError& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(e.SQLCode, c.clientError);
            EXPECT_EQ(e.ErrorCode, 0);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
            EXPECT_EQ(c.clientError, -1) << "not a client error";
        }
    }
}

TEST(BuildDPB, EncodesEveryKindOfEntry) {
    const std::string long255(255, 'u');
    CheckBlocks(
        BuildDPB,
        {
            {"user and one-character password",
             {"isc_dpb_user_name=ALICE", "password=p"},
             Bytes({1, 28, 5, "ALICE", 29, 1, "p"})},
            {"the typical login",
             {"user_name=u", "password=pw", "lc_ctype=UTF8", "sql_role_name=R"},
             Bytes({1, 28, 1, "u", 29, 2, "pw", 48, 4, "UTF8", 60, 1, "R"})},
            {"byte value", {"isc_dpb_num_buffers=200"}, Bytes({1, 5, 1, 200})},
            {"byte value keeps its low byte", {"force_write=257"}, Bytes({1, 24, 1, 1})},
            {"sweep ignores its value", {"sweep=99"}, Bytes({1, 10, 1, 2})},
            {"switches send 0",
             {"activate_shadow=x", "delete_shadow=", "begin_log=1", "quit_log=1"},
             Bytes({1, 21, 1, 0, 23, 1, 0, 25, 1, 0, 26, 1, 0})},
            {"sweep interval little-endian",
             {"sweep_interval=20000"},
             Bytes({1, 22, 4, 32, 78, 0, 0})},
            {"dialect digit as its value", {"sql_dialect=3"}, Bytes({1, 63, 1, 3})},
            {"names are lower-cased", {"User_Name=x"}, Bytes({1, 28, 1, "x"})},
            {"value is everything after the first =",
             {"password= a=b "},
             Bytes({1, 29, 5, " a=b "})},
            {"lines without = are skipped",
             {"garbage_collect", "verify", "", "user_name=x"},
             Bytes({1, 28, 1, "x"})},
            {"blank name is skipped", {"  =x"}, Bytes({1})},
            {"empty list", {}, Bytes({1})},
            {"string of 255 bytes fits", {"user_name=" + long255}, Bytes({1, 28, 255, long255})},
        });
}

TEST(BuildDPB, RefusesWhatItCannotEncode) {
    const std::string secret(256, 's');
    CheckRefusals(
        BuildDPB,
        {
            {"unsupported name",
             {"page_size=4096"},
             "DPB Constant (isc_dpb_page_size) is unsupported",
             11},
            {"unknown name, as written",
             {"user_name =x"},
             "DPB Constant (user_name ) is unknown",
             114},
            {"unknown prefixed name",
             {"isc_dpb_Nonsense=1"},
             "DPB Constant (isc_dpb_Nonsense) is unknown",
             114},
            {"byte entry without a number", {"verify="}, "'' is not a valid integer value", -1},
            {"integer entry without a number",
             {"sweep_interval=soon"},
             "'soon' is not a valid integer value",
             -1},
            // The value is never part of the message: it may be a password.
            {"string too long",
             {"password=" + secret},
             "The value of isc_dpb_password is too long: at most 255 bytes can be sent.",
             -1},
            {"empty dialect", {"sql_dialect="}, "The value of isc_dpb_sql_dialect is missing.", -1},
        });
}

TEST(BuildDPB, RefusesABlockPastItsLengthField) {
    TStringList lines(131, "lc_messages=" + std::string(250, 'm'));
    EXPECT_RAISES(EUser, BuildDPB(lines),
                  "The database parameter block is too long: at most 32767 bytes can be sent.");
}

TEST(DPBName, IsThePositionInTheTable) {
    EXPECT_EQ(DPBName(1), "cdd_pathname");
    EXPECT_EQ(DPBName(isc_dpb_user_name), "user_name");
    EXPECT_EQ(DPBName(isc_dpb_sql_dialect), "sql_dialect");
    EXPECT_EQ(DPBName(70), "address_path");
    EXPECT_EQ(DPBName(0), "");
    EXPECT_EQ(DPBName(71), "");
}

TEST(BuildTPB, EncodesNamesAndTableReservations) {
    CheckBlocks(
        BuildTPB,
        {
            {"empty list gives an empty block", {}, Bytes({})},
            {"read committed", {"read_committed", "rec_version", "nowait"}, Bytes({3, 15, 17, 7})},
            {"prefix and blank line",
             {"isc_tpb_concurrency", "  ", "nowait", "write"},
             Bytes({3, 2, 7, 9})},
            {"table reservation", {"lock_write=ORDERS"}, Bytes({3, 11, 6, "ORDERS"})},
            {"table name kept as written", {"isc_tpb_LOCK_READ=a b"}, Bytes({3, 10, 3, "a b"})},
            {"every plain name",
             {"consistency", "concurrency", "shared", "protected", "exclusive", "wait", "nowait",
              "read", "write", "ignore_limbo", "read_committed", "rec_version", "no_rec_version"},
             Bytes({3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 17, 18})},
            {"only blank lines", {""}, Bytes({3})},
        });
}

TEST(BuildTPB, RefusesUnknownAndUnsupportedNames) {
    CheckRefusals(
        BuildTPB,
        {
            {"unknown", {"wait_time"}, "TPB Constant (wait_time) is unknown", 115},
            {"unknown with value", {"Wait_Time=3"}, "TPB Constant (Wait_Time) is unknown", 115},
            {"unknown name with a blank", {"nowait "}, "TPB Constant (nowait ) is unknown", 115},
            {"unsupported", {"verb_time"}, "TPB Constant (isc_tpb_verb_time) is unsupported", 13},
            {"unsupported lock timeout",
             {"isc_tpb_lock_timeout=5"},
             "TPB Constant (isc_tpb_lock_timeout) is unsupported",
             13},
            {"reservation without a table",
             {"lock_read"},
             "The table name of isc_tpb_lock_read is missing.",
             -1},
        });
}

TEST(BuildServiceParams, SendsTheLoginOnly) {
    CheckBlocks(BuildServiceParams, {
                                        {"empty", {}, Bytes({2, 2})},
                                        {"login",
                                         {"isc_spb_user_name=SYSDBA", "password=pw"},
                                         Bytes({2, 2, 28, 6, "SYSDBA", 29, 2, "pw"})},
                                        {"blank name skipped, name trimmed",
                                         {" = x", " User_Name =a"},
                                         Bytes({2, 2, 28, 1, "a"})},
                                    });
}

TEST(BuildServiceParams, RefusesOtherNames) {
    CheckRefusals(
        BuildServiceParams,
        {
            {"known, not sent", {"sql_role_name=R"}, "SPB Constant Not supported", 88},
            {"known with prefix", {"isc_spb_db_name=x"}, "SPB Constant Not supported", 88},
            {"unknown", {"foo=1"}, "SPB Constant Unknown", 89},
        });
}

TEST(TcServiceRequest, WritesIntegersAndTexts) {
    TcServiceRequest request(4);
    request.AddStartString(60, "", "role");
    request.AddStartString(7, "BOB", "user name");
    request.AddStartInteger(5, 258);
    request.AddStartInteger(6, -1);
    const std::string expected = std::string{4, 7, 3, 0} + "BOB" + std::string{5, 2, 1, 0, 0} +
                                 std::string{6, '\xff', '\xff', '\xff', '\xff'};
    EXPECT_EQ(request.Bytes(), expected) << "an empty text is left out";

    TcServiceRequest longText(6);
    longText.AddStartString(8, std::string(300, 'p'), "password");
    ASSERT_EQ(longText.Bytes().size(), 1u + 3u + 300u);
    EXPECT_EQ(longText.Bytes().substr(0, 4), (std::string{6, 8, 44, 1}));
    EXPECT_RAISES(EUser, longText.AddStartString(8, std::string(65536, 'p'), "password"),
                  "The password is too long: at most 65535 bytes can be sent.");
}

TEST(TcParamBlockWriter, RefusesLongValuesByName) {
    TcParamBlockWriter writer({1});
    EXPECT_RAISES(EUser, writer.AddString(29, std::string(256, 'x'), "password"),
                  "The password is too long: at most 255 bytes can be sent.");
    EXPECT_EQ(writer.Block(), Bytes({1})) << "nothing written by the refused item";
}

TEST(IndexOfParam, FindsTheNameAtTheStartOrAfterAPrefix) {
    const TStringList params = {"sys_user_name=a", "lc_ctype=x", "ISC_DPB_USER_NAME=bob",
                                "password=pw"};
    EXPECT_EQ(IndexOfParam(params, "user_name"), 2) << "sys_user_name holds it at 4";
    EXPECT_EQ(IndexOfParam(params, "password"), 3);
    EXPECT_EQ(IndexOfParam(params, "sql_role_name"), -1);
    EXPECT_EQ(IndexOfParam({"xxxxxxxxxxuser_name=1"}, "user_name"), -1);
    EXPECT_EQ(ParamValue(params[2]), "bob");
    EXPECT_EQ(ParamValue("password=a=b"), "a=b");
    EXPECT_EQ(ParamValue("password"), "");
}

}  // namespace
