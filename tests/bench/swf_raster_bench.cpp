// Times the built-in player drawing a 1920 x 1080 frame of 200 filled and
// stroked shapes, and Cairo drawing the same paths (same device coordinates,
// non-zero fill, round joins and caps, anti-aliasing on) into an ARGB32 image
// of the same size, in one run. Prints ms per frame, the ratio and whether
// ours stays within 1.5 x Cairo, and how far the two pictures differ, so that
// "the same paths" is measured rather than assumed.
//
//   bench_swf_raster [frames] [--dump DIR]
//   bench_swf_raster [frames] --corpus DIR   (real movies against their frame interval)
//   ... --no-sse2   as a processor without SSE2 runs it (the plain pixel
//                   code; in the 32-bit build also the x87 math)
//
// A figure printer, not a test: it never fails on a slow machine.
#include "flash/PixelRuns.h"
#include "flash/SwfMovie.h"
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef GLINT_BENCH_CAIRO
#include <cairo.h>
#endif
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

using namespace glint::flash;
using namespace glint::flash::testing;

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kShapes = 200;
constexpr Rgba kBackground{0x20, 0x28, 0x38, 255};

// Deterministic, so that every run draws the same movie.
struct Random {
    uint32_t s = 12345;
    uint32_t Next()
    {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() % 1000000) / 1000000.0; }
    int Int(int lo, int hi) { return lo + int(Next() % uint32_t(hi - lo + 1)); }
};

Rgba RandomColor(Random& rnd, bool translucent)
{
    return Rgba{uint8_t(rnd.Int(0, 255)), uint8_t(rnd.Int(0, 255)), uint8_t(rnd.Int(0, 255)),
                uint8_t(translucent ? rnd.Int(110, 230) : 255)};
}

// Shapes are drawn around their origin (twips) and placed by their matrix.
std::string MakeMovie()
{
    SwfWriter swf(kWidth, kHeight, 30);
    swf.SetBackground(kBackground);
    Random rnd;
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < kShapes; ++i) {
        ShapeBuilder s;
        int fill = s.AddSolidFill(RandomColor(rnd, i % 4 == 3));
        // Line widths from 1 to 16 pixels, mostly thin as in drawn artwork.
        int widthPx = i % 5 == 0 ? rnd.Int(6, 16) : rnd.Int(1, 5);
        int line = s.AddLineStyle(uint16_t(widthPx * 20), RandomColor(rnd, i % 7 == 0));
        int size = rnd.Int(30, 260) * 20; // half size, twips
        switch (i % 4) {
        case 0: // rectangle
            s.Rect(-size, -size * 2 / 3, size * 2, size * 4 / 3, fill, line);
            break;
        case 1: { // curved blob: quadratic curves through points at varying radii
            int n = rnd.Int(5, 9);
            std::vector<double> radius(static_cast<size_t>(n), 0.0);
            for (double& r : radius)
                r = size * rnd.Uniform(0.55, 1.0);
            auto point = [&](int k, double scale, int32_t& x, int32_t& y) {
                double a = 2 * pi * k / n;
                x = int32_t(std::lround(std::cos(a) * scale));
                y = int32_t(std::lround(std::sin(a) * scale));
            };
            int32_t x, y;
            point(0, radius[0], x, y);
            s.MoveTo(x, y);
            s.SetStyles(0, fill, line);
            for (int k = 0; k < n; ++k) {
                int32_t cx, cy, ex, ey;
                double mid = 2 * pi * (k + 0.5) / n;
                double rc = size * rnd.Uniform(0.8, 1.25);
                cx = int32_t(std::lround(std::cos(mid) * rc));
                cy = int32_t(std::lround(std::sin(mid) * rc));
                point((k + 1) % n, radius[size_t((k + 1) % n)], ex, ey);
                s.CurveTo(cx, cy, ex, ey);
            }
            break;
        }
        case 2: // triangle
            s.MoveTo(0, -size);
            s.SetStyles(0, fill, line);
            s.LineTo(size, size * 3 / 4);
            s.LineTo(-size * 4 / 5, size / 2);
            s.LineTo(0, -size);
            break;
        default: // circle
            s.Circle(0, 0, size * 3 / 4, fill, line);
            break;
        }
        swf.DefineShape(uint16_t(i + 1), s, 3);
        // Position anywhere on the stage (partly off it at the borders), some rotated and scaled.
        double a = i % 3 == 0 ? rnd.Uniform(0, 2 * pi) : 0;
        double k = i % 2 == 0 ? rnd.Uniform(0.7, 1.3) : 1.0;
        Matrix m{k * std::cos(a), k * std::sin(a), -k * std::sin(a), k * std::cos(a),
                 std::round(rnd.Uniform(-40, kWidth + 40)) * 20, std::round(rnd.Uniform(-40, kHeight + 40)) * 20};
        swf.Place(uint16_t(i + 1), uint16_t(i + 1), m);
    }
    swf.ShowFrame();
    return swf.Finish(false);
}

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Processor time of this process in ms: on a machine shared with other work
// the wall clock also counts the time others ran.
double CpuMs()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
#else
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
#endif
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

