// One file up or down through the library's SFTP session, as the transfer
// engine drives it (a 256 KiB block at a time), for the rows that compare
// it with OpenSSH's sftp and curl until the command line speaks SFTP.
//
//     bench_sftp up|down PORT USER KEY_FILE FINGERPRINT LOCAL REMOTE

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ftp/sftp_session.h"

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s up|down PORT USER KEY_FILE FINGERPRINT LOCAL REMOTE\n", argv[0]);
        return 2;
    }
    const bool up = std::strcmp(argv[1], "up") == 0;
    velmora::protocol::CSshSettings ssh;
    ssh.identities = {argv[4]};
    ssh.fingerprint = argv[5];
    ssh.useAgent = false;
    velmora::CSftpSession session;
    if (!session.Connect("127.0.0.1", static_cast<uint16_t>(std::atoi(argv[2])), argv[3], "", ssh, {})) {
        std::fprintf(stderr, "%s\n", session.GetLastError().c_str());
        return 1;
    }
    FILE* local = std::fopen(argv[6], up ? "rb" : "wb");
    auto stream = up ? session.OpenWrite(argv[7], 0, velmora::ERemoteWrite::Replace) : session.OpenRead(argv[7], 0);
    if (!local || !stream) {
        std::fprintf(stderr, "cannot open: %s\n", session.GetLastError().c_str());
        return 1;
    }
    std::vector<char> block(256 * 1024);
    bool ok = true;
    for (;;) {
        size_t size = 0;
        if (up) {
            size = std::fread(block.data(), 1, block.size(), local);
            if (size == 0) break;
            ok = stream->Write(block.data(), size);
        } else {
            ok = stream->Read(block.data(), block.size(), size);
            if (!ok || size == 0) break;
            ok = std::fwrite(block.data(), 1, size, local) == size;
        }
        if (!ok) break;
    }
    ok = ok && stream->Close() && std::fclose(local) == 0;
    if (!ok) std::fprintf(stderr, "%s\n", stream->GetLastError().c_str());
    return ok ? 0 : 1;
}
