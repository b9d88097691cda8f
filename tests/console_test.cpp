// Console: settings variables, bounds, getters, change callbacks, commands and persistence.
#include <gtest/gtest.h>

#include "bakkesmod/wrappers/cvarwrapper.h"
#include "host/runtime/console.h"
#include "test_support.h"

namespace {

host::CVarRecord Variable(std::string name, std::string value, bool bounded = false, float min = 0, float max = 0,
                          bool saved = true) {
    host::CVarRecord definition;
    definition.name = std::move(name);
    definition.defaultValue = value;
    definition.value = value;
    definition.hasMin = definition.hasMax = bounded;
    definition.min = min;
    definition.max = max;
    definition.saved = saved;
    return definition;
}

// A handle onto a variable, as a plug-in holds one (no console session behind it: read only).
struct Handle {
    explicit Handle(host::CVarRecord* record) : handle{nullptr, record} {}
    CVarWrapper Wrapper() { return CVarWrapper(host::AddressOf(&handle)); }
    host::CVarHandle handle;
};

}  // namespace

TEST(Console, EveryGetterReadsTheOneStoredText) {
    host::Console console;
    host::CVarRecord* scale = console.RegisterCvar(Variable("scale", "2.7", true, 0.5f, 2.5f));
    Handle scaleHandle(scale);
    CVarWrapper cvar = scaleHandle.Wrapper();
    EXPECT_EQ(cvar.getStringValue(), "2.5") << "a default beyond the maximum is clamped";
    EXPECT_FLOAT_EQ(cvar.getFloatValue(), 2.5f);
    EXPECT_EQ(cvar.getIntValue(), 2);
    EXPECT_TRUE(cvar.getBoolValue());

    host::CVarRecord* key = console.RegisterCvar(Variable("key", "abc"));
    Handle keyHandle(key);
    CVarWrapper text = keyHandle.Wrapper();
    EXPECT_EQ(text.getStringValue(), "abc");
    EXPECT_EQ(text.getIntValue(), 0);
    EXPECT_FALSE(text.getBoolValue());
}

TEST(Console, BoundsApplyToEverySetAndNonNumbersAreRefused) {
    host::Console console;
    host::CVarRecord* x = console.RegisterCvar(Variable("pos_x", "1154", true, 0, 3840));
    console.Execute("pos_x 5000");
    EXPECT_EQ(x->value, "3840");
    console.Execute("pos_x -3");
    EXPECT_EQ(x->value, "0");
    console.Execute("pos_x 2000");
    EXPECT_EQ(x->value, "2000");
    console.Execute("pos_x left");
    EXPECT_EQ(x->value, "2000");
    EXPECT_EQ(console.Lines().back(), "Invalid value \"left\" for pos_x: expected a number from 0 to 3840");
    EXPECT_FALSE(console.SetCvarValue(x, "nan"));
    EXPECT_EQ(x->value, "2000");
}

TEST(Console, ChangeCallbacksGetTheOldValueAndTheVariable) {
    host::Console console;
    host::CVarRecord* flag = console.RegisterCvar(Variable("flag", "0", true, 0, 1));
    std::vector<std::string> seen;
    console.AddCvarListener(
        flag, 7, [&](std::string old, host::CVarRecord* cvar) { seen.push_back(old + "->" + cvar->value + " " + cvar->name); });
    console.Execute("flag 1; flag 1; flag 9");
    EXPECT_EQ(seen, (std::vector<std::string>{"0->1 flag", "1->1 flag", "1->1 flag"}));

    console.DropOwner(7);
    console.Execute("flag 0");
    EXPECT_EQ(seen.size(), 3u) << "a dropped owner's callbacks no longer run";
}

TEST(Console, ASavedValueWithALineBreakIsRefusedAndTheFileKeepsOneValuePerLine) {
    zando_test::TempDir home;
    const std::filesystem::path config = home.path() / "config.cfg";
    {
        host::Console console(config);
        host::CVarRecord* key = console.RegisterCvar(Variable("zando_api_key", ""));
        console.RegisterCvar(Variable("zando_scratch", "", false, 0, 0, false));
        console.Execute("zando_api_key zk_live_1");
        EXPECT_FALSE(console.SetCvarValue(key, "abc\nreset_alltime_heatmap"));
        console.Execute("zando_api_key \"abc\rdef\"");
        EXPECT_EQ(console.Lines().back(),
                  "Invalid value for zando_api_key: a line break or other control character cannot be saved");
        for (const char* unicodeBreak : {"\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"})  // NEL, LINE and PARAGRAPH SEPARATOR
            EXPECT_FALSE(console.SetCvarValue(key, std::string("abc") + unicodeBreak + "def"));
        EXPECT_TRUE(console.SetCvarValue(key, "zk_caf\xC3\xA9\xE2\x80\x94")) << "other characters beyond ASCII are saved";
        EXPECT_TRUE(console.SetCvarValue(key, "zk_live_1"));
        EXPECT_EQ(key->value, "zk_live_1");
        EXPECT_TRUE(console.SetCvarValue(console.FindCvar("zando_scratch"), "two\nlines")) << "a value that is not saved may";
    }
    host::Console next(config);
    EXPECT_EQ(next.RegisterCvar(Variable("zando_api_key", ""))->value, "zk_live_1") << "the next start reads the key whole";
    EXPECT_EQ(zando_test::ReadFile(config), "zando_api_key \"zk_live_1\"\n");
}

