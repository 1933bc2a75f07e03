// What a toolkit-free plan asks of one control's sensitivity. The window
// side carries the plan out, touching a control only when it differs.
#ifndef PANELCONF_SENSITIVITY_H
#define PANELCONF_SENSITIVITY_H

#include <cstdint>

enum class Sensitivity : uint8_t { kKeep, kOn, kOff };

#endif
