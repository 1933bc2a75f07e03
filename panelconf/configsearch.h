// Where the X server configuration file is looked for.
#ifndef PANELCONF_CONFIGSEARCH_H
#define PANELCONF_CONFIGSEARCH_H

#include <cstddef>

constexpr int kConfigCandidateCount = 11;

// Path templates, tried in this order; the configuration combo lists the
// same texts unexpanded.
extern const char* const kConfigCandidates[kConfigCandidateCount];

// Expands "$HOME" at the start of a template (the value of HOME) or
// "$HOSTNAME" anywhere in it (the host name; the rest of the template is
// dropped) into out. -1 when the template cannot name a path: HOME unset, no
// host name, or a result that does not fit in outSize bytes.
int ExpandConfigTemplate(const char* templateText, char* out, size_t outSize);

// Expands each candidate in order and stores the first that exists in
// configPath. -1 (configPath empty) when none exists.
int FindConfigFile();

#endif
