// Parses a large remote listing in memory the way a folder listing does
// (one CFtpDir per line, the folder's path shared) and compares it with the
// cost of merely reading the same text once: splitting it into lines and
// touching every byte. Prints "floor_s", "ours_s" and the sizes; bench/run
// turns them into the table.
//
//     bench_listing [--lines N] [--layout unix|dos] [--keep]
//
// --keep also holds every entry in a CFtpDirList, as a real listing does, so
// that the figure includes the memory the entries need.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ftp/ftp_dir.h"
#include "paths/file_path.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    long long lines = 1000000;
    bool dos = false;
    bool keep = false;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--lines" && i + 1 < argc) {
            options.lines = std::stoll(argv[++i]);
        } else if (arg == "--layout" && i + 1 < argc) {
            options.dos = std::string_view(argv[++i]) == "dos";
        } else if (arg == "--keep") {
            options.keep = true;
        } else {
            std::fprintf(stderr, "usage: bench_listing [--lines N] [--layout unix|dos] [--keep]\n");
            return false;
        }
    }
    return true;
}

// A small deterministic generator, so every run parses the same text.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The shapes a Unix server sends: mostly files, some folders and links,
// dates with a time of day or with a year, names with blanks now and then.
std::string UnixLine(Random& random, long long index) {
    const uint32_t pick = random.Next() % 100;
    const uint32_t month = random.Next() % 12;
    const uint32_t day = 1 + random.Next() % 28;
    char date[32];
    if (random.Next() % 2) {
        std::snprintf(date, sizeof date, "%s %02u %02u:%02u", kMonths[month], day, random.Next() % 24,
                      random.Next() % 60);
    } else {
        std::snprintf(date, sizeof date, "%s %02u  %04u", kMonths[month], day, 2000 + random.Next() % 25);
    }
    char line[256];
    if (pick < 8) {
        std::snprintf(line, sizeof line, "drwxr-xr-x    2 1001     1001         4096 %s folder_%07lld", date,
                      index);
    } else if (pick < 9) {
        std::snprintf(line, sizeof line, "lrwxrwxrwx    1 1001     1001           11 %s link_%07lld -> target",
                      date, index);
    } else {
        const char* name = pick < 15 ? "report copy %07lld.txt" : "file_%07lld.dat";
        char file[64];
        std::snprintf(file, sizeof file, name, index);
        std::snprintf(line, sizeof line, "-rw-r--r--    1 1001     1001     %12u %s %s",
                      random.Next() % 100000000u, date, file);
    }
    return line;
}

std::string DosLine(Random& random, long long index) {
    char date[32];
    const uint32_t hour = 1 + random.Next() % 12;
    std::snprintf(date, sizeof date, "%02u-%02u-%02u  %02u:%02u%s", 1 + random.Next() % 12, 1 + random.Next() % 28,
                  random.Next() % 100, hour, random.Next() % 60, random.Next() % 2 ? "AM" : "PM");
    char line[256];
    if (random.Next() % 100 < 8) {
        std::snprintf(line, sizeof line, "%s       <DIR>          Folder %07lld", date, index);
    } else {
        std::snprintf(line, sizeof line, "%s %17u report_%07lld.txt", date, random.Next() % 100000000u, index);
    }
    return line;
}

std::string MakeListing(const Options& options) {
    Random random;
    std::string text;
    text.reserve(static_cast<size_t>(options.lines) * 72);
    for (long long i = 0; i < options.lines; ++i) {
        text += options.dos ? DosLine(random, i) : UnixLine(random, i);
        text += "\r\n";
    }
    return text;
}

// Calls `each(line)` for every non-empty line, split at CR and LF as a
// listing reply is.
template <class Each>
void ForEachLine(const std::string& text, Each each) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        const char* stop = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (!stop) stop = end;
        const char* last = stop > at && stop[-1] == '\r' ? stop - 1 : stop;
        if (last > at) each(std::string_view(at, static_cast<size_t>(last - at)));
        at = stop + 1;
    }
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) return 2;
    const std::string text = MakeListing(options);
    const int64_t now = 1760000000;  // a fixed "now": the same years every run

    // The floor: every line found and every byte of it read once.
    Clock::time_point start = Clock::now();
    uint64_t sum = 0;
    long long lines = 0;
    ForEachLine(text, [&](std::string_view line) {
        ++lines;
        for (char c : line) sum += static_cast<unsigned char>(c);
    });
    const double floor = Seconds(start);

    const velmora::CFtpPath folder("/pub/incoming/", velmora::PATH_FOLDER);
    velmora::CFtpDirList kept;
    long long entries = 0;
    start = Clock::now();
    ForEachLine(text, [&](std::string_view line) {
        if (options.keep) {
            auto* entry = new velmora::CFtpDir(folder, line, now);
            if (entry->IsEntry()) ++entries;
            kept.AddTail(entry);
        } else {
            const velmora::CFtpDir entry(folder, line, now);
            if (entry.IsEntry()) ++entries;
        }
    });
    const double ours = Seconds(start);

    std::printf("lines %lld\nbytes %zu\nentries %lld\nchecksum %llu\nfloor_s %.6f\nours_s %.6f\n", lines,
                text.size(), entries, static_cast<unsigned long long>(sum), floor, ours);
    return entries > 0 ? 0 : 1;
}