#ifdef GLINT_BENCH_CAIRO
// The frame as Cairo path operations in device pixels, worked out once from
// the movie the player reads, with the player's own stage transform.
struct CairoOp {
    enum Kind { Move, Line, Curve, Close } kind;
    double p[6];
};
struct CairoItem {
    bool stroke;
    double r, g, b, a;
    double width; // device pixels, strokes
    std::vector<CairoOp> path;
};

void AddEdges(const std::vector<Edge>& edges, const Matrix& m, bool closeLoops, std::vector<CairoOp>& out)
{
    bool open = false;
    double startX = 0, startY = 0, curX = 0, curY = 0; // twips
    for (const Edge& e : edges) {
        if (!open || e.x0 != curX || e.y0 != curY) {
            if (open && closeLoops && curX == startX && curY == startY)
                out.push_back({CairoOp::Close, {}});
            CairoOp op{CairoOp::Move, {}};
            m.Apply(e.x0, e.y0, op.p[0], op.p[1]);
            out.push_back(op);
            open = true;
            startX = e.x0;
            startY = e.y0;
        }
        double x0, y0, x1, y1;
        m.Apply(e.x0, e.y0, x0, y0);
        m.Apply(e.x1, e.y1, x1, y1);
        if (e.curve) {
            // The quadratic curve as the cubic that traces it exactly.
            double qx, qy;
            m.Apply(e.cx, e.cy, qx, qy);
            out.push_back({CairoOp::Curve,
                           {x0 + 2.0 / 3 * (qx - x0), y0 + 2.0 / 3 * (qy - y0), x1 + 2.0 / 3 * (qx - x1),
                            y1 + 2.0 / 3 * (qy - y1), x1, y1}});
        } else {
            out.push_back({CairoOp::Line, {x1, y1}});
        }
        curX = e.x1;
        curY = e.y1;
    }
    if (open && closeLoops && curX == startX && curY == startY)
        out.push_back({CairoOp::Close, {}});
}

std::vector<CairoItem> CairoScene(const std::string& swf)
{
    Movie movie;
    std::vector<CairoItem> items;
    if (!movie.Read(reinterpret_cast<const uint8_t*>(swf.data()), swf.size()) || movie.Frames().empty())
        return items;
    DisplayList list;
    for (const DisplayOp& op : movie.Frames()[0].ops)
        ApplyDisplayOp(list, op);
    // The stage fills the target exactly (ShowAll of a 1920 x 1080 stage).
    const Matrix base{1.0 / 20, 0, 0, 1.0 / 20, 0, 0};
    for (const auto& [depth, obj] : list) {
        const Character* ch = movie.Find(obj.character);
        if (!ch || ch->kind != Character::Kind::Shape)
            continue;
        const Matrix m = base * obj.matrix;
        const double lineScale = std::sqrt(std::fabs(m.Det()));
        for (const ShapeLayer& layer : ch->shape.layers) {
            for (size_t i = 0; i < layer.fills.size() && i < layer.fillEdges.size(); ++i) {
                const Rgba c = layer.fills[i].color;
                CairoItem item{false, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0, 0, {}};
                AddEdges(layer.fillEdges[i], m, false, item.path);
                if (!item.path.empty())
                    items.push_back(std::move(item));
            }
            for (size_t i = 0; i < layer.strokes.size();) {
                const LineStyle& ls = layer.lines[layer.strokes[i].lineStyle];
                // Hairlines are drawn a pixel wide and thinner lines 0.7 pixels, as the player does.
                double width = std::max(ls.width == 0 ? 1.0 : 0.7, ls.width * lineScale);
                CairoItem item{true, ls.color.r / 255.0, ls.color.g / 255.0, ls.color.b / 255.0,
                               ls.color.a / 255.0, width, {}};
                size_t j = i;
                for (; j < layer.strokes.size() && layer.strokes[j].lineStyle == layer.strokes[i].lineStyle; ++j)
                    AddEdges(layer.strokes[j].edges, m, true, item.path);
                items.push_back(std::move(item));
                i = j;
            }
        }
    }
    return items;
}

