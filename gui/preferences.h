// Settings kept between runs: named text values the backend stores in the user's configuration
// folder. The FLTK backend keeps them in KELVARO_CONFIG_HOME when that is set, else in "kelvaro"
// under XDG_CONFIG_HOME, else in ~/.config/kelvaro; the headless backend keeps none unless a test
// asks it to (headless_keep_preferences).
#pragma once

#include <string>
#include <string_view>

// The value stored under key, fallback when there is none.
std::string pref_get(std::string_view key, std::string_view fallback);
// A whole number stored under key, fallback when there is none or it is no whole number.
int pref_get_int(std::string_view key, int fallback);
// Stores value under key (written out by pref_flush or at the latest when the program ends).
void pref_set(std::string_view key, std::string_view value);
void pref_set_int(std::string_view key, int value);
// Forgets every stored value.
void pref_clear();
// Writes the stored values out now.
void pref_flush();
