// The FLTK backend's preferences: one Fl_Preferences file, kelvaro.prefs, in the configuration
// folder (gui/preferences.h tells which), opened on first use.
//
// State: the open preferences.
#include <FL/Fl_Preferences.H>

#include <cstdlib>
#include <memory>
#include <string>

#include "gui/backend.h"
#include "gui/fltk/fltk_platform.h"

namespace {

std::string configuration_folder()
{
    if (const char* own = std::getenv("KELVARO_CONFIG_HOME"); own != nullptr && *own != '\0')
        return own;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
        return std::string(xdg) + "/kelvaro";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/kelvaro";
}

Fl_Preferences& preferences()
{
    static std::unique_ptr<Fl_Preferences> opened;
    if (!opened)
        opened = std::make_unique<Fl_Preferences>(configuration_folder().c_str(), "kelvaro", "kelvaro");
    return *opened;
}

}  // namespace

std::optional<std::string> FltkPlatform::preference_get(std::string_view key)
{
    const std::string name(key);
    if (!preferences().entryExists(name.c_str()))
        return std::nullopt;
    char* value = nullptr;
    preferences().get(name.c_str(), value, "");
    std::string text = value != nullptr ? value : "";
    std::free(value);
    return text;
}

void FltkPlatform::preference_set(std::string_view key, std::string_view value)
{
    preferences().set(std::string(key).c_str(), std::string(value).c_str());
}

void FltkPlatform::preferences_clear()
{
    preferences().clear();
}

void FltkPlatform::preferences_flush()
{
    preferences().flush();
}

void gui_fltk_reset_preferences()
{
    fltk_platform().preferences_clear();
    fltk_platform().preferences_flush();
}
