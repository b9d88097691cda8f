// The parts of the upload that stand alone: the body's number texts and escaped strings, the 10 x 10
// reductions, the dashboard address, and HMAC-SHA256 against the published RFC 4231 vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/upload_contract.h"
#include "export/number_text.h"
#include "tracking/match_record.h"
#include "upload/heatmap_downsampling.h"
#include "base/json_string.h"
#include "upload/request_signature.h"
#include "upload/server_url.h"
#include "upload/upload_body.h"

namespace {

std::string Hex(const std::string& bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += std::string{Digits[c >> 4], Digits[c & 15]};
    return hex;
}

std::string Sign(const std::string& key, const std::string& message, std::vector<std::string>* logged = nullptr) {
    return zando::HmacSha256Hex(key, message, [&](const std::string& line) {
        if (logged) logged->push_back(line);
    });
}

}  // namespace

TEST(UploadBody, NumbersAreWrittenInTheStreamsGeneralStyle) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.0, "0"},          {5.0, "5"},         {37.5, "37.5"},          {1234.5678, "1234.57"}, {1500000.0, "1.5e+06"},
        {1000000.0, "1e+06"}, {0.0001, "0.0001"}, {0.00001234, "1.234e-05"}, {-9.123456, "-9.12346"}, {287.6f, "287.6"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(zando::NumberText(value), text) << value;
}

TEST(UploadBody, StringsAreEscapedAsJsonRequires) {
    EXPECT_EQ(zando::JsonEscaped("Ranked Doubles"), "Ranked Doubles");
    EXPECT_EQ(zando::JsonEscaped("a\"b\\c"), "a\\\"b\\\\c");
    EXPECT_EQ(zando::JsonEscaped("tab\tline\nbell\x07"), "tab\\tline\\nbell\\u0007");
    EXPECT_EQ(zando::JsonEscaped("Ünïcödé ⚡"), "Ünïcödé ⚡") << "UTF-8 bytes pass unchanged";
    // Every ASCII byte, NUL and the other control bytes included: no control byte is left raw, and a
    // JSON reader gives the same text back.
    std::string every;
    for (int byte = 0; byte < 0x80; ++byte) every += static_cast<char>(byte);
    const std::string escaped = zando::JsonEscaped(every);
    for (const char c : escaped) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "raw control byte " << static_cast<int>(c);
    EXPECT_EQ(nlohmann::json::parse("\"" + escaped + "\"").get<std::string>(), every);
}

// The body's fields are the contract's, in its order, and the contract is what servers were told.
TEST(UploadBody, HoldsTheContractsFieldsInItsOrder) {
    const std::vector<std::string> published = {"timestamp",
                                                "shots",
                                                "goals",
                                                "averageSpeed",
                                                "speedSamples",
                                                "boostCollected",
                                                "boostUsed",
                                                "gameTime",
                                                "possessionTime",
                                                "teamPossessionTime",
                                                "opponentPossessionTime",
                                                "playlist",
                                                "isRanked",
                                                "mmr",
                                                "mmrChange",
                                                "shotHeatmap",
                                                "goalHeatmap"};
    EXPECT_EQ(std::vector<std::string>(zando::upload::Fields.begin(), zando::upload::Fields.end()), published);
    MatchRecord record;
    record.shotHeatmap = Grid<float>(GridRows, GridCols);
    record.goalHeatmap = Grid<int32_t>(GridRows, GridCols);
    // The names as the body holds them, in order, each once.
    const std::string body = zando::UploadBody(record, "2026-12-09T10:00:00Z", [](const char*) {});
    std::vector<std::string> sent;
    const nlohmann::json parsed = nlohmann::json::parse(body);
    for (const auto& [key, value] : parsed.items()) sent.push_back(key);
    std::sort(sent.begin(), sent.end(), [&](const std::string& a, const std::string& b) {
        return body.find("\"" + a + "\":") < body.find("\"" + b + "\":");
    });
    EXPECT_EQ(sent, published);
}

TEST(UploadBody, GridsAreReducedToTenByTenBlockMeans) {
    // The zone grid: row blocks of 6 or 7 rows, column blocks of 5.
    Grid<float> zones;
    SizeGrid(zones);
    zones[30][25] = 10.0f;
    zones[61][49] = 35.0f;
    const Grid<float> reduced = zando::DownsampleShotHeatmap(zones);
    ASSERT_EQ(reduced.size(), 10u);
    ASSERT_EQ(reduced[0].size(), 10u);
    EXPECT_FLOAT_EQ(reduced[4][5], 10.0f / 35.0f);
    EXPECT_FLOAT_EQ(reduced[9][9], 1.0f);

    // 10 x 10 is copied; 20 x 20 blocks of four; a 5-row grid fills only the odd rows.
    Grid<int32_t> ten(10, 10);
    ten[3][7] = 4;
    EXPECT_EQ(zando::DownsampleGoalHeatmap(ten), ten);
    Grid<int32_t> twenty(20, 20);
    twenty[0][0] = 1;
    twenty[2][2] = 3;
    twenty[3][3] = 1;
    EXPECT_EQ(zando::DownsampleGoalHeatmap(twenty)[0][0], 0) << "1 / 4 cut toward zero";
    EXPECT_EQ(zando::DownsampleGoalHeatmap(twenty)[1][1], 1);
    Grid<float> twentyShots(20, 20);
    twentyShots[0][0] = 1.0f;
    EXPECT_FLOAT_EQ(zando::DownsampleShotHeatmap(twentyShots)[0][0], 0.25f);
    Grid<float> five(5, 10, 2.0f);
    const Grid<float> fiveReduced = zando::DownsampleShotHeatmap(five);
    for (int row = 0; row < 10; ++row)
        EXPECT_FLOAT_EQ(fiveReduced[static_cast<std::size_t>(row)][0], row % 2 ? 2.0f : 0.0f) << row;

    // Found by fuzzing: a block of large cells overflowed its sum (to infinity, or past int32).
    Grid<float> hugeBlocks(20, 20, 3.0e38f);
    EXPECT_FLOAT_EQ(zando::DownsampleShotHeatmap(hugeBlocks)[4][4], 3.0e38f);
    Grid<int32_t> manyGoals(20, 20, INT32_MAX);
    EXPECT_EQ(zando::DownsampleGoalHeatmap(manyGoals)[9][9], INT32_MAX);

    EXPECT_TRUE(zando::DownsampleShotHeatmap({}).empty());
    EXPECT_TRUE(zando::DownsampleGoalHeatmap({}).empty());
}

