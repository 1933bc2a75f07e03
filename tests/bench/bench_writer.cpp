// How fast the configuration writer reads and rewrites a file, against a
// plain copy of the same file on the same disk, and how much of it is the
// one fsync that makes the new text durable.
//
// Two files: a typical one of about 10 KB (keyboard, mouse, one panel) and
// one of about 1 MB with 1,000 InputDevice sections. The files live in a
// scratch directory under the working directory, so the figures are those
// of the disk the build is on. After the run a summary prints MB/s and the
// ratios. A short run: --benchmark_min_time=0.05
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "config/atomicfile.h"
#include "config/configreader.h"
#include "config/configwriter.h"
#include "devicerecord.h"
#include "startup.h"

namespace {

std::string benchDir;

std::string DriverSection(int screen) {
    std::string s = "Section \"InputDevice\"\n\tIdentifier \"TAVIR TouchPanel" +
                    std::to_string(screen) + "\"\n\tDriver \"tavir\"\n" +
                    "\tOption \"Device\" \"/dev/ttyS1\"\n\tOption \"ScreenNo\" \"" +
                    std::to_string(screen) + "\"\n\tOption \"CalibPointsNum\" \"9\"\n";
    for (int n = 0; n < 32; ++n) {
        s += "\tOption \"CoEfficient" + std::string(n < 10 ? "00" : "0") + std::to_string(n) +
             "\" \"" + std::to_string(n * 4099 - 60000) + "\"\n";
    }
    return s + "EndSection\n\n";
}

std::string OtherInputSection(int n, int options) {
    std::string s = "Section \"InputDevice\"\n\tIdentifier \"Device" + std::to_string(n) +
                    "\"\n\tDriver \"evdev\"\n\t# event device " + std::to_string(n) + "\n";
    for (int k = 0; k < options; ++k) {
        s += "\tOption \"Property" + std::to_string(k) + "\" \"value " +
             std::to_string(n * 131 + k) + " of this device\"\n";
    }
    return s + "EndSection\n\n";
}

const char* kHead =
    "# XF86Config-4 written for this machine\n"
    "Section \"Files\"\n\tFontPath \"unix/:7100\"\n\tFontPath \"/usr/lib/X11/fonts/misc\"\n"
    "EndSection\n\n"
    "Section \"Module\"\n\tLoad \"GLcore\"\n\tLoad \"dbe\"\n\tLoad \"dri\"\n\tLoad \"extmod\"\n"
    "\tLoad \"glx\"\n\tLoad \"record\"\n\tLoad \"type1\"\nEndSection\n\n";

const char* kTail =
    "Section \"Monitor\"\n\tIdentifier \"Monitor0\"\n\tHorizSync 28-51\n\tVertRefresh 43-60\n"
    "EndSection\n\n"
    "Section \"Device\"\n\tIdentifier \"Card0\"\n\tDriver \"vesa\"\nEndSection\n\n"
    "Section \"Screen\"\n\tIdentifier \"Screen0\"\n\tDevice \"Card0\"\n\tMonitor \"Monitor0\"\n"
    "\tDefaultDepth 24\n\tSubSection \"Display\"\n\t\tDepth 24\n"
    "\t\tModes \"1024x768\" \"800x600\" \"640x480\"\n\tEndSubSection\nEndSection\n\n"
    "Section \"ServerLayout\"\n\tIdentifier \"Default Layout\"\n\tScreen \"Screen0\"\n"
    "\tInputDevice \"Keyboard0\" \"CoreKeyboard\"\n\tInputDevice \"Mouse0\" \"CorePointer\"\n"
    "\tInputDevice \"TAVIR TouchPanel0\"\nEndSection\n";

// About 10 KB: what an installed panel's machine typically has.
std::string TypicalConfig() {
    std::string text = kHead;
    for (int i = 0; i < 90; ++i) {
        text += "# " + std::string(70, '-') + " " + std::to_string(i) + "\n";
    }
    text += OtherInputSection(0, 12) + OtherInputSection(1, 12) + DriverSection(0) + kTail;
    return text;
}

// About 1 MB with 1,000 InputDevice sections, two of them the panel's.
std::string LargeConfig() {
    std::string text = kHead;
    for (int n = 0; n < 1000; ++n) {
        text += (n == 3 || n == 500) ? DriverSection(n == 3 ? 0 : 1) : OtherInputSection(n, 18);
    }
    return text + kTail;
}

std::string ReadAll(const std::string& path) {
    std::string text;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return text;
    }
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, n);
    }
    fclose(f);
    return text;
}

