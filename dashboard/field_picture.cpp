// The field's picture: world units drawn one to one, the field's length (Y) across the picture.
#include "dashboard/field_picture.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/upload_contract.h"

namespace dashboard {

namespace {

// The field's lines, in world units (the game's standard arena).
constexpr int HalfLength = 5120;  // the goal lines
constexpr int HalfWidth = 4096;   // the side walls
constexpr int Corner = 1152;      // the corners' cut along each wall
constexpr int GoalHalfWidth = 893;
constexpr int GoalDepth = 880;
constexpr int CentreCircle = 1000;

Markup N(double value) { return Markup::Number(static_cast<int64_t>(std::lround(value))); }

// The match clock as the game counts it up: "1:02".
std::string Clock(float seconds) {
    const int whole = static_cast<int>(seconds);
    const int s = whole % 60;
    return std::to_string(whole / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

std::string Kmh(float unitsPerSecond) {
    return std::to_string(std::lround(unitsPerSecond * zando::upload::KmhPerUnit)) + " km/h";
}

// A point of the world where the picture draws it: Y to the right, X down.
Markup At(const char* xName, const char* yName, const FieldPoint& point) {
    return Markup(" ") + Markup::Text(xName) + "=\"" + N(point.y) + "\" " + Markup::Text(yName) + "=\"" + N(point.x) + "\"";
}

Markup GoalLabel(int goalTeam, std::optional<int> team) {
    std::string text = goalTeam == 0 ? "Blue goal" : "Orange goal";
    if (team) text += *team == goalTeam ? " (yours)" : " (opponents')";
    return Markup::Text(text);
}

// The svg element's start, the field's outline, its marks and both goals labelled: the left one's
// (at -Y) and the right one's.
Markup Pitch(const std::string& description, const Markup& leftLabel, const Markup& rightLabel) {
    Markup svg = "<svg class=\"field\" viewBox=\"-6300 -4700 12600 9000\" role=\"img\" aria-label=\"" +
                 Markup::Text(description) + "\">\n<polygon class=\"pitch\" points=\"";
    // The field's outline with its cut corners, clockwise from the top left.
    const int corners[][2] = {{-HalfLength + Corner, -HalfWidth}, {HalfLength - Corner, -HalfWidth},
                              {HalfLength, -HalfWidth + Corner},  {HalfLength, HalfWidth - Corner},
                              {HalfLength - Corner, HalfWidth},   {-HalfLength + Corner, HalfWidth},
                              {-HalfLength, HalfWidth - Corner},  {-HalfLength, -HalfWidth + Corner}};
    for (const auto& corner : corners) svg += N(corner[0]) + "," + N(corner[1]) + " ";
    svg += "\"/>\n<line class=\"mark\" x1=\"0\" y1=\"" + N(-HalfWidth) + "\" x2=\"0\" y2=\"" + N(HalfWidth) +
           "\"/>\n<circle class=\"mark\" cx=\"0\" cy=\"0\" r=\"" + N(CentreCircle) + "\"/>\n";
    for (const int goalTeam : {0, 1}) {
        const int line = goalTeam == 0 ? -HalfLength : HalfLength;
        const int back = goalTeam == 0 ? line - GoalDepth : line;
        svg += "<rect class=\"goal goal-" + (goalTeam == 0 ? Markup("blue") : Markup("orange")) + "\" x=\"" + N(back) +
               "\" y=\"" + N(-GoalHalfWidth) + "\" width=\"" + N(GoalDepth) + "\" height=\"" + N(2 * GoalHalfWidth) + "\"/>\n" +
               "<text class=\"goal-label\" x=\"" + N(goalTeam == 0 ? -HalfLength + 150 : HalfLength - 150) + "\" y=\"" +
               N(-HalfWidth - 150) + "\" text-anchor=\"" + (goalTeam == 0 ? Markup("start") : Markup("end")) + "\">" +
               (goalTeam == 0 ? leftLabel : rightLabel) + "</text>\n";
    }
    return svg;
}

// A share from 0 to 1 as an attribute's number: "0.45".
std::string Share(double share) {
    const long hundredths = std::lround(std::clamp(share, 0.0, 1.0) * 100.0);
    return hundredths >= 100 ? "1" : (hundredths < 10 ? "0.0" : "0.") + std::to_string(hundredths);
}

std::string Counted(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

Markup FieldPicture(const WholeMatchPart& whole) {
    int shots = 0, goals = 0;
    for (const ShotPlace& place : whole.places) (place.goal ? goals : shots) += 1;
    const std::string summary = std::to_string(shots) + (shots == 1 ? " shot" : " shots") + " and " + std::to_string(goals) +
                                (goals == 1 ? " goal" : " goals");
    Markup svg = "<figure class=\"field-figure\">\n<figcaption>Where the shots and goals happened</figcaption>\n" +
                 Pitch("The field to scale, blue's goal on the left: " + summary +
                           ", each a dot where the car touched the ball and a line to where the ball was counted",
                       GoalLabel(0, whole.team), GoalLabel(1, whole.team));
    Markup rows;
    for (const ShotPlace& place : whole.places) {
        const std::string what = place.goal ? "Goal" : "Shot";
        const std::string hover = what + " at " + Clock(place.clock) + ", the ball at " + Kmh(place.ballSpeed);
        svg += "<g class=\"" + (place.goal ? Markup("place goal-place") : Markup("place shot-place")) + "\"><title>" +
               Markup::Text(hover) + "</title><line" + At("x1", "y1", place.car) + At("x2", "y2", place.ball) + "/><circle" +
               At("cx", "cy", place.ball) + " r=\"70\" class=\"ball\"/><circle" + At("cx", "cy", place.car) +
               " r=\"130\"/></g>\n";
        rows += "<tr><td class=\"text\">" + Markup::Text(what) + "</td><td>" + Markup::Text(Clock(place.clock)) + "</td><td>" +
                N(place.car.x) + ", " + N(place.car.y) + "</td><td>" + N(place.ball.x) + ", " + N(place.ball.y) + ", " +
                N(place.ball.z) + "</td><td>" + Markup::Text(Kmh(place.ballSpeed)) + "</td></tr>\n";
    }
    svg +=
        "</svg>\n<p class=\"legend\"><span class=\"key shot-key\"></span> shot <span class=\"key goal-key\"></span> goal: "
        "a dot where the car touched the ball, a line to where the ball was when the game counted it.</p>\n";
    if (!rows.empty())
        svg +=
            "<details><summary>The shots and goals as a table</summary>\n<div class=\"table-wrap\" tabindex=\"0\"><table "
            "id=\"places\"><thead><tr><th scope=\"col\">What</th><th scope=\"col\">Clock</th><th scope=\"col\">Car x, "
            "y</th><th scope=\"col\">Ball x, y, z</th><th scope=\"col\">Ball speed</th></tr></thead><tbody>" +
            rows + "</tbody></table></div></details>\n";
    return svg + "</figure>\n";
}

Markup FieldDensityPicture(const PlaceDensity& density) {
    int64_t shots = 0, goals = 0, most = 0;
    for (int r = 0; r < PlaceRows; ++r)
        for (int c = 0; c < PlaceColumns; ++c) {
            const auto row = static_cast<std::size_t>(r), column = static_cast<std::size_t>(c);
            shots += density.shots[row][column];
            goals += density.goals[row][column];
            most = std::max({most, density.shots[row][column], density.goals[row][column]});
        }
    Markup svg =
        "<figure class=\"field-figure\" id=\"place-density\">\n<figcaption>Where the shots and goals happened, to "
        "scale</figcaption>\n" +
        Pitch("The field to scale, your goal on the left and the goal you attack on the right, in squares of " +
                  std::to_string(PlaceCellUnits) + " units: " + Counted(shots, "shot", "shots") + " and " +
                  Counted(goals, "goal", "goals") +
                  ", each square as dark as the shots taken from it, a green dot as large as its goals",
              Markup::Text("Your goal"), Markup::Text("The goal you attack"));
    struct Busy {
        int64_t shots, goals;
        int row, column;
    };
    std::vector<Busy> busy;
    for (int r = 0; r < PlaceRows; ++r)
        for (int c = 0; c < PlaceColumns; ++c) {
            const int64_t s = density.shots[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            const int64_t g = density.goals[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            if (s == 0 && g == 0) continue;
            busy.push_back({s, g, r, c});
            const int left = -HalfLength + c * PlaceCellUnits, top = -PlaceRows * PlaceCellUnits / 2 + r * PlaceCellUnits;
            const double share = static_cast<double>(std::max(s, g)) / static_cast<double>(most);
            svg += "<g class=\"cell\"><title>" +
                   Markup::Text(Counted(s, "shot", "shots") + " and " + Counted(g, "goal", "goals") + " from here") +
                   "</title><rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(PlaceCellUnits) + "\" height=\"" +
                   N(PlaceCellUnits) + "\" fill-opacity=\"" +
                   Markup::Text(Share(0.2 + 0.8 * static_cast<double>(s) / static_cast<double>(most))) + "\"/>";
            if (g > 0)
                svg += "<circle class=\"goal-place\" cx=\"" + N(left + PlaceCellUnits / 2) + "\" cy=\"" +
                       N(top + PlaceCellUnits / 2) + "\" r=\"" + N(60 + 160 * std::sqrt(share)) + "\"/>";
            svg += "</g>\n";
        }
    svg +=
        "</svg>\n<p class=\"legend\"><span class=\"key shot-key square-key\"></span> shots taken from a square (darker: more) "
        "<span class=\"key goal-key\"></span> goals (larger: more), where the car touched the ball; every match turned "
        "so that you attack to the right.</p>\n";
    if (busy.empty()) return svg + "<p class=\"note\">No match of these was sent with its shots' places.</p>\n</figure>\n";
    std::stable_sort(busy.begin(), busy.end(),
                     [](const Busy& a, const Busy& b) { return a.shots + a.goals > b.shots + b.goals; });
    Markup rows;
    const auto range = [](int from) { return Markup::Number(from) + " to " + Markup::Number(from + PlaceCellUnits); };
    for (const Busy& cell : busy)
        rows += "<tr><td>" + range(cell.column * PlaceCellUnits) + "</td><td>" +
                range(cell.row * PlaceCellUnits - PlaceRows * PlaceCellUnits / 2) + "</td><td>" + Markup::Number(cell.shots) +
                "</td><td>" + Markup::Number(cell.goals) + "</td></tr>\n";
    return svg +
           "<details><summary>The squares as a table</summary>\n<div class=\"table-wrap\" tabindex=\"0\"><table "
           "id=\"place-cells\"><thead><tr><th scope=\"col\">From your goal line (units)</th><th scope=\"col\">Across "
           "(units)</th><th scope=\"col\">Shots</th><th scope=\"col\">Goals</th></tr></thead><tbody>" +
           rows + "</tbody></table></div></details>\n</figure>\n";
}

}  // namespace dashboard
