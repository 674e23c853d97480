#pragma once

namespace parcelo {

class CAppSettings;
class CFtpSink;
class CStatusRelay;
class CTransferQueue;
class IPrompter;

// What the program's windows share: the settings, the browser's session, the
// transfer queue, the status relay and the way to ask the user. The program
// owns them (COrlithApp); tests bring their own.
struct CAppContext {
    CAppSettings& settings;
    CFtpSink& sink;
    CTransferQueue& queue;
    CStatusRelay& relay;
    IPrompter& prompter;
};

}  // namespace parcelo
