// Uses a piece of every layer through the umbrella header only; exits 0 when
// what it sees is right.
#include <velmora.h>

#include <cstdio>

int main() {
    using namespace velmora;
    int failures = 0;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "consumer: %s\n", what);
            ++failures;
        }
    };

    check(FormatValue(int64_t{1536}, true) == "1.5 KB", "FormatValue");
    check(StrDec(StrEnc("secret")) == "secret", "StrEnc/StrDec");

    CFtpPath path("C:\\Data\\a.txt", PATH_LITERAL);
    check(path.GetDir(false) == "/Data/" && path.GetExt(false, false) == ".txt", "CFtpPath");

    CFtpLoginInfo info;
    info.SetHost("example.org");
    std::string text;
    info.WriteXML(text);
    CFtpLoginInfo read;
    check(read.ReadXML(text) && read.GetHost() == "example.org", "CFtpLoginInfo text");

    CTansform transform;
    check(transform.IsSimpleCopy(), "CTansform");

    CMoverAPI api;
    check(!api.DoCopy(), "CMoverAPI without a request");
    return failures == 0 ? 0 : 1;
}
