// The zando-sandbox program run as a process: a fixture with a scratch folder and a host folder in
// it, and a short ranked match written by hand.
#pragma once

#include <gtest/gtest.h>

#include "test_support.h"

namespace zando_test {

class SandboxProgram : public ::testing::Test {
protected:
    std::string Sandbox(const std::string& arguments, const std::string& homeName = "home") {
        return std::string(ZANDO_SANDBOX_PATH) + " --home " + (dir.path() / homeName).string() + " " + arguments;
    }
    zando_test::ProcessResult Run(const std::string& arguments, const std::string& homeName = "home") {
        return zando_test::RunCommand(Sandbox(arguments, homeName), dir.path());
    }
    std::string Path(const std::string& name) { return (dir.path() / name).string(); }

    zando_test::TempDir dir;
};

// A short ranked match by hand: the first countdown reads the rating, a console statement at 1 s, the
// end at 2 s waits 3 s for the new rating, which the trace posts at 3 s.
inline const std::string HandTrace =
    R"({"trace":"zando","version":1,"source":"written by hand"})" "\n"
    R"({"t":0,"type":"match","playlist":{"title":"Ranked Duel","ranked":true,"id":10}})" "\n"
    R"({"t":0,"type":"mmr","playlist":10,"mmr":900.5})" "\n"
    R"({"t":0,"type":"car","team":0,"name":"You","local":true,"location":[0,-2000,17],"boost":0.33})" "\n"
    R"({"t":0,"type":"event","name":"Countdown.BeginState"})" "\n"
    R"({"t":0.5,"type":"event","name":"Countdown.EndState"})" "\n"
    R"({"t":1,"type":"console","statements":"zando_heatmap_scale"})" "\n"
    R"({"t":2,"type":"event","name":"EventMatchEnded"})" "\n"
    R"({"t":3,"type":"mmr","playlist":10,"mmr":910})" "\n";

}  // namespace zando_test
