#include "foundation/locale_settings.h"

#include <langinfo.h>
#include <locale.h>

TcLocaleSettings& TcLocaleSettings::Current() {
    static TcLocaleSettings settings;
    return settings;
}

void TcLocaleSettings::ReadFromEnvironment() {
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return;  // unknown locale: keep the defaults
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0')
        Current().DecimalSeparator = radix[0];
    freelocale(locale);
}
