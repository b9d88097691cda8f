// What the plug-in tells a program that loaded it (the sandbox) about the match it follows, through
// two exported C functions: a versioned snapshot of the match's figures, and the control panel's tab.
// The game calls neither. A snapshot's layout only ever grows at its end: a reader built for an older
// version reads the fields it knows, and the size says which fields a plug-in filled.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct ZandoMatchSnapshot {
    std::uint32_t version;  // the snapshot version of the plug-in that filled it
    std::uint32_t size;     // bytes it filled, from the start of the snapshot
    // Version 1.
    float averageSpeed;    // units/s, over the measured driving
    float boostCollected;  // pad units
    float boostUsed;       // percent points
    float possessionTime;  // s the player's car was nearest the ball
    float gameTime;        // s of play sampled
    std::int32_t shots;
    std::int32_t goals;
};

// Fills up to capacity bytes of *out (at least the version and size) and returns 1; returns 0, and
// fills nothing, when no plug-in is loaded or capacity is too small for the version and size.
using ZandoMatchSnapshotFunction = int (*)(ZandoMatchSnapshot* out, std::uint32_t capacity);
// Shows the control panel's tab 0..7 the next time the panel is drawn; returns 0 for another number
// or when no plug-in is loaded.
using ZandoSelectPanelTabFunction = int (*)(int tab);
// Waits, at most timeoutMs, until the plug-in's worker thread has done every task handed to it (files,
// the history, the dashboard); their outcomes then wait on the host's Execute queue. Returns 1 when
// it has, 0 on time-out or when no plug-in is loaded. A program playing a recorded or simulated
// session calls it to make each run's lines and files the same; the game never does.
using ZandoWaitForWorkerFunction = int (*)(int timeoutMs);
}

// Version 1's layout, which readers rely on: fields never move.
static_assert(sizeof(ZandoMatchSnapshot) == 36 && offsetof(ZandoMatchSnapshot, averageSpeed) == 8 &&
              offsetof(ZandoMatchSnapshot, shots) == 28 && offsetof(ZandoMatchSnapshot, goals) == 32);

inline constexpr std::uint32_t ZandoMatchSnapshotVersion = 1;
inline constexpr const char* ZandoMatchSnapshotSymbol = "zando_match_snapshot";
inline constexpr const char* ZandoSelectPanelTabSymbol = "zando_select_panel_tab";
inline constexpr const char* ZandoWaitForWorkerSymbol = "zando_wait_for_worker";
