// Export macro of the stand-in host SDK library (the game's pluginsdk counterpart).
#pragma once

#if defined(_WIN32)
#  if defined(ZANDO_HOSTSDK_BUILD)
#    define HOSTSDK_API __declspec(dllexport)
#  else
#    define HOSTSDK_API __declspec(dllimport)
#  endif
#else
#  define HOSTSDK_API __attribute__((visibility("default")))
#endif