void CairoDraw(cairo_t* cr, const std::vector<CairoItem>& items)
{
    cairo_set_source_rgb(cr, kBackground.r / 255.0, kBackground.g / 255.0, kBackground.b / 255.0);
    cairo_paint(cr);
    for (const CairoItem& item : items) {
        for (const CairoOp& op : item.path) {
            switch (op.kind) {
            case CairoOp::Move:
                cairo_move_to(cr, op.p[0], op.p[1]);
                break;
            case CairoOp::Line:
                cairo_line_to(cr, op.p[0], op.p[1]);
                break;
            case CairoOp::Curve:
                cairo_curve_to(cr, op.p[0], op.p[1], op.p[2], op.p[3], op.p[4], op.p[5]);
                break;
            case CairoOp::Close:
                cairo_close_path(cr);
                break;
            }
        }
        cairo_set_source_rgba(cr, item.r, item.g, item.b, item.a);
        if (item.stroke) {
            cairo_set_line_width(cr, item.width);
            cairo_stroke(cr);
        } else {
            cairo_fill(cr);
        }
    }
}
#endif

} // namespace

// The real movies of a folder, each drawn at 1920 x 1080 while it plays:
// the processor time of a frame (the mean over the frames) against half of
// the movie's frame interval (the time a frame may take), and the median
// wall-clock time beside it. Prints every movie and the worst one.
int CorpusFigures(const std::string& dir, int frames)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.path().extension() == ".swf")
            files.push_back(e.path());
    if (files.empty()) {
        std::fprintf(stderr, "no movies in %s\n", dir.c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    std::printf("corpus: %zu movies at %d x %d, %d frames each played and drawn\n", files.size(), kWidth, kHeight,
                frames);
    std::vector<uint32_t> target(size_t(kWidth) * kHeight);
    std::string worstName;
    double worst = 0;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SwfPlayer player;
        if (!player.Load(bytes)) {
            std::printf("  %-30s not read\n", f.filename().string().c_str());
            continue;
        }
        std::vector<double> ms;
        double cpu = 0;
        for (int i = 0; i < frames; ++i) {
            const double c0 = CpuMs();
            auto t0 = Clock::now();
            player.Render(target.data(), kWidth, kHeight, kWidth, ScaleMode::ShowAll);
            ms.push_back(Ms(t0, Clock::now()));
            cpu += CpuMs() - c0;
            player.Tick(uint32_t(player.FrameInterval() + 0.5));
        }
        cpu /= frames;
        const double budget = player.FrameInterval() / 2;
        const double ratio = cpu / budget;
        std::printf("  %-30s %8.2f ms/frame (wall %8.2f), half interval %8.2f ms, ratio %.3f\n",
                    f.filename().string().c_str(), cpu, Median(ms), budget, ratio);
        if (ratio > worst) {
            worst = ratio;
            worstName = f.filename().string();
        }
    }
    std::printf("worst: %s, ratio %.3f (goal <= 1: %s)\n", worstName.c_str(), worst, worst <= 1 ? "holds" : "NOT MET");
    return 0;
}

int main(int argc, char** argv)
{
    int frames = 30;
    std::string dump;
    std::string corpus;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc)
            dump = argv[++i];
        else if (std::strcmp(argv[i], "--corpus") == 0 && i + 1 < argc)
            corpus = argv[++i];
        else if (std::strcmp(argv[i], "--no-sse2") == 0)
            useSse2 = false;
        else
            frames = std::max(1, std::atoi(argv[i]));
    }
    std::printf("SSE2 code: %s\n", useSse2 ? "used" : "not used");
    if (!corpus.empty())
        return CorpusFigures(corpus, frames);

    const std::string swf = MakeMovie();
    std::printf("movie: %d shapes (rectangles, curved blobs, triangles, circles; fill + stroke each), %zu bytes\n",
                kShapes, swf.size());
    std::printf("target: %d x %d, %d frames each, interleaved\n", kWidth, kHeight, frames);

    // First render of a freshly loaded movie: everything a frame needs is worked out from the file.
    std::vector<uint32_t> ours(size_t(kWidth) * kHeight);
    std::vector<double> cold;
    for (int i = 0; i < std::max(3, frames / 5); ++i) {
        SwfPlayer fresh;
        if (!fresh.Load(swf)) {
            std::fprintf(stderr, "the player did not read the movie\n");
            return 1;
        }
        auto t0 = Clock::now();
        fresh.Render(ours.data(), kWidth, kHeight, kWidth, ScaleMode::ShowAll);
        cold.push_back(Ms(t0, Clock::now()));
    }

    SwfPlayer player;
    player.Load(swf);
    player.Render(ours.data(), kWidth, kHeight, kWidth, ScaleMode::ShowAll); // warm-up

