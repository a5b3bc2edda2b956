// Any bytes: load, then draw and step a few frames in both scale modes.
#include "flash/SwfPlayer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace glint::flash;
    static std::vector<uint32_t> pixels(size_t(96) * 72);
    SwfPlayer player;
    player.SetFSCommandHandler([](const std::string&, const std::string&) {});
    player.Load(data, size);
    for (int i = 0; i < 3; ++i) {
        player.Render(pixels.data(), 96, 72, 96, i == 1 ? ScaleMode::NoScale : ScaleMode::ShowAll);
        player.Tick(1000);
        player.Advance();
    }
    player.GotoFrame(player.TotalFrames() / 2);
    player.Render(pixels.data(), 40, 30, 96, ScaleMode::ShowAll);
    return 0;
}
