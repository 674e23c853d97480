#include "cli/job_options.h"

#include <filesystem>
#include <fstream>

#include "base/path_text.h"
#include "base/tokenizer.h"
#include "cli/terminal_prompt.h"
#include "platform/system.h"

namespace parcelo::cli {
namespace {

// "tmp", ".tmp" and "*.tmp" all name the extension "tmp".
std::string ExtensionList(const std::string& text) {
    std::string list;
    velmora::CStringTokenizer tokens(text);
    constexpr const char* kSeparators = " ;,\n\r";
    for (std::string piece = tokens.GetToken(kSeparators); !piece.empty(); piece = tokens.GetToken(kSeparators)) {
        const size_t start = piece.find_first_not_of("*.");
        if (start == std::string::npos) continue;
        list += (list.empty() ? "" : ";") + piece.substr(start);
    }
    return list;
}

// An exclusion folder as the filter compares it: absolute and normalised,
// without a trailing separator.
std::string ExcludedFolder(const Location& source, const std::string& folder) {
    namespace fs = std::filesystem;
    if (source.IsRemote()) {
        const std::string base = velmora::AppendSlash(source.path, '/');
        const std::string path = folder.starts_with("/") ? folder : base + folder;
        return fs::path(path).lexically_normal().generic_string();
    }
    std::error_code ignored;
    return fs::absolute(folder, ignored).lexically_normal().string();
}

bool IsInside(const std::string& folder, const std::string& root) {
    const std::string inner = velmora::AppendSlash(folder, '/');
    const std::string outer = velmora::AppendSlash(root, '/');
    return inner.size() > outer.size() && inner.starts_with(outer);
}

}  // namespace

void JobOptions::AddTo(CLI::App& command, DeleteSource deleteSourceOption) {
    command.add_flag("--zip", zip, "Compress into a ZIP archive");
    command.add_option("--zip-name", zipName, "The archive's file name (default: the source's name and the time)")
        ->type_name("NAME");
    command.add_flag("--zip-encrypt", zipEncrypt,
                     "Protect the archive with a password from --zip-password-file, $PARCELO_ZIP_PASSWORD or "
                     "the terminal");
    command.add_option("--zip-password-file", zipPasswordFile, "Read the ZIP password from the first line of FILE")
        ->type_name("FILE");
    command.add_option("--zip-password", zipPassword, "The ZIP password itself (other users see it in ps)")
        ->type_name("P");
    if (deleteSourceOption == DeleteSource::kOffered) {
        command.add_flag("--delete-source", deleteSource, "Delete the source file once it is copied");
    }
    AddEncryptionTo(command);
    AddExclusionsTo(command);
}

bool JobOptions::AskZipPassword(const std::string& passwordFile, bool fileMeansEncrypt, std::string& error) {
    if (!zipPassword.empty() || !(zipEncrypt || (fileMeansEncrypt && !passwordFile.empty()))) return true;
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in || !std::getline(in, zipPassword)) {
            error = "cannot read the password file '" + passwordFile + "'";
            return false;
        }
        if (!zipPassword.empty() && zipPassword.back() == '\r') zipPassword.pop_back();
    } else if (const std::string value = velmora::platform::GetEnvironment("PARCELO_ZIP_PASSWORD"); !value.empty()) {
        zipPassword = value;
    } else {
        std::string again;
        if (!PromptPassword("ZIP password: ", zipPassword) || !PromptPassword("ZIP password (again): ", again)) {
            error = "no ZIP password: give it in a file (--zip-password-file, or --password-file for zip), in "
                    "$PARCELO_ZIP_PASSWORD, or run on a terminal to be asked";
            return false;
        }
        if (again != zipPassword) {
            error = "the two ZIP passwords differ";
            return false;
        }
    }
    if (zipPassword.empty()) {
        error = "the ZIP password is empty";
        return false;
    }
    return true;
}

void JobOptions::AddEncryptionTo(CLI::App& command) {
    command
        .add_option("--encryption", encryption,
                    "How the password encrypts the archive: aes256 (default) or traditional (weak, for old tools)")
        ->check(CLI::IsMember({"aes256", "traditional"}, CLI::ignore_case))
        ->type_name("aes256|traditional");
}

void JobOptions::WarnWhenWeak(const CliContext& context) const {
    if (zip && !zipPassword.empty() && encryption == "traditional") {
        context.Report("warning: the traditional ZIP encryption is weak; tools break it whatever the password "
                       "(use --encryption aes256)",
                       kExitOk);
    }
}

void JobOptions::AddExclusionsTo(CLI::App& command) {
    command.add_option("--exclude", exclude, "Extensions to leave out, e.g. \"tmp;bak\" (or \"*.tmp\")")
        ->type_name("EXTS");
    command.add_option("--exclude-folder", excludeFolders, "A folder inside the source to leave out (repeatable)")
        ->type_name("PATH");
    AddFollowLinksTo(command, followLinks);
}

void AddFollowLinksTo(CLI::App& command, bool& followLinks) {
    command.add_flag("--follow-links", followLinks,
                     "Send what the links in a local source folder point to (without it they are skipped)");
}

bool JobOptions::Transform(const Location& source, velmora::CTansform& transform, std::string& error) const {
    transform = velmora::CTansform();
    if (zip) {
        transform.SetCompressed();
        transform.SetZipFileAuto(zipName.empty());
        transform.ZipFileName() = zipName;
        transform.SetPassword(zipPassword);
        transform.SetZipPasswordProtected(!zipPassword.empty());
        transform.SetZipEncryption(encryption == "traditional" ? velmora::CTansform::eZipTraditional
                                                               : velmora::CTansform::eZipAes256);
    }
    transform.SetFollowLinks(followLinks);
    transform.GetFilter().SetExcludes(ExtensionList(exclude));
    for (const std::string& text : excludeFolders) {
        const std::string folder = ExcludedFolder(source, velmora::RemoveSlash(text));
        if (!IsInside(folder, source.path)) {
            error = "--exclude-folder '" + text + "' is not inside the source " + source.Display();
            return false;
        }
        transform.GetFilter().AddExcludeFolder(folder);
    }
    return true;
}

void OverwriteOptions::AddTo(CLI::App& command) {
    CLI::Option* replace = command.add_flag("--overwrite", overwrite, "Replace files that are there already");
    CLI::Option* keep = command.add_flag("--no-clobber", noClobber, "Keep files that are there (skip the new ones)");
    CLI::Option* newest =
        command.add_flag("--newer", newer, "Replace a file that is there only when the source file is newer");
    replace->excludes(keep)->excludes(newest);
    keep->excludes(newest);
}

velmora::EOverwrite OverwriteOptions::Policy(velmora::EOverwrite fallback) const {
    if (overwrite) return velmora::EOverwrite::Replace;
    if (noClobber) return velmora::EOverwrite::Skip;
    if (newer) return velmora::EOverwrite::Newer;
    return fallback;
}

}  // namespace parcelo::cli
