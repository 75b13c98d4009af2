// SPDX-License-Identifier: GPL-3.0-or-later
// 100 simulated ONVIF cameras with one password in a LAN box: how long
// `lanvaro-cli onvif info --all` takes to read them all once its search has
// ended, beside Debian's onvif-util: `-a` (a search, then each camera it
// found asked for its host name, one after another, without signing in) and
// its sign-in to each camera in turn (name and serial, signed in). Ours
// starts on each camera as soon as its search hears it, so its search's end
// is its start plus the search's fixed listening window; onvif-util's is
// taken where the cameras see it: the first device service request of its
// run. Each is run
// over cameras that answer at once and over cameras that take 50 ms a call,
// as real ones do (where asking one camera after another adds up), with a
// web server answering several calls at a time or one. Prints figures;
// asserts only that ours read every camera.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "onvif/wsd_search.h"
#include "tests/bench/median.h"
#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kCameras = 100;
constexpr int kRuns = 3;
constexpr const char* kUser = "installer";
constexpr const char* kPassword = "Fleet-Pass.2026";
const char* const kOnvifUtil = "/usr/bin/onvif-util";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

struct Run {
    int status = -1;
    double whole = 0;        // start to exit
    double afterSearch = 0;  // first camera request to exit; -1 when no camera was asked
};

