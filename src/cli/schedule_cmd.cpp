// db init, schedule add | add-order | list | delete: the job database that
// the scheduler runs.

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "cli/commands.h"
#include "cli/job_database_file.h"
#include "cli/job_options.h"
#include "cli/location.h"
#include "cli/tls_options.h"
#include "db_engine/db_engine.h"
#include "db/db_launch_order.h"
#include "db/db_schedule_obj.h"
#include "db/db_trans_order_obj.h"
#include "db_engine/trans_order_extras.h"
#include "platform/clock.h"
#include "platform/guid.h"
#include "tasks/ftp_url.h"

namespace parcelo::cli {
namespace {

struct OrderOptions {
    std::string from;
    std::string to;
    JobOptions job;
    // A mirror order (only new and changed files), which may delete what
    // the destination has and the source lacks.
    bool mirror = false;
    bool mirrorDelete = false;
    bool checksum = false;
    int maxDelete = velmora::CTansform::kDeleteGuarded;
    bool forceDelete = false;
    OverwriteOptions overwrite;
};

struct ScheduleOptions {
    std::string name;
    std::string description;
    std::string repeat;
    std::string start;
    std::string daysOfWeek;
    std::string daysOfMonth;
    int timer = 0;
    OrderOptions order;
};

const std::map<std::string, int32_t>& RepeatNames() {
    static const std::map<std::string, int32_t> names = {
        {"once", velmora::CDBScheduleObj::eOnce},       {"daily", velmora::CDBScheduleObj::eDaily},
        {"weekly", velmora::CDBScheduleObj::eWeekly},   {"monthly", velmora::CDBScheduleObj::eMonthly},
        {"timer", velmora::CDBScheduleObj::eTimer},     {"manually", velmora::CDBScheduleObj::eManually}};
    return names;
}

// The form --start takes, local time.
constexpr const char* kDateForm = "%Y-%m-%d %H:%M";

// A stored date in the form --start takes; "-" for none.
std::string DateText(int64_t seconds) {
    return seconds == 0 ? std::string("-") : velmora::platform::FormatLocalTime(seconds, kDateForm);
}

// "YYYY-MM-DD HH:MM", local time.
bool ParseStart(const std::string& text, int64_t& seconds) {
    std::tm parts{};
    char extra = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d%c", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &extra) != 5) {
        return false;
    }
    if (parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 ||
        parts.tm_min > 59) {
        return false;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    return velmora::platform::FromLocal(parts, seconds);
}

// "mon,wed" (three-letter or full English names, any letter case).
bool ParseDaysOfWeek(const std::string& text, int32_t& bits, std::string& error) {
    static const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    static const char* const kFullDays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                            "thursday", "friday", "saturday"};
    bits = 0;
    velmora::CStringTokenizer tokens(text);
    for (std::string day = tokens.GetToken(", ;"); !day.empty(); day = tokens.GetToken(", ;")) {
        const std::string lower = velmora::ToLowerAscii(day);
        int found = -1;
        for (int i = 0; i < 7; ++i) {
            if (lower == kDays[i] || lower == kFullDays[i]) found = i;
        }
        if (found < 0) {
            error = "'" + day + "' is not a day of the week (sun, mon, tue, wed, thu, fri, sat)";
            return false;
        }
        bits |= 1 << found;
    }
    return true;
}

std::string PointName(const Location& location) {
    const std::string text = velmora::CFilePath(location.folder ? velmora::RemoveSlash(location.path) : location.path)
                                 .GetFileName(true);
    return text.empty() ? location.Display() : text;
}

// One end of a transfer order: type, name, location (without user and
// password), login and password.
struct OrderEnd {
    int32_t type = 0;
    std::string name;
    std::string url;
    std::string login;
    std::string password;

