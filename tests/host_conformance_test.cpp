// The plug-in's sources against the game's host as it ships: every Dear ImGui name they use is one
// the host's Dear ImGui 1.75 declares (tests/fixtures/host-imgui-1.75-names.txt), and every header of
// the stand-in SDK sits where the framework's SDK has it, same path and same case
// (tests/fixtures/host-sdk-header-paths.txt).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path Source = ZANDO_SOURCE_DIR;

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a list that are not comments, by the section ("[functions]", ...) they are under.
std::set<std::string> Listed(const std::filesystem::path& file, const std::string& section = "") {
    std::set<std::string> names;
    std::istringstream lines(Read(file));
    std::string current;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[')
            current = line;
        else if (current == section)
            names.insert(line);
    }
    return names;
}

// The Dear ImGui names a source text uses that the host's Dear ImGui does not declare: functions of
// namespace ImGui, and Im*/IM_* types, values and macros. Line comments are left out.
std::set<std::string> UnknownImGuiNames(const std::string& text, const std::set<std::string>& functions,
                                        const std::set<std::string>& identifiers) {
    const std::string code = std::regex_replace(text, std::regex("//[^\n]*"), "");
    std::set<std::string> unknown;
    static const std::regex function(R"(\bImGui::(\w+))"), identifier(R"(\b((?:Im[A-Z]|IM_)\w*))");
    for (auto it = std::sregex_iterator(code.begin(), code.end(), function); it != std::sregex_iterator(); ++it)
        if (!functions.contains((*it)[1])) unknown.insert("ImGui::" + (*it)[1].str());
    for (auto it = std::sregex_iterator(code.begin(), code.end(), identifier); it != std::sregex_iterator(); ++it)
        if (!identifiers.contains((*it)[1])) unknown.insert((*it)[1]);
    return unknown;
}

}  // namespace

TEST(HostConformance, ThePlugInUsesOnlyTheDearImGuiNamesOfTheHostsVersion) {
    const auto names = Source / "tests" / "fixtures" / "host-imgui-1.75-names.txt";
    const std::set<std::string> functions = Listed(names, "[functions]"), identifiers = Listed(names, "[identifiers]");
    ASSERT_TRUE(functions.contains("Columns") && identifiers.contains("ImGuiWindowFlags_HorizontalScrollbar"));
    EXPECT_EQ(UnknownImGuiNames("if (ImGui::BeginTable(\"t\", 2, ImGuiTableFlags_RowBg)) {} // ImGui::EndTable()", functions,
                                identifiers),
              (std::set<std::string>{"ImGui::BeginTable", "ImGuiTableFlags_RowBg"}))
        << "tables came with 1.80";
    int files = 0;
    for (const char* folder : {"plugin", "tracking", "history", "heatmap", "overlay", "export", "upload", "ui"}) {
        for (const auto& entry : std::filesystem::directory_iterator(Source / folder)) {
            ++files;
            for (const std::string& name : UnknownImGuiNames(Read(entry.path()), functions, identifiers))
                ADD_FAILURE() << entry.path().filename().string() << " uses " << name << ", which Dear ImGui 1.75 does not have";
        }
    }
    EXPECT_GT(files, 30);
}

TEST(HostConformance, EveryStandInSdkHeaderIsAtTheFrameworksPathInTheSameCase) {
    const std::set<std::string> paths = Listed(Source / "tests" / "fixtures" / "host-sdk-header-paths.txt");
    ASSERT_GT(paths.size(), 100u);
    const auto include = Source / "host" / "sdk" / "include";
    int headers = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(include)) {
        if (!entry.is_regular_file()) continue;
        ++headers;
        const std::string path = entry.path().lexically_relative(include).generic_string();
        EXPECT_TRUE(paths.contains(path)) << path
                                          << " is not a header of the framework's SDK (or not at that path, in that case)";
    }
    EXPECT_GT(headers, 20);
}

