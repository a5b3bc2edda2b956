#pragma once
// The built-in player: plays the main timeline of an SWF movie and draws its
// frames into a 32-bit frame buffer. Portable; the Windows control wraps it.
//
// Frame buffer: top-down rows of 32-bit pixels 0xAARRGGBB (B, G, R, A bytes in
// memory), the layout of a 32-bit top-down DIB. Alpha is always 0xFF.
#include "flash/Rasterizer.h"
#include "flash/ShapeGeometry.h"
#include "flash/SwfMovie.h"
#include "flash/display/ActionHost.h"
#include "flash/display/Clip.h"
#include "flash/sound/Mixer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace glint::flash {

enum class ScaleMode {
    ShowAll, // uniform scale to fit, centred; the rest shows the background colour
    NoScale, // one stage pixel per pixel, centred
};

// "ShowAll" / "NoScale" (any case) as the control's Scale property takes them; others give ShowAll.
ScaleMode ParseScaleMode(const std::string& text);

class SwfPlayer {
public:
    using FSCommandHandler = std::function<void(const std::string& command, const std::string& args)>;

    SwfPlayer();

    // Set before Load: frame 0's actions run while loading.
    void SetFSCommandHandler(FSCommandHandler handler) { fsCommand_ = std::move(handler); }

    // Reads a movie and shows its frame 0, playing. False when the bytes are not
    // an SWF movie; the player is then empty (renders black, plays nothing).
    bool Load(const uint8_t* data, size_t size);
    bool Load(const std::string& bytes) { return Load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }
    void Unload();
    bool Loaded() const { return loaded_; }

    // Movie information (0 when nothing is loaded).
    int StageWidth() const;  // pixels
    int StageHeight() const; // pixels
    double FrameRate() const;
    int Version() const { return loaded_ ? movie_.Header().version : 0; }
    uint32_t BackgroundColor() const; // 0x00RRGGBB

    // Timeline, answering as the Flash control does.
    void Play() { playing_ = loaded_; }
    void Stop() { playing_ = false; }
    void Rewind();                 // to frame 0, stopped
    void GotoFrame(int frame);     // 0-based, stopped; runs the frame's actions
    bool Playing() const { return playing_; }
    int FrameNum() const { return frame_; } // 0-based
    int TotalFrames() const { return loaded_ ? int(movie_.Frames().size()) : 0; }

    // One frame step when playing (loops from the last frame to frame 0).
    // True when the frame changed.
    bool Advance();
    // Time-based stepping at the movie's frame rate; true when the frame changed.
    bool Tick(uint32_t elapsedMs);
    // True while ticks can change something: the timeline plays, a sprite
    // lives, a sound plays or the main timeline has an onEnterFrame function.
    bool Animating() const;
    // Milliseconds a frame lasts at the movie's frame rate.
    double FrameInterval() const;
    // Increases whenever what Render draws may have changed, so a host can skip repaints.
    uint64_t Generation() const { return generation_; }

    // Draws the current frame. `stride` is in pixels (>= width).
    void Render(uint32_t* pixels, int width, int height, ptrdiff_t stride, ScaleMode mode);

    // The movie's sound: what started and how much was mixed.
    const sound::Mixer& Sound() const { return sound_; }

    // The mouse over the frame last rendered: (x, y) in its pixels, the button
    // down or up. Buttons show their states and run their actions.
    void Mouse(double x, double y, bool down);

private:
    void ShowFrame(int frame);
    void EnterFrame(int frame);
    // What actions have due after a step or a mouse event, and the gotos they ask for.
    void RunScripts(bool enterFrame);
    void RequestGoto(int frame, bool play);
    void Raise(const std::string& url, const std::string& target);

