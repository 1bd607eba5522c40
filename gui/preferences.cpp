// Settings kept between runs, through the backend in force (gui/platform.h).
#include "gui/preferences.h"

#include <charconv>

#include "gui/platform.h"

std::string pref_get(std::string_view key, std::string_view fallback)
{
    const std::optional<std::string> value = platform().preference_get(key);
    return value ? *value : std::string(fallback);
}

int pref_get_int(std::string_view key, int fallback)
{
    const std::optional<std::string> value = platform().preference_get(key);
    if (!value)
        return fallback;
    int number = 0;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), number);
    return error == std::errc() && end == value->data() + value->size() ? number : fallback;
}

void pref_set(std::string_view key, std::string_view value)
{
    platform().preference_set(key, value);
}

void pref_set_int(std::string_view key, int value)
{
    pref_set(key, std::to_string(value));
}

void pref_clear()
{
    platform().preferences_clear();
}

void pref_flush()
{
    platform().preferences_flush();
}
