// Records a scheduled job's file transfers in a job database the way the
// scheduling host does: a write-ahead-log database with synchronous=NORMAL,
// the database engine with one selected transfer order, the local scan's
// source records (SourceInfoAdd for each file, then SourceInfoUpdateSet) and
// one log entry per transferred file (ReportTrans), the entries committed in
// groups as the host has them. Only the reporting is timed; the files, the
// database and the order are made beforehand.
//
//     bench_db_report --dir FOLDER [--files N]
//
// FOLDER must be empty or missing; it receives src/ (the files) and jobs.db,
// which bench/run reads back to replay the same rows with the sqlite3 shell.
// Prints "files", "sourceinfo_s", "log_s" and "ours_s".

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "db_engine/db_engine.h"
#include "db/db_schedule_obj.h"
#include "db/db_trans_order_obj.h"
#include "db/sqlite_database.h"
#include "engine/tsk_local_file.h"
#include "paths/file_path.h"
#include "tasks/trans_point.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string dir;
    int files = 10000;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view arg = argv[i];
        if (arg == "--dir") {
            options.dir = argv[i + 1];
        } else if (arg == "--files") {
            options.files = std::stoi(argv[i + 1]);
        } else {
            return false;
        }
    }
    return !options.dir.empty() && argc % 2 == 1;
}

bool Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return true;
    std::fprintf(stderr, "sqlite: %s\n", error ? error : "error");
    sqlite3_free(error);
    return false;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The scan's view of the source folder: one task file per file, with the
// status the file system gives it.
std::vector<std::unique_ptr<velmora::CTskLocalFile>> MakeFiles(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<std::unique_ptr<velmora::CTskLocalFile>> files;
    files.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "d%02d/file_%05d.txt", i % 20, i);
        const fs::path path = folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "data " << i << '\n';
        velmora::CFtpPath status(path.string());
        status.ReadStatus();
        files.push_back(std::make_unique<velmora::CTskLocalFile>(status));
    }
    return files;
}

// A daily schedule with one local copy order, selected in the engine as the
// mover selects the order it runs.
bool SelectOrder(velmora::CDBEngine& engine, velmora::CSQLiteDatabase& database, const fs::path& dir) {
    velmora::CDBScheduleObj schedule;
    schedule.Name = "bench";
    schedule.Repeat = velmora::CDBScheduleObj::eDaily;
    schedule.TargetGUID = "BENCH";
    const velmora::CDBScheduleObj* stored = engine.ScheduleAdd(schedule);
    if (!stored) return false;
    velmora::CDBTransOrderObj order;
    order.ID_Schedule = stored->ID;
    order.FromType = velmora::ePointFolder;
    order.FromURL = (dir / "src").string();
    order.ToType = velmora::ePointFolder;
    order.ToURL = (dir / "dst").string();
    order.TransformType = velmora::CDBTransOrderObj::eOpCopy;
    velmora::CDBTransOrderObjSet orders(&database);
    if (!orders.AddRecord(order) || !orders.LoadByIdSchedule(stored->ID) || orders.GetCount() != 1) return false;
    engine.SelectTransOrder(*orders.GetHead());
    return true;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_db_report --dir FOLDER [--files N]\n");
        return 2;
    }
    const fs::path dir(options.dir);
    const auto files = MakeFiles(dir / "src", options.files);

    std::string error;
    sqlite3* handle = velmora::CSQLiteDatabase::OpenFile((dir / "jobs.db").string(), error);
    if (!handle) {
        std::fprintf(stderr, "cannot open the database: %s\n", error.c_str());
        return 1;
    }
    velmora::CSQLiteDatabase database(handle);
    if (!Exec(handle, ReadText(BENCH_SCHEMA_FILE)) ||
        !Exec(handle, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;")) {
        return 1;
    }
    // As the scheduling host does.
    database.GroupRows();
    velmora::CDBEngine engine(&database);
    if (!SelectOrder(engine, database, dir)) {
        std::fprintf(stderr, "cannot store the order: %s\n", engine.GetLastError().c_str());
        return 1;
    }

    const Clock::time_point start = Clock::now();
    engine.SourceInfoClear();
    for (const auto& file : files) engine.SourceInfoAdd(file.get());
    bool ok = engine.SourceInfoUpdateSet();
    const double sourceInfo = Seconds(start);
    const Clock::time_point logStart = Clock::now();
    for (const auto& file : files) {
        ok = engine.ReportTrans(velmora::DBLOG_OK, file->GetPath().GetPath(), std::string(),
                                velmora::DBACTION_COPY, std::string()) && ok;
    }
    ok = database.EndGroup(error) && ok;
    const double log = Seconds(logStart);
    const double ours = Seconds(start);
    database.Close();
    if (!ok) {
        std::fprintf(stderr, "reporting failed: %s\n", engine.GetLastError().c_str());
        return 1;
    }
    std::printf("files %d\nsourceinfo_s %.6f\nlog_s %.6f\nours_s %.6f\n", options.files, sourceInfo, log, ours);
    return 0;
}
