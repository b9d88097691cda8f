// Where the game keeps the replays a player saved: "Documents\My Games\Rocket League\TAGame\Demos" on
// Windows (the Documents folder wherever the player moved it); outside Windows, in the sandbox, the
// "replays" folder beside the host's data folder.
#include "plugin/zando.h"

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

std::filesystem::path ZANDO::DefaultReplayFolder() const {
#ifdef _WIN32
    PWSTR documents = nullptr;
    std::filesystem::path folder;
    if (SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents) == S_OK) folder = documents;
    CoTaskMemFree(documents);
    if (folder.empty()) return {};
    return folder / "My Games" / "Rocket League" / "TAGame" / "Demos";
#else
    return dataFolder.parent_path() / "replays";
#endif
}