TEST(Console, StatementsRunCommandsSetAndPrintVariables) {
    host::Console console;
    console.RegisterCvar(Variable("zando_api_key", ""));
    std::vector<std::vector<std::string>> calls;
    console.RegisterNotifier(
        "cmd", 1, [&](std::vector<std::string> words) { calls.push_back(words); }, "", 0);

    console.Execute("cmd a \"b c\"; zando_api_key \"key with \\\"quote\\\"\"; zando_api_key; nothing_here 1");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"cmd", "a", "b c"}));
    EXPECT_EQ(console.Lines(), (std::vector<std::string>{"zando_api_key \"key with \\\"quote\\\"\"",
                                                         "Unknown command or variable: nothing_here"}));
    console.Execute("cmd", true);
    EXPECT_EQ(console.Lines().back(), "] cmd");
}

TEST(Console, AThrowingCommandIsReportedAndTheNextStatementStillRuns) {
    host::Console console;
    std::vector<std::string> errors;
    console.SetErrorReporter([&](const std::string& e) { errors.push_back(e); });
    console.RegisterNotifier(
        "boom", 1, [](std::vector<std::string>) { throw std::runtime_error("bad"); }, "", 0);
    console.RegisterCvar(Variable("v", "1"));
    console.Execute("boom; v 2");
    EXPECT_EQ(errors, (std::vector<std::string>{"command boom threw: bad"}));
    EXPECT_EQ(console.FindCvar("v")->value, "2");
}

TEST(ConsolePersistence, SavedValuesAreInPlaceAsSoonAsRegisteredInTheNextRun) {
    zando_test::TempDir dir;
    const auto config = dir.path() / "config.cfg";
    zando_test::WriteFile(config, "other_plugin_var \"keep me\"\n");
    {
        host::Console console(config);
        console.RegisterCvar(Variable("saved", "1"));
        console.RegisterCvar(Variable("unsaved", "1", false, 0, 0, false));
        console.RegisterCvar(Variable("text", ""));
        console.Execute("saved 0; unsaved 0; text \"a \\\"b\\\" c\"");
    }
    host::Console next(config);
    EXPECT_EQ(next.RegisterCvar(Variable("saved", "1"))->value, "0");
    EXPECT_EQ(next.RegisterCvar(Variable("unsaved", "1", false, 0, 0, false))->value, "1");
    EXPECT_EQ(next.RegisterCvar(Variable("text", ""))->value, "a \"b\" c");
    EXPECT_EQ(next.RegisterCvar(Variable("other_plugin_var", ""))->value, "keep me")
        << "values of variables not registered in a run survive its rewrites";
}

// Found by fuzzing: a line whose name the file could not write back as it stands ("" or a quoted
// name with a blank) was read, and the next rewrite turned it into another variable's line.
TEST(ConsolePersistence, ALineWhoseNameCannotBeWrittenBackIsSkipped) {
    zando_test::TempDir dir;
    const auto config = dir.path() / "config.cfg";
    zando_test::WriteFile(config, "\"\" =\n\"two words\" 5\nplain \"kept\"\n");
    EXPECT_EQ(host::ReadConfigFile(config), (host::SavedValues{{"plain", "kept"}}));
    {
        host::Console console(config);
        console.RegisterCvar(Variable("saved", "1"));
        console.Execute("saved 0");
    }
    EXPECT_EQ(zando_test::ReadFile(config), "plain \"kept\"\nsaved \"0\"\n");
}

TEST(ConsolePersistence, ASavedValueIsBoundedLikeAnyOtherSet) {
    zando_test::TempDir dir;
    const auto config = dir.path() / "config.cfg";
    zando_test::WriteFile(config, "scale \"9\"\nflag \"yes\"\n");
    host::Console console(config);
    EXPECT_EQ(console.RegisterCvar(Variable("scale", "1.0", true, 0.5f, 2.5f))->value, "2.5");
    EXPECT_EQ(console.RegisterCvar(Variable("flag", "1", true, 0, 1))->value, "1") << "a non-number keeps the default";
}

TEST(ConsolePersistence, AnUnwritableConfigurationIsReportedNotFatal) {
    zando_test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "config.cfg.tmp");  // blocks the temporary file
    host::Console console(dir.path() / "config.cfg");
    std::vector<std::string> errors;
    console.SetErrorReporter([&](const std::string& e) { errors.push_back(e); });
    host::CVarRecord* v = console.RegisterCvar(Variable("v", "1"));
    console.Execute("v 2");
    EXPECT_EQ(v->value, "2");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("could not write the configuration file"), std::string::npos);
}
