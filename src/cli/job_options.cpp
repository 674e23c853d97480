#include "cli/job_options.h"

namespace parcelo::cli {

void JobOptions::AddTo(CLI::App& command) {
    command.add_flag("--zip", zip, "Compress into a ZIP archive");
    command.add_option("--zip-name", zipName, "The archive's file name (default: the source's name and the time)")
        ->type_name("NAME");
    command.add_option("--zip-password", zipPassword, "Protect the archive with a password")->type_name("P");
    AddEncryptionTo(command);
    command.add_flag("--delete-source", deleteSource, "Delete the source file once it is copied");
    command.add_option("--exclude", exclude, "Extensions to leave out, e.g. \"tmp;bak\"")->type_name("EXTS");
    command.add_option("--exclude-folder", excludeFolders, "A folder to leave out (repeatable)")->type_name("PATH");
}

void JobOptions::AddEncryptionTo(CLI::App& command) {
    command
        .add_option("--encryption", encryption,
                    "How the password encrypts the archive: aes256 (default) or traditional (weak, for old tools)")
        ->check(CLI::IsMember({"aes256", "traditional"}, CLI::ignore_case))
        ->type_name("aes256|traditional");
}

void JobOptions::WarnWhenWeak(const CliContext& context) const {
    if (zip && !zipPassword.empty() && !Transform().IsZipAes256()) {
        context.Report("warning: the traditional ZIP encryption is weak; tools break it whatever the password "
                       "(use --encryption aes256)",
                       kExitOk);
    }
}

velmora::CTansform JobOptions::Transform() const {
    velmora::CTansform transform;
    if (zip) {
        transform.SetCompressed();
        transform.SetZipFileAuto(zipName.empty());
        transform.ZipFileName() = zipName;
        transform.SetPassword(zipPassword);
        transform.SetZipPasswordProtected(!zipPassword.empty());
        transform.SetZipEncryption(encryption == "traditional" ? velmora::CTansform::eZipTraditional
                                                               : velmora::CTansform::eZipAes256);
    }
    transform.GetFilter().SetExcludes(exclude);
    for (const std::string& folder : excludeFolders) transform.GetFilter().AddExcludeFolder(folder);
    return transform;
}

}  // namespace parcelo::cli