// Runs the program to its end (at most 60 s), watching the cameras' request
// log for the moment it starts asking them.
Run Timed(std::vector<std::string> argv, const std::string& out, const std::string& err, const std::string& log) {
    Run run;
    const std::uintmax_t before = SizeOf(log);
    const auto start = Clock::now();
    std::optional<Clock::time_point> firstRequest;
    ChildProcess child(std::move(argv), {{}, out, err});
    if (!child.Started()) return run;
    const auto deadline = start + 60s;
    for (int poll = 0; poll < 1000000 && Clock::now() < deadline; ++poll) {
        if (!firstRequest && SizeOf(log) > before) firstRequest = Clock::now();
        if (const auto status = child.Wait(0ms)) {
            run.status = *status;
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    if (run.status < 0) child.Stop();
    const auto end = Clock::now();
    run.whole = Seconds(end - start);
    run.afterSearch = firstRequest ? Seconds(end - *firstRequest) : -1;
    return run;
}

// Cameras whose JSON line holds their facts and no error.
std::size_t ReadByOurs(const std::string& out) {
    const std::string ipKey = "\"ip\": \"";
    const std::string noError = "\", \"error\": null}";
    std::set<std::string> read;
    for (const std::string& line : ReadLines(out)) {
        const std::size_t ip = line.rfind(ipKey);
        if (line.find("\"manufacturer\": \"Devsim Optics\"") == std::string::npos || ip == std::string::npos ||
            line.size() < noError.size() || line.compare(line.size() - noError.size(), noError.size(), noError) != 0)
            continue;
        const std::size_t from = ip + ipKey.size();
        read.insert(line.substr(from, line.size() - noError.size() - from));
    }
    return read.size();
}

// onvif-util -a prints "IP HOSTNAME(NAME MODEL)" a camera; the host name is
// what it read from the camera.
std::size_t ReadByOnvifUtil(const std::string& out, std::size_t& found) {
    std::set<std::string> read;
    found = 0;
    for (const std::string& line : ReadLines(out)) {
        const std::size_t space = line.find(' ');
        if (line.rfind("Found ", 0) == 0) found = std::strtoul(line.c_str() + 6, nullptr, 10);
        if (line.rfind("127.", 0) == 0 && space != std::string::npos && space + 1 < line.size() &&
            line[space + 1] != '(' && line.find('(', space) != std::string::npos)
            read.insert(line.substr(0, space));
    }
    return read.size();
}

// Its sign-in to one camera (which searches again first to find it) reads
// the camera's name and serial, then waits for commands: "quit" ends it.
// One camera after another, as an installer without a fleet tool would.
struct LoopRun {
    double whole = 0;
    double afterSearches = 0;  // the sum, each from its first camera request
    std::size_t read = 0;
};

LoopRun SignInToEach(const TempDir& files, const std::string& log) {
    LoopRun loop;
    const auto start = Clock::now();
    for (int camera = 0; camera < kCameras && Clock::now() - start < 200s; ++camera) {
        // devsim's camera k serves at 127.77.0.(10 + k) in a one-host box.
        const std::string ip = "127.77.0." + std::to_string(10 + camera);
        const std::string out = files.File("login" + std::to_string(camera));
        const Run run =
            Timed({"/bin/sh", "-c",
                   std::string("printf 'quit\\n' | ") + kOnvifUtil + " -u " + kUser + " -p '" + kPassword + "' " + ip},
                  out, out + ".err", log);
        if (run.afterSearch > 0) loop.afterSearches += run.afterSearch;
        bool connected = false, serial = false;
        for (const std::string& line : ReadLines(out)) {
            connected = connected || line.find("successfully connected to host") != std::string::npos;
            serial = serial || line.find("serial: DSO-") != std::string::npos;
        }
        if (connected && serial) ++loop.read;
    }
    loop.whole = Seconds(Clock::now() - start);
    return loop;
}

void PrintRun(const char* who, int i, std::size_t read, const Run& run) {
    std::printf("run %d: %-13s %3zu/%d read, whole run %.2f s, after the search %.2f s (exit %d)\n", i, who, read,
                kCameras, run.whole, run.afterSearch, run.status);
}

// Our runs and onvif-util -a's over the same cameras.
struct Figures {
    bool allRead = true;
    std::vector<double> whole, after;
    std::vector<double> refWhole, refAfter, refRead;
};

double Ratio(double theirs, double ours) { return ours > 0 ? theirs / ours : 0.0; }

Figures Compare(const TempDir& files, const std::string& tag, const std::string& passwordFile, const std::string& log,
                bool haveOnvifUtil) {
    Figures f;
    for (int i = 1; i <= kRuns; ++i) {
        const std::string out = files.File(tag + "cli" + std::to_string(i));
        Run run = Timed({LANVARO_CLI_PATH, "onvif", "info", "--all", "--user", kUser, "--password-file", passwordFile},
                        out, out + ".err", log);
        run.afterSearch = run.whole - Seconds(WsdSearchTimings{}.window);
        const std::size_t read = ReadByOurs(out);
        PrintRun("lanvaro-cli", i, read, run);
        f.allRead = f.allRead && run.status == 0 && read == static_cast<std::size_t>(kCameras);
        f.whole.push_back(run.whole);
        f.after.push_back(run.afterSearch);
    }
    for (int i = 1; haveOnvifUtil && i <= kRuns; ++i) {
        const std::string out = files.File(tag + "util" + std::to_string(i));
        const Run run = Timed({kOnvifUtil, "-u", kUser, "-p", kPassword, "-a"}, out, out + ".err", log);
        std::size_t found = 0;
        const std::size_t read = ReadByOnvifUtil(out, found);
        PrintRun("onvif-util -a", i, read, run);
        std::printf("       (its search found %zu)\n", found);
        f.refWhole.push_back(run.whole);
        f.refAfter.push_back(run.afterSearch);
        f.refRead.push_back(static_cast<double>(read));
    }
    return f;
}

void PrintFigures(const char* cameras, const Figures& f, bool haveOnvifUtil) {
    std::printf("  %s:\n", cameras);
    std::printf("    lanvaro-cli onvif info --all: %s, whole run %.2f s, after the search %.2f s\n",
                f.allRead ? "every camera read in every run" : "NOT every camera read", Median(f.whole),
                Median(f.after));
    if (!haveOnvifUtil) return;
    std::printf("    onvif-util -a: %.0f/%d read, whole run %.2f s, after the search %.2f s\n", Median(f.refRead),
                kCameras, Median(f.refWhole), Median(f.refAfter));
    std::printf("    ratio onvif-util -a/ours (above 1: ours faster): whole run %.2f, after the search %.2f\n",
                Ratio(Median(f.refWhole), Median(f.whole)), Ratio(Median(f.refAfter), Median(f.after)));
}

// The cameras as devsim runs them: answering at once, or as real ones
// answer, in tens of milliseconds a call (devsim's --onvif-call-ms).
struct CameraKind {
    const char* title;
    const char* tag;
    int callMs;
    const char* quirk;  // nullptr: none
};

constexpr CameraKind kKinds[] = {
    {"cameras answering at once", "now", 0, nullptr},
    {"cameras taking 50 ms a call, several calls at a time", "slow", 50, nullptr},
    {"cameras taking 50 ms a call, one call at a time", "serial", 50, "one-at-a-time"},
};

}  // namespace

int main() {
    RequireLanBox();
    setvbuf(stdout, nullptr, _IOLBF, 0);

    TempDir files;
    const std::string log = files.File("requests");
    const std::string passwordFile = files.File("password");
    if (!WriteFile(passwordFile, std::string(kPassword) + "\n")) return 1;
    const bool haveOnvifUtil = std::ifstream(kOnvifUtil).good();
    if (!haveOnvifUtil) {
        std::printf("onvif-util not installed (scripts/install-deps): reference runs skipped\n");
    } else if (std::system("ip link set lo multicast on && (ip route show 224.0.0.0/4 | grep -q . || "
                           "ip route add 224.0.0.0/4 dev lo)") != 0) {
        // It probes without choosing a card: in the one-host box loopback must carry multicast.
        std::fprintf(stderr, "could not route multicast over loopback for onvif-util\n");
        return 1;
    }

    std::vector<double> searchSeconds;
    std::vector<Figures> figures;
    LoopRun loop;
    for (const CameraKind& kind : kKinds) {
        std::printf("%s:\n", kind.title);
        std::vector<std::string> args{"--no-udp",
                                      "--onvif",
                                      std::to_string(kCameras),
                                      "--onvif-user",
                                      kUser,
                                      "--onvif-password",
                                      kPassword,
                                      "--onvif-log",
                                      log,
                                      "--onvif-call-ms",
                                      std::to_string(kind.callMs)};
        if (kind.quirk != nullptr) args.insert(args.end(), {"--onvif-quirk", kind.quirk});
        DevsimProcess devsim(args);
        if (!devsim.Start()) {
            std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
            return 1;
        }
        if (searchSeconds.empty()) {
            // The search alone, as the CLI runs it before reading.
            for (int i = 1; i <= kRuns; ++i) {
                const std::atomic<bool> cancel{false};
                const auto start = Clock::now();
                const std::size_t found = RunWsdSearch(WsdSearchTimings{}, cancel).devices.size();
                searchSeconds.push_back(Seconds(Clock::now() - start));
                std::printf("run %d: search alone  %3zu/%d found in %.2f s\n", i, found, kCameras,
                            searchSeconds.back());
            }
        }
        figures.push_back(Compare(files, kind.tag, passwordFile, log, haveOnvifUtil));
        if (haveOnvifUtil && kind.callMs == 0) {
            loop = SignInToEach(files, log);
            std::printf(
                "once:  onvif-util sign-in to each camera in turn: %zu/%d read, whole loop %.1f s, "
                "after each one's search %.1f s in all\n",
                loop.read, kCameras, loop.whole, loop.afterSearches);
        }
    }

    std::printf("onvif fleet bench, %d cameras, median of %d runs:\n", kCameras, kRuns);
    std::printf("  search alone:  %.2f s\n", Median(searchSeconds));
    bool allRead = true;
    for (std::size_t k = 0; k < figures.size(); ++k) {
        PrintFigures(kKinds[k].title, figures[k], haveOnvifUtil);
        allRead = allRead && figures[k].allRead;
    }
    if (haveOnvifUtil)
        std::printf(
            "  onvif-util sign-in to each camera answering at once (once): %zu/%d read, %.1f s, after each one's "
            "search %.1f s; ratio to ours: whole %.1f, after the searches %.1f\n",
            loop.read, kCameras, loop.whole, loop.afterSearches, Ratio(loop.whole, Median(figures[0].whole)),
            Ratio(loop.afterSearches, Median(figures[0].after)));
    return allRead ? 0 : 1;
}
