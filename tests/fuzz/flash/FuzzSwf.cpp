// Any bytes: load, then draw and step a few frames in both scale modes, with
// the mouse moved and pressed as the input's last bytes say.
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
    for (size_t i = 0; i < 3; ++i) {
        player.Render(pixels.data(), 96, 72, 96, i == 1 ? ScaleMode::NoScale : ScaleMode::ShowAll);
        // A byte from the end (bytes after the End tag are not read as tags):
        // x in its high nibble, y in the next three bits, the button in the lowest,
        // so that buttons' states and their actions on press and release are searched too.
        if (i < size) {
            const uint8_t m = data[size - 1 - i];
            player.Mouse((m >> 4) * 6.0, ((m >> 1) & 7) * 10.0, (m & 1) != 0);
        }
        player.Tick(1000);
        player.Advance();
    }
    player.GotoFrame(player.TotalFrames() / 2);
    player.Render(pixels.data(), 40, 30, 96, ScaleMode::ShowAll);
    return 0;
}
