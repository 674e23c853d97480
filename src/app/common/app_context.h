#pragma once

namespace parcelo {

class CAppSettings;
class CExistingTargets;
class CFtpSink;
class CStatusRelay;
class CTransferQueue;
class IPrompter;

// What the program's windows share: the settings, the browser's session, the
// transfer queue, the status relay, the way to ask the user and what to do
// with targets that exist. The program
// owns them (COrlithApp); tests bring their own.
struct CAppContext {
    CAppSettings& settings;
    CFtpSink& sink;
    CTransferQueue& queue;
    CStatusRelay& relay;
    IPrompter& prompter;
    CExistingTargets& targets;
};

}  // namespace parcelo