// Found by fuzzing: a cell that is not a finite number was written as "nan" or "inf", which no JSON
// reader takes; it is sent as 0 and the grid named once.
TEST(UploadBody, AFigureOrCellThatIsNotFiniteIsSentAsZeroAndNamedOnce) {
    MatchRecord record;
    SizeGrid(record.shotHeatmap);
    SizeGrid(record.goalHeatmap);
    record.boostUsed = std::numeric_limits<float>::infinity();
    record.shotHeatmap[0][0] = std::numeric_limits<float>::quiet_NaN();
    record.shotHeatmap[61][49] = std::numeric_limits<float>::infinity();
    record.shotHeatmap[30][25] = 5.0f;
    std::vector<std::string> named;
    const std::string body = zando::UploadBody(record, "2026-12-07T20:00:00Z", [&](const char* key) { named.push_back(key); });
    EXPECT_EQ(named, (std::vector<std::string>{"boostUsed", "shotHeatmap"}));
    EXPECT_EQ(body.find("nan"), std::string::npos) << body;
    EXPECT_EQ(body.find("inf"), std::string::npos) << body;
    EXPECT_NE(body.find("\"boostUsed\":0,"), std::string::npos) << body;
    // Row block 0 (rows 0-5), column block 0 (columns 0-4) holds the NaN; block [4][5] holds 5 / 35.
    EXPECT_NE(body.find("\"shotHeatmap\":[[0,0,"), std::string::npos) << body;
    EXPECT_NE(body.find(",0.142857,"), std::string::npos) << body;
}

TEST(DashboardAddress, IsSplitIntoSchemeHostPortAndPath) {
    const auto plain = zando::SplitServerUrl("http://127.0.0.1:8080/x");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->https);
    EXPECT_EQ(plain->host, "127.0.0.1");
    EXPECT_EQ(plain->port, 8080);
    EXPECT_EQ(zando::RequestPath(plain->path, "/api/stats/upload"), "/x/api/stats/upload");
    const auto secure = zando::SplitServerUrl("HTTPS://dashboard.zando.example");
    ASSERT_TRUE(secure);
    EXPECT_TRUE(secure->https);
    EXPECT_EQ(secure->port, 443);
    EXPECT_EQ(zando::RequestPath(secure->path, "/api/health"), "/api/health");
    EXPECT_EQ(zando::RequestPath("/", "/api/stats/upload"), "/api/stats/upload");
    EXPECT_EQ(zando::RequestPath("/base/", "/api/stats/upload"), "/base/api/stats/upload");
    for (const char* bad : {"dashboard.zando.example", "ftp://host/", "http://", "http://host:0/", "http://host:99999",
                            "http://host:8o/", "http://host/#x", "http://host/?a=1", "http://a@b/", "http://host/a b",
                            "http://ho\nst/", "http://host/\x7f", "http://evil.example\\.zando.example/"})
        EXPECT_FALSE(zando::SplitServerUrl(bad)) << bad;
    EXPECT_EQ(zando::AddressProblem("http://host/#x"),
              "The server URL contains '#' or '?' - enter the dashboard's address without them");
    EXPECT_EQ(zando::AddressProblem("http://a@b"),
              "The server URL contains a user name ('@') - enter the dashboard's address without it");
    EXPECT_EQ(zando::AddressProblem("http://host/p@th"), "") << "an '@' in the path is the path's";

    EXPECT_FALSE(zando::HasControlCharacter("zk_live_abc-123"));
    for (const char* bad : {"key\r\nX: y", "key\n", "key\t", "key\x7f"}) EXPECT_TRUE(zando::HasControlCharacter(bad)) << bad;
}

TEST(RequestSignature, MatchesTheRfc4231VectorsForKeysOfAnyLength) {
    struct Vector {
        std::string key, data, mac;
    };
    const std::vector<Vector> vectors = {
        {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'), "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {std::string(131, '\xaa'),
         "This is a test using a larger than block-size key and a larger than block-size data. The key needs to be hashed "
         "before being used by the HMAC algorithm.",
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
    for (const Vector& v : vectors) EXPECT_EQ(Sign(v.key, v.data), v.mac) << Hex(v.key).substr(0, 16);

    // Longer than the 256 bytes the Windows key blob holds: standard HMAC all the same.
    EXPECT_EQ(Sign(std::string(300, 'k'), "{}").size(), 64u);
    EXPECT_NE(Sign(std::string(300, 'k'), "{}"), Sign(std::string(299, 'k'), "{}"));
    // Python: hmac.new(b"k" * 300, b"{}", hashlib.sha256).hexdigest()
    EXPECT_EQ(Sign(std::string(300, 'k'), "{}"), "18ef60fcaad7ebc9b6e2a8a6f86e577bc44d07bc750d6ea125a47a742187d0c6");
    // One byte more in the body is another signature.
    EXPECT_NE(Sign("Jefe", "{\"shots\":4}"), Sign("Jefe", "{\"shots\":4 }"));
}
