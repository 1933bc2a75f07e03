// The language of every window text: 0 English, 1 Japanese.
#ifndef PANELCONF_LANGUAGE_H
#define PANELCONF_LANGUAGE_H

extern int languageIndex;

// 1 when LANG selects Japanese ("ja_JP.eucJP", case ignored), else 0.
int LanguageIndexFor(const char* lang);

#endif
