// The decimal separator read from the locale the environment names. A Dutch
// locale is compiled into a private folder (LOCPATH) so the test needs no
// locale installed on the machine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "foundation/locale_settings.h"
#include "foundation/scoped_value.h"
#include "foundation/temp_dir.h"
#include "support/scoped_environment.h"

namespace {

class LocaleFromEnvironment : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string command =
            "localedef -i nl_NL -f UTF-8 '" + folder.File("nl_NL.UTF-8") + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "localedef could not build nl_NL.UTF-8";
    }
    TcTempDir folder;
    TcScopedValue<TcLocaleSettings> settings{TcLocaleSettings::Current(), TcLocaleSettings{}};
    TcScopedEnvironment locpath{"LOCPATH", folder.Path()};
    TcScopedEnvironment lang{"LANG", std::nullopt};
    TcScopedEnvironment numeric{"LC_NUMERIC", std::nullopt};
};

TEST_F(LocaleFromEnvironment, DecimalSeparatorFollowsTheNamedLocale) {
    struct Case {
        const char* variable;
        const char* locale;
        char expected;
    } cases[] = {
        {"LC_ALL", "nl_NL.UTF-8", ','},
        {"LC_ALL", "C", '.'},
        {"LC_NUMERIC", "nl_NL.UTF-8", ','},
        {"LANG", "nl_NL.UTF-8", ','},
    };
    for (const Case& c : cases) {
        TcScopedEnvironment all{"LC_ALL", std::nullopt};
        TcScopedEnvironment chosen{c.variable, std::string(c.locale)};
        TcLocaleSettings::Current() = TcLocaleSettings{};
        TcLocaleSettings::ReadFromEnvironment();
        EXPECT_EQ(TcLocaleSettings::Current().DecimalSeparator, c.expected)
            << c.variable << "=" << c.locale;
        EXPECT_EQ(TcLocaleSettings::Current().TimeSeparator, ':');
    }
}

TEST_F(LocaleFromEnvironment, UnknownLocaleKeepsTheSettings) {
    TcScopedEnvironment all{"LC_ALL", std::string("xx_NOWHERE.UTF-8")};
    TcLocaleSettings::Current().DecimalSeparator = ',';
    TcLocaleSettings::ReadFromEnvironment();
    EXPECT_EQ(TcLocaleSettings::Current().DecimalSeparator, ',');
}

}  // namespace
