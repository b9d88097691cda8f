// The field's picture: world units drawn one to one, the field's length (Y) across the picture.
#include "dashboard/field_picture.h"

#include <cmath>
#include <string>

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

}  // namespace

Markup FieldPicture(const WholeMatchPart& whole) {
    int shots = 0, goals = 0;
    for (const ShotPlace& place : whole.places) (place.goal ? goals : shots) += 1;
    const std::string summary = std::to_string(shots) + (shots == 1 ? " shot" : " shots") + " and " + std::to_string(goals) +
                                (goals == 1 ? " goal" : " goals");
    Markup svg =
        "<figure class=\"field-figure\">\n<figcaption>Where the shots and goals happened</figcaption>\n"
        "<svg class=\"field\" viewBox=\"-6300 -4700 12600 9000\" role=\"img\" aria-label=\"" +
        Markup::Text("The field to scale, blue's goal on the left: " + summary +
                     ", each a dot where the car touched the ball and a line to where the ball was counted") +
        "\">\n<polygon class=\"pitch\" points=\"";
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
               GoalLabel(goalTeam, whole.team) + "</text>\n";
    }
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

}  // namespace dashboard
