#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_parts.h"
#include "engine/source_stamp.h"
#include "platform/api.h"

namespace velmora {

// What the side a file is read from can tell before any byte moves.
struct CSourceFacts {
    // The length as far as it is known (a listing, SIZE, the file system).
    std::optional<uint64_t> length;
    // Its place, size and exact time, where the kind can tell them.
    std::optional<CSourceStamp> stamp;
    // Reading may start at an offset.
    bool readsFromOffset = false;
    // Asking for the stamp again costs no round trip (a local file).
    bool stampIsCheap = false;
};

// What the side a file is written to holds of it already, and how it can
// go on from there.
struct CTargetFacts {
    // Bytes an earlier transfer left (its partial file, or a shorter file
    // at the target's place); 0 when none or more than the source has.
    uint64_t held = 0;
    // What those bytes were taken from, where the kind kept it.
    std::optional<CSourceStamp> heldStamp;
    // The kind keeps a stamp of what its partial file holds.
    bool keepsStamps = false;
    // Writing may start at an offset, keeping what lies before it.
    bool writesFromOffset = false;
    // Writing may go on at the end of what the target holds.
    bool appends = false;
    // Several streams may write at once, each at its own offset.
    bool writesInParts = false;
    // What a transfer in parts left, part by part (`held` is then what
    // was written without a gap from the first byte); empty otherwise.
    std::vector<CFilePart> parts;
};

// How one file is carried, decided from the facts of its two sides before
// any byte moves; the one copy loop carries it out. A value: a test can
// build and check one without a file or a server.
struct VELMORA_API CTransferPlan {
    // How the target is opened.
    enum class EStart {
        Fresh,   // from its first byte
        Offset,  // from `offset`, what lies before it kept (REST, a seek)
        Append,  // at the end of what it holds, which is `offset` bytes (APPE)
    };

    EStart start = EStart::Fresh;
    // Where reading and writing begin.
    uint64_t offset = 0;
    // The held part was taken from another version of the source (its stamp
    // differs): the file starts afresh instead.
    bool sourceChanged = false;
    // The source's length when the plan was made: a copy that brings less
    // or more was cut short, or the source changed meanwhile.
    std::optional<uint64_t> expectedLength;
    // What the source was when the plan was made, where its kind can tell
    // (kept with a target's partial file from its first byte, and compared
    // again once the last byte is read).
    std::optional<CSourceStamp> stamp;
    // The target keeps `stamp` with its partial file before the first byte.
    bool keepStamp = false;
    // The hash algorithm the file is checked with once it is complete
    // (empty: none).
    std::string verify;

    bool Continues() const { return start != EStart::Fresh; }
    // Bytes still to carry, when the length is known.
    std::optional<uint64_t> Remaining() const;
};

// A file from its first byte, or, when `continuing` and the target holds
// part of this very source, from where that part ends (as the target can go
// on: from an offset, else by appending; from the first byte when neither
// side can start elsewhere).
VELMORA_API CTransferPlan PlanTransfer(bool continuing, const CSourceFacts& source, const CTargetFacts& target);

// The same file from its first byte, where a side would not start at the
// plan's offset after all.
VELMORA_API CTransferPlan Afresh(const CTransferPlan& plan);

// After a copy broke off and the broken side reconnected: the same file
// taken up where the target now holds it for certain (at most `copied`
// bytes), or from its first byte.
VELMORA_API CTransferPlan PlanTakeUp(const CTransferPlan& broken, uint64_t copied, const CSourceFacts& source,
                                     const CTargetFacts& target);

// The parts a download goes in where `count` (the job's setting) asks for
// more than one and both sides allow it: the source reads from any offset,
// the target writes in parts, and the source's length and stamp are known
// (the stamp is what lets a later run trust the parts a cut left). The parts
// a partial file holds are taken up when they were taken from this very
// source; otherwise the file is split afresh, each new part starting where
// `plan` starts. Empty: the file goes in one stream.
VELMORA_API std::vector<CFilePart> PlanParts(const CTransferPlan& plan, int count, bool continuing,
                                             const CSourceFacts& source, const CTargetFacts& target);

}  // namespace velmora
