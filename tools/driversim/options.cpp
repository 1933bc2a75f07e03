#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kSimUsage[] =
    "usage: driversim [--screen N]... [--version A.B.C] [--reuse] [--no-x]\n"
    "                 [--calib auto|pointer|silent|invalid|no-advance] [--delay MS]\n"
    "                 [--points 4|9|25] [--comm-samples] [--comm-period MS]\n"
    "                 [--hostile KIND]\n"
    "KIND: calpoint-negative calpoint-huge points-0 points-7 points-255 calstate-3\n"
    "      samples-extreme\n";

namespace {

bool ParseInt(const char* text, long low, long high, long* out) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (*end != '\0' || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

bool ParseVersion(const char* text, SimOptions* o) {
    unsigned a = 0, b = 0, c = 0;
    char extra = 0;
    if (sscanf(text, "%u.%u.%u%c", &a, &b, &c, &extra) != 3 || a > 255 || b > 255 || c > 65535) {
        return false;
    }
    o->versionMajor = static_cast<int>(a);
    o->versionMinor = static_cast<int>(b);
    o->versionBuild = static_cast<int>(c);
    return true;
}

struct Named {
    const char* name;
    int value;
};

template <typename E, size_t N>
bool Lookup(const char* text, const Named (&table)[N], E* out) {
    for (const Named& n : table) {
        if (strcmp(text, n.name) == 0) {
            *out = static_cast<E>(n.value);
            return true;
        }
    }
    return false;
}

const Named kCalibModes[] = {
    {"auto", static_cast<int>(CalibMode::kAuto)},
    {"pointer", static_cast<int>(CalibMode::kPointer)},
    {"silent", static_cast<int>(CalibMode::kSilent)},
    {"invalid", static_cast<int>(CalibMode::kInvalid)},
    {"no-advance", static_cast<int>(CalibMode::kNoAdvance)},
};

const Named kHostileKinds[] = {
    {"calpoint-negative", static_cast<int>(HostileKind::kCalPointNegative)},
    {"calpoint-huge", static_cast<int>(HostileKind::kCalPointHuge)},
    {"points-0", static_cast<int>(HostileKind::kPoints0)},
    {"points-7", static_cast<int>(HostileKind::kPoints7)},
    {"points-255", static_cast<int>(HostileKind::kPoints255)},
    {"calstate-3", static_cast<int>(HostileKind::kCalState3)},
    {"samples-extreme", static_cast<int>(HostileKind::kSamplesExtreme)},
};

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        auto need = [&](bool ok) {
            if (!ok) {
                *error = value ? "bad value for " + arg + ": " + value : "missing value for " + arg;
            }
            ++i;
            return ok;
        };
        if (arg == "--screen") {
            if (!need(ParseInt(value, 0, 255, &n)))
                return false;
            o->screens.push_back(static_cast<int>(n));
        } else if (arg == "--version") {
            if (!need(value && ParseVersion(value, o)))
                return false;
        } else if (arg == "--reuse") {
            o->reuse = true;
        } else if (arg == "--no-x") {
            o->useX = false;
        } else if (arg == "--calib") {
            if (!need(value && Lookup(value, kCalibModes, &o->calibMode)))
                return false;
        } else if (arg == "--delay") {
            if (!need(ParseInt(value, 0, 600000, &n)))
                return false;
            o->autoDelayMs = static_cast<double>(n);
        } else if (arg == "--points") {
            if (!need(ParseInt(value, 0, 255, &n)))
                return false;
            o->points = static_cast<int>(n);
        } else if (arg == "--comm-samples") {
            o->commSamples = true;
        } else if (arg == "--comm-period") {
            if (!need(ParseInt(value, 1, 600000, &n)))
                return false;
            o->commPeriodMs = static_cast<double>(n);
        } else if (arg == "--hostile") {
            if (!need(value && Lookup(value, kHostileKinds, &o->hostile)))
                return false;
        } else if (arg == "-h" || arg == "--help") {
            o->help = true;
        } else {
            *error = "unknown argument: " + arg;
            return false;
        }
    }
    if (o->screens.empty()) {
        o->screens.push_back(0);
    }
    if (o->calibMode == CalibMode::kPointer && !o->useX) {
        *error = "--calib pointer needs the X server (drop --no-x)";
        return false;
    }
    return true;
}