#ifdef GLINT_BENCH_CAIRO
    const std::vector<CairoItem> scene = CairoScene(swf);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT); // grey-level anti-aliasing
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);  // the player's non-zero rule
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    CairoDraw(cr, scene); // warm-up
    std::vector<double> cairoMs;
#endif

    std::vector<double> oursMs;
    for (int i = 0; i < frames; ++i) {
        auto t0 = Clock::now();
        player.Render(ours.data(), kWidth, kHeight, kWidth, ScaleMode::ShowAll);
        oursMs.push_back(Ms(t0, Clock::now()));
#ifdef GLINT_BENCH_CAIRO
        t0 = Clock::now();
        CairoDraw(cr, scene);
        cairo_surface_flush(surface);
        cairoMs.push_back(Ms(t0, Clock::now()));
#endif
    }

    auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    std::printf("\n%-34s %9s %9s\n", "", "median", "best");
    std::printf("%-34s %9.2f %9.2f  ms/frame\n", "ours, first render after loading", Median(cold), best(cold));
    std::printf("%-34s %9.2f %9.2f  ms/frame\n", "ours, same frame drawn again", Median(oursMs), best(oursMs));
#ifdef GLINT_BENCH_CAIRO
    std::printf("%-34s %9.2f %9.2f  ms/frame\n", "Cairo, same paths", Median(cairoMs), best(cairoMs));
    const double ratio = Median(oursMs) / Median(cairoMs);
    const double ratioBest = best(oursMs) / best(cairoMs);
    const double ratioCold = Median(cold) / Median(cairoMs);
    std::printf("\nratio ours / Cairo: %.2f (median), %.2f (best); first render after loading: %.2f\n", ratio,
                ratioBest, ratioCold);
    std::printf("goal (ours <= 1.5 x Cairo): %s\n", ratio <= 1.5 ? "holds" : "NOT MET");

    // How far the pictures differ: a wrong path or colour shows as large differences over many pixels.
    const uint8_t* cp = cairo_image_surface_get_data(surface);
    const int cstride = cairo_image_surface_get_stride(surface);
    double sum = 0;
    int maxDiff = 0;
    long over8 = 0, over64 = 0;
    for (int y = 0; y < kHeight; ++y) {
        const uint32_t* crow = reinterpret_cast<const uint32_t*>(cp + ptrdiff_t(y) * cstride);
        for (int x = 0; x < kWidth; ++x) {
            uint32_t a = ours[size_t(y) * kWidth + size_t(x)], b = crow[x];
            int worst = 0;
            for (int s = 0; s < 24; s += 8) {
                int d = std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF));
                sum += d;
                worst = std::max(worst, d);
            }
            maxDiff = std::max(maxDiff, worst);
            over8 += worst > 8;
            over64 += worst > 64;
        }
    }
    const double pixels = double(kWidth) * kHeight;
    std::printf("\npicture difference ours vs Cairo: mean %.3f per channel (0..255), max %d;\n"
                "  pixels differing by more than 8: %.3f%%, by more than 64: %.4f%%\n",
                sum / (pixels * 3), maxDiff, 100.0 * over8 / pixels, 100.0 * over64 / pixels);

    if (!dump.empty()) {
        cairo_surface_write_to_png(surface, (dump + "/cairo.png").c_str());
        cairo_surface_t* mine = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(ours.data()),
                                                                    CAIRO_FORMAT_ARGB32, kWidth, kHeight, kWidth * 4);
        cairo_surface_write_to_png(mine, (dump + "/ours.png").c_str());
        cairo_surface_destroy(mine);
        std::printf("pictures written to %s/ours.png and %s/cairo.png\n", dump.c_str(), dump.c_str());
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
#else
    std::printf("\n(built without Cairo: no reference figure)\n");
#endif
    return 0;
}