// Widgets never write a setting's member: they write its variable (on the game thread), whose change
// callback stores the member. The position sliders' live drag is the one exception, and it goes through
// ui::PositionSlider. A widget given a member's address, or an assignment to a member, in the windows'
// code fails here.
TEST(HostConformance, WindowsWriteSettingsThroughTheirVariablesOnly) {
    const std::string table = Read(Source / "plugin" / "settings_variables.cpp");
    std::vector<std::string> members;
    const std::regex memberOf(R"(&zando::SettingsMirror::(\w+))");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), memberOf); it != std::sregex_iterator(); ++it)
        members.push_back((*it)[1]);
    ASSERT_GE(members.size(), 24u);
    std::string alternatives;
    for (const std::string& member : members) alternatives += (alternatives.empty() ? "" : "|") + member;
    const std::regex widgetWrites(R"(ImGui::\w+\([^;]*&settings\.(?:)" + alternatives + R"()\b)");
    const std::regex assignment(R"(\bsettings\.(?:)" + alternatives + R"()\s*(?:=[^=]|\+=|-=|\+\+|--))");
    for (const auto& entry : std::filesystem::directory_iterator(Source / "ui")) {
        if (entry.path().extension() != ".cpp") continue;
        const std::string name = "ui/" + entry.path().filename().string();
        std::istringstream lines(Read(Source / name));
        int number = 0;
        for (std::string line; std::getline(lines, line);) {
            ++number;
            EXPECT_FALSE(std::regex_search(line, widgetWrites)) << name << ":" << number << " " << line;
            EXPECT_FALSE(std::regex_search(line, assignment)) << name << ":" << number << " " << line;
        }
    }
}

// The plug-in's lock is taken through its one helper (zando::StateLock), which the check that nothing
// waits under it sees: never a plain lock of the mutex.
TEST(HostConformance, ThePluginsLockIsTakenThroughItsHelperOnly) {
    const std::regex plainLock(R"re((scoped_lock|lock_guard|unique_lock)[^;]*stateLock)re");
    for (const char* folder : {"plugin", "tracking", "heatmap", "history", "overlay", "export", "upload", "ui"})
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Source / folder)) {
            std::istringstream lines(Read(entry.path()));
            int number = 0;
            for (std::string line; std::getline(lines, line);) {
                ++number;
                EXPECT_FALSE(std::regex_search(line, plainLock)) << entry.path().string() << ":" << number << " " << line;
            }
        }
}

// The folders stand in layers, the floor first; a file includes only from its own layer and those
// below.
TEST(HostConformance, NoIncludeRunsBackUpTheLayers) {
    const std::vector<std::string> layers = {"base",    "replay", "host",   "tracking", "plugin", "heatmap", "history",
                                             "overlay", "export", "upload", "import",   "ui",     "sandbox", "bench"};
    const auto layerOf = [&](const std::string& path) {
        if (path.rfind("bakkesmod/", 0) == 0) return 2;  // the SDK's headers, in host/sdk
        for (std::size_t i = 0; i < layers.size(); ++i)
            if (path.rfind(layers[i] + "/", 0) == 0) return static_cast<int>(i);
        return -1;
    };
    std::set<std::string> upward;
    const std::regex include(R"re(#include "([^"]+)")re");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Source)) {
        const std::string path = std::filesystem::relative(entry.path(), Source).generic_string();
        const std::string extension = entry.path().extension().string();
        if ((extension != ".cpp" && extension != ".h") || layerOf(path) < 0) continue;
        const std::string text = Read(entry.path());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), include); it != std::sregex_iterator(); ++it)
            if (layerOf((*it)[1]) > layerOf(path)) upward.insert(path + " -> " + (*it)[1].str());
    }
    EXPECT_EQ(upward, std::set<std::string>{});
}

// The plug-in reaches the game only through the SDK (bakkesmod/...), never the stand-in host's runtime;
// zando-dashboard, a program of its own, stands on base/ alone.
TEST(HostConformance, ThePluginKeepsOffTheHostsRuntimeAndTheDashboardStandsOnBaseAlone) {
    const std::regex include(R"re(#include "([^"]+)")re");
    std::set<std::string> wrong;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Source)) {
        const std::string path = std::filesystem::relative(entry.path(), Source).generic_string();
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        const auto folder = path.substr(0, path.find('/'));
        const bool plugin = folder == "plugin" || folder == "tracking" || folder == "heatmap" || folder == "history" ||
                            folder == "overlay" || folder == "export" || folder == "upload" || folder == "import" ||
                            folder == "ui";
        if (!plugin && folder != "dashboard") continue;
        const std::string text = Read(entry.path());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), include); it != std::sregex_iterator(); ++it) {
            const std::string included = (*it)[1].str();
            if (plugin && included.rfind("host/runtime/", 0) == 0) wrong.insert(path + " -> " + included);
            if (folder == "dashboard" && included.rfind("dashboard/", 0) != 0 && included.rfind("base/", 0) != 0)
                wrong.insert(path + " -> " + included);
        }
    }
    EXPECT_EQ(wrong, std::set<std::string>{});
}
