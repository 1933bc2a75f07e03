#include "language.h"

#include <glib.h>

int languageIndex = 0;

int LanguageIndexFor(const char* lang) {
    return (lang != nullptr && g_ascii_strcasecmp(lang, "ja_JP.eucJP") == 0) ? 1 : 0;
}