    // Into the five columns of a transfer order's source or destination.
    void Store(int32_t& typeColumn, std::string& nameColumn, std::string& urlColumn, std::string& loginColumn,
               std::string& passwordColumn) const {
        typeColumn = type;
        nameColumn = name;
        urlColumn = url;
        loginColumn = login;
        passwordColumn = password;
    }
};

OrderEnd MakeOrderEnd(const Location& location) {
    const velmora::CTransPoint point = location.Point();
    OrderEnd end;
    end.type = point.GetPointType();
    end.name = PointName(location);
    end.url = location.IsRemote() ? location.Display() : point.GetStrPath();
    // A folder keeps its closing separator, which is what makes a stored
    // location a folder when it is read back.
    if (location.folder && !end.url.empty() && end.url.back() != '/' && end.url.back() != '\\') end.url += '/';
    end.login = point.GetLogin();
    end.password = point.GetPWD();
    return end;
}

// What an order stores so that a server end runs with the TLS settings it
// was added with: what those add to the settings of its URL scheme or saved
// connection.
velmora::COrderTls ExtraTls(const Location& location) {
    velmora::COrderTls extra;
    if (!location.IsRemote()) return extra;
    // An SSH server has no certificate: its pin is its host key's.
    if (location.login.IsSftp()) {
        extra.fingerprint = location.login.GetSshSettings().fingerprint;
        return extra;
    }
    const velmora::CTlsSettings& wanted = location.login.GetTlsSettings();
    const velmora::CTlsSettings& own = location.ownTls;
    if (wanted.mode != own.mode) extra.mode = wanted.mode;
    if (wanted.fingerprint != own.fingerprint) extra.fingerprint = wanted.fingerprint;
    if (wanted.caFile != own.caFile) extra.caFile = wanted.caFile;
    extra.insecure = wanted.insecure && !own.insecure;
    return extra;
}

void StoreTls(CliContext& context, velmora::CDBTransOrderObj& order, velmora::EOrderEnd end,
              const Location& location) {
    const velmora::COrderTls extra = ExtraTls(location);
    if (extra.insecure) context.Warn(StoredInsecureWarning("order", location.login.GetHost()));
    velmora::SetOrderTls(order, end, extra);
}

// The order's ends and transform; its schedule is set when it is stored.
bool MakeOrder(CliContext& context, const OrderOptions& options, velmora::CDBTransOrderObj& order,
               std::string& error) {
    if (options.mirror && options.job.zip) {
        error = "--mirror sends files as they are: not with --zip";
        return false;
    }
    if (options.mirrorDelete && !options.mirror) {
        error = "--delete deletes what a mirror's source lacks: use it with --mirror";
        return false;
    }
    if (options.checksum && !options.mirror) {
        error = "--checksum is how a mirror compares files: use it with --mirror";
        return false;
    }
    LocationParser parser(context);
    // An order names a saved connection and reads its password when it runs.
    parser.LeaveSavedPasswords();
    Location from;
    Location to;
    if (!parser.Parse(options.from, from, error) || !parser.Parse(options.to, to, error)) return false;
    KeepTlsWhereSeen(from.login);
    KeepTlsWhereSeen(to.login);
    for (const Location* end : {&from, &to}) {
        if (end->passwordMissing) {
            context.Warn("the saved connection '" + end->connection.name +
                         "' keeps no password: the order cannot log in until one is saved (connections password " +
                         end->connection.name + ")");
        }
    }
    // The two ends of a mirror are folders, whether or not they are there yet.
    from.folder = from.folder || options.mirror;
    to.folder = to.folder || options.mirror;
    const OrderEnd source = MakeOrderEnd(from);
    const OrderEnd destination = MakeOrderEnd(to);
    JobOptions job = options.job;
    if (!job.AskZipPassword(job.zipPasswordFile, false, error)) return false;
    velmora::CTansform transform;
    if (!job.Transform(from, transform, error)) return false;
    job.WarnWhenWeak(context);
    if (options.mirror) {
        transform.SetSync();
        transform.SetSyncDelete(options.mirrorDelete);
        transform.SetMaxDelete(options.forceDelete ? velmora::CTansform::kDeleteAny : options.maxDelete);
    }
    source.Store(order.FromType, order.FromName, order.FromURL, order.FromLogin, order.FromPWD);
    order.TransformType = static_cast<int32_t>(transform.GetTransformType());
    order.Filter = transform.GetXMLFilter();
    order.TransformPWD = transform.GetPassword();
    order.TransformEncryption = transform.GetZipEncryption();
    order.TransformFile = transform.ZipFileName();
    destination.Store(order.ToType, order.ToName, order.ToURL, order.ToLogin, order.ToPWD);
    // No password in clear at rest: a saved connection is named, not copied.
    if (!from.connection.IsEmpty()) velmora::ReferToConnection(order, velmora::EOrderEnd::From, from.connection);
    if (!to.connection.IsEmpty()) velmora::ReferToConnection(order, velmora::EOrderEnd::To, to.connection);
    StoreTls(context, order, velmora::EOrderEnd::From, from);
    StoreTls(context, order, velmora::EOrderEnd::To, to);
    // Without an option, the order keeps the engine's own behaviour.
    velmora::SetOrderOverwrite(order, options.overwrite.Policy(velmora::EOverwrite::Design));
    velmora::EVerify verify = velmora::EVerify::Auto;
    velmora::ParseVerifyName(context.options.verify, verify);
    velmora::SetOrderVerify(order, verify);
    velmora::SetOrderChecksum(order, options.checksum);
    order.SetStatus(velmora::TRANSORDER_PENDING);
    return true;
}

bool BuildSchedule(const ScheduleOptions& options, velmora::CDBScheduleObj& schedule, std::string& error) {
    const auto repeat = RepeatNames().find(velmora::ToLowerAscii(options.repeat));
    if (repeat == RepeatNames().end()) {
        error = "--repeat is one of once, daily, weekly, monthly, timer, manually";
        return false;
    }
    schedule.Name = options.name;
    schedule.Description = options.description;
    schedule.Repeat = repeat->second;
    if (!options.start.empty() && !ParseStart(options.start, schedule.StartDateTime)) {
        error = "--start is a local date and time \"YYYY-MM-DD HH:MM\"";
        return false;
    }
    if (!ParseDaysOfWeek(options.daysOfWeek, schedule.DaysOfWeek, error)) return false;
    schedule.DaysOfMonth = options.daysOfMonth;
    schedule.Timer = options.timer;
    // Said in the words of the command line, before the record's own check.
    constexpr int32_t kShortest = velmora::CDBScheduleObj::kShortestTimer;
    if (schedule.Repeat == velmora::CDBScheduleObj::eTimer && schedule.Timer < kShortest) {
        error = velmora::Format("--timer is the minutes between runs: %d or more", kShortest);
        return false;
    }
    schedule.TargetGUID = velmora::platform::GuidToString(velmora::platform::CreateGuid());
    // The record's check refuses the Manually type, which the planner simply
    // never launches; every other rule still applies to it.
    velmora::CDBScheduleObj checked(schedule);
    if (checked.Repeat == velmora::CDBScheduleObj::eManually) checked.Repeat = velmora::CDBScheduleObj::eNone;
    return checked.IsValidData(error);
}

bool OpenDatabase(CliContext& context, const std::string& path, JobDatabaseFile& database, int& status) {
    std::string error;
    if (database.Open(path, error)) {
        context.Warn(JobDatabaseFile::AccessWarning(path));
        return true;
    }
    status = context.Fail(error);
    return false;
}

// Opens the database to add to it; the passwords its orders keep in it move
// into the keyring now, where one runs.
bool OpenDatabaseToWrite(CliContext& context, const std::string& path, JobDatabaseFile& database, int& status) {
    if (!OpenDatabase(context, path, database, status)) return false;
    velmora::CDBEngine engine(database.get());
    if (!engine.MovePasswordsToKeyring()) {
        status = context.Fail("cannot read the transfer orders: " + engine.GetLastError());
        return false;
    }
    context.Warn(engine.GetNotice());
    return true;
}

// Puts the order's passwords away (the keyring, else the database), before
// anything of it is stored.
bool ProtectPasswords(CliContext& context, const std::string& path, velmora::CDBTransOrderObj& order, int& status) {
    std::string notice;
    std::string error;
    if (!velmora::ProtectOrderPasswords(order, path, notice, error)) {
        status = context.Fail("cannot keep the order's passwords: " + error);
        return false;
    }
    context.Warn(notice);
    return true;
}

int StoreOrder(CliContext& context, velmora::CSQLiteDatabase* database, const velmora::CDBScheduleObj& schedule,
               velmora::CDBTransOrderObj& order) {
    order.ID_Schedule = schedule.ID;
    order.DateScheduled = schedule.StartDateTime;
    velmora::CDBTransOrderObjSet orders(database);
    if (!orders.AddRecord(order)) {
        std::string ignored;
        velmora::ForgetOrderPasswords(order, ignored);
        return context.Fail("cannot store the transfer order: " + orders.GetLastError());
    }
    int32_t id = 0;
    orders.LoadLatestID("ID", id);
    context.Print(velmora::Format("transfer order %d of schedule %d", id, schedule.ID));
    return kExitOk;
}

int InitDatabase(CliContext& context, const std::string& path) {
    JobDatabaseFile database;
    std::string error;
    if (!database.Create(path, error)) return context.Fail(error);
    return kExitOk;
}

int AddSchedule(CliContext& context, const std::string& path, const ScheduleOptions& options) {
    velmora::CDBScheduleObj schedule;
    std::string error;
    if (!BuildSchedule(options, schedule, error)) return context.UsageError(error);
    velmora::CDBTransOrderObj order;
    if (!MakeOrder(context, options.order, order, error)) return context.UsageError(error);
    JobDatabaseFile database;
    int status = kExitOk;
    if (!OpenDatabaseToWrite(context, path, database, status)) return status;
    if (!ProtectPasswords(context, path, order, status)) return status;
    velmora::CDBScheduleObjSet schedules(database.get());
    const velmora::CDBScheduleObj* stored = schedules.AddSchedule(schedule);
    if (!stored || stored->ID == 0) {
        std::string ignored;
        velmora::ForgetOrderPasswords(order, ignored);
        return context.Fail("cannot store the schedule: " + schedules.GetLastError());
    }
    context.Print(velmora::Format("schedule %d", stored->ID));
    return StoreOrder(context, database.get(), *stored, order);
}

int AddScheduleOrder(CliContext& context, const std::string& path, int32_t id, const OrderOptions& options) {
    JobDatabaseFile database;
    int status = kExitOk;
    if (!OpenDatabaseToWrite(context, path, database, status)) return status;
    velmora::CDBScheduleObjSet schedules(database.get());
    if (!schedules.LoadSchedule()) return context.Fail("cannot read the schedules: " + schedules.GetLastError());
    const velmora::CDBScheduleObj* schedule = schedules.FindById(id);
    if (!schedule) return context.Fail(velmora::Format("no schedule %d", id));
    velmora::CDBTransOrderObj order;
    std::string error;
    if (!MakeOrder(context, options, order, error)) return context.UsageError(error);
    if (!ProtectPasswords(context, path, order, status)) return status;
    return StoreOrder(context, database.get(), *schedule, order);
}

// The encryption mode a server end of an order runs with: the order's own,
// else the one its URL's scheme demands; an ftp:// end that names a saved
// connection runs with that connection's mode.
std::string OrderTlsMode(const velmora::CDBTransOrderObj& order, velmora::EOrderEnd end,
                         const velmora::COrderTls& tls) {
    const auto quoted = [](velmora::ETlsMode mode) { return "'" + std::string(velmora::TlsModeName(mode)) + "'"; };
    if (tls.mode) return quoted(*tls.mode);
    velmora::CFtpUrl url;
    if (url.Parse(end == velmora::EOrderEnd::From ? order.FromURL : order.ToURL) && url.tlsMode)
        return quoted(*url.tlsMode);
    const velmora::CSavedConnectionRef connection = velmora::OrderConnection(order, end);
    if (!connection.IsEmpty()) return "of the saved connection '" + connection.name + "'";
    return quoted(velmora::ETlsMode::Plain);
}

// The TLS settings an order keeps for one end, a line each, in the words of
// "connections show"; nothing for an end without any.
void PrintOrderTls(CliContext& context, const velmora::CDBTransOrderObj& order, velmora::EOrderEnd end) {
    const velmora::COrderTls tls = velmora::OrderTls(order, end);
    if (tls.IsEmpty()) return;
    const std::string prefix = end == velmora::EOrderEnd::From ? "\t  from: " : "\t  to: ";
    context.Print(prefix + "TLS " + OrderTlsMode(order, end, tls));
    if (!tls.fingerprint.empty()) context.Print(prefix + "certificate '" + tls.fingerprint + "'");
    if (!tls.caFile.empty()) context.Print(prefix + "CA file '" + tls.caFile + "'");
    if (tls.insecure) context.Print(prefix + "accepts ANY certificate (UNSAFE: the server is not checked)");
}

void PrintSchedule(CliContext& context, velmora::CSQLiteDatabase* database, const velmora::CDBScheduleObj& schedule) {
    // A single run is said by its start, in the one form dates take here.
    const std::string when =
        schedule.Repeat == velmora::CDBScheduleObj::eOnce ? std::string() : " " + schedule.GetDateDescription();
    context.Print(velmora::Format("%d\t%s\t%s%s, from %s\t%s", schedule.ID, schedule.Name.c_str(),
                                  schedule.GetStrScheduleType().c_str(), when.c_str(),
                                  DateText(schedule.StartDateTime).c_str(), schedule.StatusDescription.c_str()));
    velmora::CDBTransOrderObjSet orders(database);
    orders.LoadByIdSchedule(schedule.ID);
    for (const velmora::CDBObj* record : orders) {
        const auto& order = static_cast<const velmora::CDBTransOrderObj&>(*record);
        context.Print(velmora::Format("\torder %d: %s %s -> %s\t%s", order.ID, order.GetStrOp().c_str(),
                                      order.FromURL.c_str(), order.ToURL.c_str(), order.StatusDescription.c_str()));
        PrintOrderTls(context, order, velmora::EOrderEnd::From);
        PrintOrderTls(context, order, velmora::EOrderEnd::To);
    }
    velmora::CDBLaunchOrderSet launches(database);
    velmora::CDBLaunchOrder last;
    if (launches.LoadLastRecord(schedule, last) && !last.IsEmptyID()) {
        context.Print(velmora::Format("\tlatest launch %d: scheduled %s, performed %s, %s", last.ID,
                                      DateText(last.DateScheduled).c_str(), DateText(last.DatePerformed).c_str(),
                                      last.StatusDescription.c_str()));
    }
}

int ListSchedules(CliContext& context, const std::string& path) {
    JobDatabaseFile database;
    int status = kExitOk;
    if (!OpenDatabase(context, path, database, status)) return status;
    velmora::CDBScheduleObjSet schedules(database.get());
    if (!schedules.LoadSchedule()) return context.Fail("cannot read the schedules: " + schedules.GetLastError());
    for (const velmora::CDBObj* record : schedules) {
        PrintSchedule(context, database.get(), static_cast<const velmora::CDBScheduleObj&>(*record));
    }
    return kExitOk;
}

int DeleteSchedule(CliContext& context, const std::string& path, int32_t id) {
    JobDatabaseFile database;
    int status = kExitOk;
    if (!OpenDatabase(context, path, database, status)) return status;
    velmora::CDBEngine engine(database.get());
    if (!engine.ScheduleLoad()) return context.Fail("cannot read the schedules: " + engine.GetLastError());
    const velmora::CDBScheduleObj* schedule = engine.Schedules().FindById(id);
    if (!schedule) return context.Fail(velmora::Format("no schedule %d", id));
    if (!engine.ScheduleDelete(*schedule)) return context.Fail("cannot delete the schedule: " + engine.GetLastError());
    context.Warn(engine.GetNotice());
    return kExitOk;
}

void AddOrderOptions(CLI::App& command, OrderOptions& options) {
    command.add_option("--from", options.from, "The source: a local path, ftp://... or NAME:/...")->required();
    command.add_option("--to", options.to, "The destination")->required();
    // A scheduled order never deletes its source (a mirror may delete at
    // its destination what the source lacks).
    options.job.AddTo(command, JobOptions::DeleteSource::kNotOffered);
    command.add_flag("--mirror", options.mirror, "Send only what is new or changed at the destination");
    command.add_flag("--delete", options.mirrorDelete,
                     "With --mirror: also delete what the source lacks, never more than half of the destination "
                     "and nothing from an empty source, unless --max-delete or --force-delete says so");
    command.add_option("--max-delete", options.maxDelete, "With --delete: delete up to N entries, whatever the share")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command.add_flag("--force-delete", options.forceDelete, "With --delete: delete whatever the number");
    command.add_flag("--checksum", options.checksum,
                     "With --mirror: compare files of equal size by their hashes instead of their times (slow: "
                     "the server hashes each such file; without a hash in common, times decide)");
    options.overwrite.AddTo(command);
}

CLI::Option* AddDatabaseOption(CLI::App& command, std::string& path) {
    return command.add_option("--db", path, "The job database file")->type_name("FILE")->required();
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto path = std::make_shared<std::string>();

    CLI::App* db = app.add_subcommand("db", "The job database file");
    db->require_subcommand(1);
    CLI::App* init = db->add_subcommand("init", "Create a new job database");
    AddDatabaseOption(*init, *path);
    init->callback([&context, &status, path] { status.value = InitDatabase(context, *path); });

    CLI::App* schedule = app.add_subcommand("schedule", "Schedules and their transfer orders");
    schedule->require_subcommand(1);

    auto added = std::make_shared<ScheduleOptions>();
    CLI::App* add = schedule->add_subcommand("add", "Store a schedule with one transfer order");
    AddDatabaseOption(*add, *path);
    add->add_option("--name", added->name, "The schedule's name")->required();
    add->add_option("--description", added->description, "Free text");
    add->add_option("--repeat", added->repeat, "once, daily, weekly, monthly, timer or manually")->required();
    add->add_option("--start", added->start, "First run, local time \"YYYY-MM-DD HH:MM\" (default: now)");
    add->add_option("--days-of-week", added->daysOfWeek, "Weekly: the days, e.g. mon,wed");
    add->add_option("--days-of-month", added->daysOfMonth, "Monthly: the days, e.g. \"1,15\"");
    add->add_option("--timer", added->timer, "Timer: minutes between runs (30 or more)");
    AddOrderOptions(*add, added->order);
    add->callback([&context, &status, path, added] { status.value = AddSchedule(context, *path, *added); });

    auto order = std::make_shared<OrderOptions>();
    auto id = std::make_shared<int32_t>(0);
    CLI::App* addOrder = schedule->add_subcommand("add-order", "Add a transfer order to a schedule");
    AddDatabaseOption(*addOrder, *path);
    addOrder->add_option("--schedule", *id, "The schedule's number")->required();
    AddOrderOptions(*addOrder, *order);
    addOrder->callback([&context, &status, path, id, order] {
        status.value = AddScheduleOrder(context, *path, *id, *order);
    });

    CLI::App* list = schedule->add_subcommand("list", "Each schedule with its orders and its latest launch");
    AddDatabaseOption(*list, *path);
    list->callback([&context, &status, path] { status.value = ListSchedules(context, *path); });

    CLI::App* remove = schedule->add_subcommand("delete", "Delete a schedule with its launches and orders");
    AddDatabaseOption(*remove, *path);
    remove->add_option("--schedule", *id, "The schedule's number")->required();
    remove->callback([&context, &status, path, id] { status.value = DeleteSchedule(context, *path, *id); });
}

}  // namespace parcelo::cli
