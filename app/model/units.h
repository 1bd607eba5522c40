// The units of a results file's numbers: length, force and stress, as the file names them in its
// headings ("Nodal deflections [m]", "Member stresses and axial forces [MPa, kN]") or its title
// ("... units m, kN, MPa"), or as the user gives them. An unknown unit is an empty name, and a
// number without a known unit is shown as it always was: no unit, no conversion.
//
// Shown numbers carry their unit after a space ("250 kN"); deflections are shown in millimetres
// when lengths are in metres. Reports keep the file's own units.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct TrussModelData;

struct Units {
    std::string length;  // "m", "mm", ...; "" when unknown
    std::string force;   // "kN", "N", ...
    std::string stress;  // "MPa", "kN/m^2", ...

    bool any() const { return !length.empty() || !force.empty() || !stress.empty(); }
    bool operator==(const Units&) const = default;
};

// What a shown number is, for its unit.
enum class Quantity { None, Length, Force, Stress, Deflection };

// The units model's file states: bracketed units of its two result headings first, then the
// title's "units L, F, S" for what the headings leave unknown.
Units units_from_file(const TrussModelData& model);
// The bracketed units of a heading line: "[m]" gives one name, "[MPa, kN]" two; empty names
// when the line holds no brackets.
void heading_units(std::string_view heading, std::string& first, std::string& second);
// "L,F,S" (commas, optional blanks; an empty field leaves that unit unknown); nullopt unless
// there are exactly three fields and no name holds a blank or a control character.
std::optional<Units> parse_units(std::string_view text);
// "m, kN, MPa" with "?" for an unknown unit.
std::string units_text(const Units& units);

// The unit a quantity is shown in: the deflection's is "mm" when lengths are "m".
std::string_view shown_unit(const Units& units, Quantity quantity);
// What a value in the file's unit is multiplied by to be shown in shown_unit (1000 for a deflection
// in metres, else 1).
double shown_factor(const Units& units, Quantity quantity);
// text followed by " unit", or text alone when the unit is unknown.
std::string with_unit(std::string text, std::string_view unit);
// A table header with its unit: "Force [kN]", or header alone when the unit is unknown.
std::string header_with_unit(std::string_view header, std::string_view unit);
