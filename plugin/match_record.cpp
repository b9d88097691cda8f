// The record of the match followed now: a copy of the plug-in's.
#include "plugin/zando.h"

MatchRecord ZANDO::CurrentRecord() const { return match; }