    void DrawList(const DisplayList& list, const Matrix& m, const ColorTransform& cx, const uint8_t* mask, int level);
    void DrawShape(const Shape& shape, const Matrix& m, const ColorTransform& cx, const uint8_t* mask);
    void DrawLayer(const DisplayList& list, const Matrix& m, const ColorTransform& cx, const uint8_t* mask, int level,
                   BlendMode mode);
    static BlendMode ModeOf(uint8_t value);
    // The shape a placed character draws: its own, or a morph's at the object's ratio.
    const Shape* ShapeOf(const Character& ch, uint16_t ratio);
    void AddOutline(const Character& ch, const Clip* clip, uint16_t ratio, const Matrix& m, int level);
    bool MakePaint(const FillStyle& fill, const Matrix& m, const ColorTransform& cx, Paint& paint);
    // Pixels a shape surely paints opaque (a fill whose outline is one convex
    // quadrilateral, such as a placed picture, of an opaque colour, or of a
    // picture where its pixels are opaque), their runs appended to
    // coverRuns_. False when there are none.
    bool OpaqueArea(const Shape& shape, const Matrix& m, const ColorTransform& cx, CoveredArea& out);
    void KeepLargestCovers();

    // A shape's lines for one linear transform: for each layer, one range of
    // chains per fill style, then one per run of strokes with the same style.
    struct Geometry {
        double a = 0, b = 0, c = 0, d = 0; // the linear part it was made for
        uint64_t lastUse = 0;
        PathSet paths;
        std::vector<uint32_t> itemChains; // chain index where each item starts, and the end
    };
    const Geometry& ShapeLines(const Shape& shape, const Matrix& m);
    void ClearGeometry();

    Movie movie_;
    ClipTimeline clips_{movie_};
    std::unique_ptr<ActionHost> host_;
    Matrix lastBase_; // stage twips to the pixels of the last frame rendered
    uint64_t seenChanges_ = 0; // of what actions changed, the count already drawn
    bool loaded_ = false;
    bool playing_ = false;
    int frame_ = 0;
    DisplayList display_;
    double elapsed_ = 0;
    uint64_t generation_ = 0;
    int pendingGoto_ = -1;
    FSCommandHandler fsCommand_;
    sound::Mixer sound_; // mixes a frame interval of sound per Advance

    // Drawing state kept between frames so that a frame allocates nothing.
    Rasterizer raster_;
    uint32_t* target_ = nullptr;
    ptrdiff_t stride_ = 0;
    std::vector<std::vector<uint8_t>> masks_; // one clip mask a nesting level
    std::vector<std::vector<uint32_t>> layers_; // one blend layer a nesting level
    BlendMode blend_ = BlendMode::Normal;     // of the shape being drawn
    bool inLayer_ = false;                    // drawing into a layer, not the frame
    uint32_t ramp_[256];
    ColorTransform bitmapColor_; // the colour transform of the bitmap fill being drawn
    int drawBudget_ = 0;
    // A frame is walked twice: first to find the opaque areas each shape
    // has above it (collecting_), then to draw, leaving out what they cover.
    bool collecting_ = false;
    int shapeIndex_ = 0;               // shapes met so far in the walk
    std::vector<int> coverIndex_;      // for each area, the index of the shape that paints it
    std::vector<size_t> coverOffset_;  // and where its runs start in coverRuns_
    std::vector<CoveredArea> coverAreas_;
    std::vector<PixelRun> coverRuns_;
    std::vector<size_t> coverSize_, coverSorted_; // pixels of each area, to keep the largest
    std::vector<PictureBand> coverBands_; // of the picture being culled
    size_t coverNext_ = 0;             // the first area above the shape being drawn
    // Shapes do not change, and usually only move: their lines are kept between
    // frames, a few transforms a shape, dropped with the movie.
    std::unordered_map<const Shape*, std::vector<Geometry>> geometry_;
    size_t geometryPoints_ = 0;
    uint64_t useClock_ = 0;
    // Morph shapes made for the ratios shown, dropped all together when too many.
    std::unordered_map<const Character*, std::unordered_map<uint16_t, std::unique_ptr<Shape>>> morphShapes_;
    size_t morphShapeCount_ = 0;
};

} // namespace glint::flash