bool WriteAll(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

// The records read and the shared values start-up sets, as Apply hands them
// to the writer.
WriteValues Values() { return WriteValues{deviceList, calibPointsNum, 1, 1024, 768}; }

// Reads the file as start-up does and enables the first panel, then
// rewrites it once, so that every timed rewrite handles the same text.
bool PrepareRecords(benchmark::State& state, const std::string& path, const std::string& text) {
    ResetDeviceState();
    if (!WriteAll(path, text)) {
        state.SkipWithError("cannot write the benchmark file");
        return false;
    }
    snprintf(configPath, sizeof configPath, "%s", path.c_str());
    if (CreateStartupRecord() != 0 || ReadProgramConfig() != 0) {
        state.SkipWithError("cannot read the benchmark file");
        return false;
    }
    static_cast<DeviceRecord*>(deviceList->data)->status = kStatusEnable;
    SectionMap map;
    if (SearchSection(configPath, &map) != 0 || SetConfig(configPath, map, Values()) != 0) {
        state.SkipWithError("first rewrite failed");
        return false;
    }
    return true;
}

// What Apply does: search the file and rewrite it.
void Rewrite(benchmark::State& state, const std::string& text, const std::string& name) {
    const std::string path = benchDir + "/" + name + ".conf";
    if (!PrepareRecords(state, path, text)) {
        return;
    }
    for (auto _ : state) {
        SectionMap map;
        if (SearchSection(configPath, &map) != 0 || SetConfig(configPath, map, Values()) != 0) {
            state.SkipWithError("rewrite failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

// What cp does: read the file, write a new copy, close it. No fsync. (The
// copy is a new file each time: truncating an existing one makes ext4 start
// writing it back at close, which a plain copy does not ask for.)
void PlainCopy(benchmark::State& state, const std::string& text, const std::string& name) {
    const std::string path = benchDir + "/" + name + ".plain";
    const std::string copy = path + ".copy";
    WriteAll(path, text);
    for (auto _ : state) {
        std::string data = ReadAll(path);
        unlink(copy.c_str());
        if (!WriteAll(copy, data)) {
            state.SkipWithError("copy failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

// The same copy through the safe replacement (temporary file, fsync,
// rename): the floor under any safe rewrite.
void SafeCopy(benchmark::State& state, const std::string& text, const std::string& name) {
    const std::string path = benchDir + "/" + name + ".safe";
    WriteAll(path, text);
    for (auto _ : state) {
        std::string data = ReadAll(path);
        AtomicFileWriter writer;
        if (!writer.Open(path.c_str()) || !writer.Write(data) || !writer.Commit()) {
            state.SkipWithError("safe copy failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

// The two flushes a safe replacement waits for, alone: fsync of a freshly
// written file of the same size, and fsync of its directory after the
// rename that puts it in place.
void FsyncOnly(benchmark::State& state, const std::string& text, const std::string& name) {
    const std::string path = benchDir + "/" + name + ".sync";
    const std::string temporary = path + ".new";
    int dirFd = open(benchDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (auto _ : state) {
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            state.SkipWithError("write failed");
            if (fd >= 0)
                close(fd);
            break;
        }
        auto start = std::chrono::steady_clock::now();
        int rc = fsync(fd);
        auto middle = std::chrono::steady_clock::now();
        close(fd);
        rc |= rename(temporary.c_str(), path.c_str());
        auto resume = std::chrono::steady_clock::now();
        rc |= fsync(dirFd);
        auto end = std::chrono::steady_clock::now();
        if (rc != 0) {
            state.SkipWithError("fsync failed");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>((middle - start) + (end - resume)).count());
    }
    if (dirFd >= 0)
        close(dirFd);
}

// Keeps the seconds per iteration of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                seconds[run.run_name.function_name] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

void PrintSummary(const SummaryReporter& reporter, const std::string& label, size_t bytes) {
    auto find = [&](const std::string& kind) {
        auto it = reporter.seconds.find(kind + "/" + label);
        return it == reporter.seconds.end() ? 0.0 : it->second;
    };
    const double rewrite = find("rewrite"), plain = find("plain_copy"), safe = find("safe_copy"),
                 sync = find("fsync");
    if (rewrite <= 0 || plain <= 0 || safe <= 0) {
        return;
    }
    const double mb = static_cast<double>(bytes) / 1e6;
    printf(
        "%-8s %8zu bytes: rewrite %8.1f MB/s (%.3f ms), plain copy %8.1f MB/s, "
        "rewrite/plain time %.1fx; safe copy %.1f MB/s, rewrite/safe %.2fx; "
        "fsync of file and directory %.3f ms = %.0f%% of the rewrite\n",
        label.c_str(), bytes, mb / rewrite, rewrite * 1e3, mb / plain, rewrite / plain, mb / safe,
        rewrite / safe, sync * 1e3, sync > 0 ? 100.0 * sync / rewrite : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    char scratch[] = "writer-bench-XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        perror("mkdtemp");
        return 1;
    }
    benchDir = scratch;

    const std::vector<std::pair<std::string, std::string>> files = {{"typical", TypicalConfig()},
                                                                    {"large", LargeConfig()}};
    for (const auto& [label, text] : files) {
        const std::string& body = text;
        const std::string& name = label;
        benchmark::RegisterBenchmark(
            ("rewrite/" + name).c_str(),
            [&body, &name](benchmark::State& s) { Rewrite(s, body, name); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            ("plain_copy/" + name).c_str(),
            [&body, &name](benchmark::State& s) { PlainCopy(s, body, name); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            ("safe_copy/" + name).c_str(),
            [&body, &name](benchmark::State& s) { SafeCopy(s, body, name); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            ("fsync/" + name).c_str(),
            [&body, &name](benchmark::State& s) { FsyncOnly(s, body, name); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\n");
    for (const auto& [label, text] : files) {
        PrintSummary(reporter, label, text.size());
    }
    benchmark::Shutdown();

    std::string cleanup = "rm -rf '" + benchDir + "'";
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
