// libFuzzer target: kelvaro-render's command line. The input is cut at NUL bytes into arguments;
// parsing must never crash, and an accepted command line must hold values within the documented
// ranges, while a refused one must say why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/batch/render_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words{"kelvaro-render"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty())
        words.push_back(word);
    if (words.size() > 64)
        return 0;
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());

    RenderOptions options;
    std::string error;
    const bool accepted = parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error);
    if (!accepted && error.empty()) {
        std::fprintf(stderr, "refused without a reason\n");
        std::abort();
    }
    if (accepted && !options.help && !options.version) {
        const bool in_range = options.quality >= 0 && options.quality <= 100 &&
                              options.zoom_steps >= -RENDER_ZOOM_LIMIT && options.zoom_steps <= RENDER_ZOOM_LIMIT &&
                              options.frame >= 0 && options.frame <= RENDER_FRAME_COUNT &&
                              options.width >= RENDER_SIZE_MIN && options.width <= RENDER_SIZE_MAX &&
                              options.height >= RENDER_SIZE_MIN && options.height <= RENDER_SIZE_MAX &&
                              options.text_scale >= 0.5f && options.text_scale <= 8.0f &&
                              // a set of load cases (--cases, --combine) may name no results file of its own
                              (options.results_path.empty() ? render_uses_cases(options)
                                                            : options.results_paths.front() == options.results_path);
        if (!in_range) {
            std::fprintf(stderr, "accepted an out-of-range command line\n");
            std::abort();
        }
    }
    return 0;
}
