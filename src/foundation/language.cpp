#include "foundation/language.h"

TLanguage Language = TLanguage::Dutch;
