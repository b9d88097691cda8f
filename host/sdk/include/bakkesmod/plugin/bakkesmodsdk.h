// The SDK's build-wide definitions: the plug-in API build the host speaks, the plug-in type flags
// of a plug-in's exports record, and the markers of the SDK library's and a plug-in's exports.
#pragma once

// A plug-in built for another API build is refused by the host.
#define BAKKESMOD_PLUGIN_API_VERSION 95

#if defined(_WIN32)
#  define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#  if defined(ZANDO_HOSTSDK_BUILD)
#    define BAKKESMOD_PLUGIN_IMPORT __declspec(dllexport)
#  else
#    define BAKKESMOD_PLUGIN_IMPORT __declspec(dllimport)
#  endif
#else
#  define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#  define BAKKESMOD_PLUGIN_IMPORT __attribute__((visibility("default")))
#endif

enum PLUGINTYPE {
    PLUGINTYPE_FREEPLAY = 0x01,
    PLUGINTYPE_CUSTOM_TRAINING = 0x02,
    PLUGINTYPE_SPECTATOR = 0x04,
    PLUGINTYPE_BOTAI = 0x08,
    PLUGINTYPE_REPLAY = 0x10,
    PLUGINTYPE_THREADED = 0x20,
    PLUGINTYPE_THREADEDUNLOAD = 0x40
};
