// ls and du: what a remote folder holds, as lines for people or, with
// --json, one JSON object per entry.

#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/size_format.h"
#include "cli/commands.h"
#include "cli/json_line.h"
#include "cli/location.h"
#include "cli/remote_login.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_remote_folder.h"
#include "platform/clock.h"

namespace parcelo::cli {
namespace {

struct ListArgs {
    std::string location;
    bool longForm = false;
    bool recursive = false;
};

struct UsageArgs {
    std::string location;
    bool summary = false;
    bool bytes = false;
};

// One listed entry, with how exactly the listing gave its time.
struct Entry {
    velmora::CFtpDir dir;
    bool exactTime = false;
};

std::string KindText(const velmora::CFtpDir& entry) {
    if (entry.IsFolder()) return "dir";
    if (entry.IsLink()) return "link";
    return "file";
}

// Local time: to the second where the listing is exact (a machine listing
// in UTC), else to the minute, which is all a plain listing shows.
std::string DateText(const Entry& entry) {
    const uint64_t time = entry.dir.GetPath().LastWriteTime();
    if (time == 0) return "-";
    return velmora::platform::FormatLocalTime(velmora::platform::FileTimeToUnix(time),
                                              entry.exactTime ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d %H:%M");
}

std::string SizeDigits(const velmora::CFtpDir& entry) {
    if (!entry.IsFile()) return "-";
    return velmora::Format("%llu", static_cast<unsigned long long>(entry.GetPath().Length()));
}

std::string ShortLine(const Entry& entry) {
    return velmora::Format("%-4s %14s  %-16s  %s", KindText(entry.dir).c_str(), SizeDigits(entry.dir).c_str(),
                           DateText(entry).c_str(), entry.dir.GetName().c_str());
}

std::string LongLine(const Entry& entry) {
    const velmora::CFtpDir& dir = entry.dir;
    const auto orDash = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
    std::string line = velmora::Format("%-10s  %-8s %-8s %14s  %-19s  %s", orDash(dir.GetPermissions()).c_str(),
                                       orDash(dir.GetOwner()).c_str(), orDash(dir.GetGroup()).c_str(),
                                       SizeDigits(dir).c_str(), DateText(entry).c_str(), dir.GetName().c_str());
    if (dir.IsLink() && !dir.GetLinkTarget().empty()) line += " -> " + dir.GetLinkTarget();
    return line;
}

std::string JsonEntry(const std::string& folder, const Entry& entry) {
    const velmora::CFtpDir& dir = entry.dir;
    JsonLine json;
    json.Text("path", folder + dir.GetName()).Text("name", dir.GetName()).Text("type", KindText(dir));
    if (dir.IsFile()) json.Number("size", static_cast<int64_t>(dir.GetPath().Length()));
    if (const uint64_t time = dir.GetPath().LastWriteTime(); time != 0) {
        const int64_t seconds = velmora::platform::FileTimeToUnix(time);
        json.Text("modified", velmora::platform::FormatUtcTime(seconds, "%Y-%m-%dT%H:%M:%SZ"));
        json.Text("time_precision", entry.exactTime ? "second" : "minute");
    }
    if (!dir.GetPermissions().empty()) json.Text("permissions", dir.GetPermissions());
    if (!dir.GetOwner().empty()) json.Text("owner", dir.GetOwner());
    if (!dir.GetGroup().empty()) json.Text("group", dir.GetGroup());
    if (dir.IsLink() && !dir.GetLinkTarget().empty()) json.Text("target", dir.GetLinkTarget());
    return json.Line();
}

// The entries of one server folder ("/a/b/"); false with the reason.
bool ListFolder(velmora::CFtpClient& client, const std::string& folder, std::vector<Entry>& entries,
                std::string& error) {
    velmora::CRemoteSession* session = client.GetSession();
    // An exact listing gives times to the second, in UTC.
    const bool exact = session->GetFeatures().exactListing;
    return velmora::ForEachRemoteEntry(
        session, folder,
        [&entries, exact](const velmora::CFtpFind& find) {
            entries.push_back({*find.GetCurrent(), exact});
        },
        &error);
}

std::string SubFolder(const std::string& folder, const velmora::CFtpDir& entry) {
    return folder + entry.GetName() + "/";
}

// Lists `folder`, and below it with `recursive`, as ls -R does: each folder
// under its own heading. A folder that cannot be listed is said and the
// others go on; the exit status.
int ListTree(CliContext& context, velmora::CFtpClient& client, const Location& location, const ListArgs& args,
             const std::string& folder, int depth) {
    std::vector<Entry> entries;
    std::string error;
    if (!ListFolder(client, folder, entries, error)) {
        return context.Fail("cannot list " + DisplayUrl(location.login, folder) + ": " + error);
    }
    const bool json = context.options.json;
    if (args.recursive && !json) {
        if (depth > 0) context.Print("");
        context.Print(DisplayUrl(location.login, folder) + ":");
    }
    for (const Entry& entry : entries) {
        context.Print(json ? JsonEntry(folder, entry) : args.longForm ? LongLine(entry) : ShortLine(entry));
    }
    int status = kExitOk;
    if (!args.recursive) return status;
    for (const Entry& entry : entries) {
        if (!entry.dir.IsFolder()) continue;
        // A server that lists folders without end cannot keep the walk going.
        if (depth + 1 >= velmora::CFtpRemoteFolder::kMaxDepth) {
            return context.Fail("stopped " + velmora::Format("%d", depth + 1) + " folders deep at " +
                                DisplayUrl(location.login, SubFolder(folder, entry.dir)));
        }
        if (ListTree(context, client, location, args, SubFolder(folder, entry.dir), depth + 1) != kExitOk) {
            status = kExitFailed;
        }
    }
    return status;
}

// Logs in for `text` and runs `walk` on the folder it names ("/a/b/"); the
// exit status of the login when it fails, else the walk's.
template <class Walk>
int InFolder(CliContext& context, const std::string& text, Walk walk) {
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!OpenSession(context, text, location, client, status)) return status;
    return walk(client, location, velmora::CFtpPath(location.path, velmora::PATH_FOLDER).GetFtpDir(true));
}

int List(CliContext& context, const ListArgs& args) {
    return InFolder(context, args.location,
                    [&](velmora::CFtpClient& client, const Location& location, const std::string& folder) {
                        return ListTree(context, client, location, args, folder, 0);
                    });
}

// What a folder and everything below it holds.
struct FolderUsage {
    uint64_t bytes = 0;
    int64_t files = 0;
    int64_t folders = 0;
};

// Adds up `folder`, the deepest folders first, printing each folder's line
// (every one, or with `summary` only the top one).
bool AddUp(CliContext& context, velmora::CFtpClient& client, const Location& location, const UsageArgs& args,
           const std::string& folder, int depth, FolderUsage& usage) {
    std::vector<Entry> entries;
    std::string error;
    if (!ListFolder(client, folder, entries, error)) {
        context.Fail("cannot list " + DisplayUrl(location.login, folder) + ": " + error);
        return false;
    }
    bool whole = true;
    for (const Entry& entry : entries) {
        if (entry.dir.IsFile()) {
            usage.bytes += entry.dir.GetPath().Length();
            ++usage.files;
        } else if (entry.dir.IsFolder()) {
            if (depth + 1 >= velmora::CFtpRemoteFolder::kMaxDepth) {
                context.Fail("stopped " + velmora::Format("%d", depth + 1) + " folders deep at " +
                             DisplayUrl(location.login, SubFolder(folder, entry.dir)));
                return false;
            }
            FolderUsage inner;
            whole = AddUp(context, client, location, args, SubFolder(folder, entry.dir), depth + 1, inner) && whole;
            usage.bytes += inner.bytes;
            usage.files += inner.files;
            usage.folders += inner.folders + 1;
        }
    }
    if (args.summary && depth > 0) return whole;
    if (context.options.json) {
        context.Print(JsonLine()
                          .Text("path", folder)
                          .Number("bytes", static_cast<int64_t>(usage.bytes))
                          .Number("files", usage.files)
                          .Number("folders", usage.folders)
                          .Line());
    } else {
        const std::string size = args.bytes ? velmora::Format("%llu", static_cast<unsigned long long>(usage.bytes))
                                            : velmora::FormatSize(usage.bytes);
        context.Print(size + "\t" + DisplayUrl(location.login, folder));
    }
    return whole;
}

int DiskUsage(CliContext& context, const UsageArgs& args) {
    return InFolder(context, args.location,
                    [&](velmora::CFtpClient& client, const Location& location, const std::string& folder) {
                        FolderUsage usage;
                        return AddUp(context, client, location, args, folder, 0, usage) ? kExitOk : kExitFailed;
                    });
}

}  // namespace

void AddListingCommands(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto list = std::make_shared<ListArgs>();
    CLI::App* ls = app.add_subcommand("ls", "List a remote folder: kind, size, date, name");
    ls->add_option("REMOTE_FOLDER", list->location, "ftp://host/folder/ or NAME:/folder/")->required();
    ls->add_flag("-l,--long", list->longForm, "Permissions, owner, group, exact size, date and name");
    ls->add_flag("-R,--recursive", list->recursive, "The folders below too, each under its own heading");
    ls->footer("With --json, one object per entry: path, name, type (file, dir or link), size (files), modified "
               "(UTC, ISO 8601) with time_precision (second or minute), and where the server tells them "
               "permissions, owner, group and a link's target.");
    ls->callback([&context, &status, list] { status.value = List(context, *list); });

    auto usage = std::make_shared<UsageArgs>();
    CLI::App* du = app.add_subcommand("du", "How much a remote folder holds, each folder below it first");
    du->add_option("REMOTE_FOLDER", usage->location, "ftp://host/folder/ or NAME:/folder/")->required();
    du->add_flag("-s,--summarize", usage->summary, "Only the folder's own total");
    du->add_flag("-b,--bytes", usage->bytes, "Exact bytes instead of KiB, MiB, GiB");
    du->footer("With --json, one object per folder: path, bytes, files and folders below it.");
    du->callback([&context, &status, usage] { status.value = DiskUsage(context, *usage); });
}

}  // namespace parcelo::cli
