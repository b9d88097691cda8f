// The rule that the game never waits for ZANDO: a thread holding the plug-in's lock (the game thread in
// a hook, a command or a timer; the render thread drawing a window) never waits on a file, the
// database or the network. The places that do check it in builds made with ZANDO_CHECK_BLOCKING (the
// test builds): a breach stops the program with its name.
#pragma once

#include <mutex>

namespace zando {

// The plug-in's lock, as every entry point takes it.
class StateLock {
public:
    explicit StateLock(std::recursive_mutex& mutex);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    std::scoped_lock<std::recursive_mutex> lock_;
};

// Load and unload may wait on the disk: the game waits for them whatever they do.
class MayWaitHere {
public:
    MayWaitHere();
    ~MayWaitHere();
    MayWaitHere(const MayWaitHere&) = delete;
    MayWaitHere& operator=(const MayWaitHere&) = delete;
};

// Called before a file write, a database call or a network exchange; what names it.
void CheckMayWait(const char* what);

}  // namespace zando
