"""Pictures of the data file as the user sees them: a JPEG and a PNG as the
settings dialog's picture, compared pixel by pixel with the same files
decoded by ImageMagick (not by our image library)."""

import os
import shutil
import subprocess
import tempfile

from harness import WineTestCase, child, find_window, make_movie, pixel, region_rgb, screenshot, wait_for


def make_picture(path, width, height, *options):
    """A picture with large flat areas, soft gradients and sharp edges, so
    that a wrong row order, channel order or stretch shows."""
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), "gradient:#2040e0-#e0c020",
                    "-fill", "#d01010", "-draw", "rectangle 0,0 %d,%d" % (width // 3, height // 3),
                    "-fill", "#10b030", "-draw", "circle %d,%d %d,%d" % (width * 2 // 3, height * 2 // 3,
                                                                        width * 2 // 3 + height // 6, height * 2 // 3),
                    "-fill", "white", "-draw", "rectangle %d,0 %d,%d" % (width - 12, width - 1, height - 1),
                    "-quality", "95", *options, path], check=True, capture_output=True)


def reference(path, width, height):
    """The file decoded by ImageMagick and stretched by pixel picking to the
    size it is shown at, as rows of (r, g, b)."""
    out = subprocess.run(["convert", path, "-sample", "%dx%d!" % (width, height), "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return [[tuple(out[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)] for y in range(height)]


def differences(shown, expected, margin=2, tolerance=40):
    """How far the shown pixels are from the reference: the mean difference
    per channel, and the share of pixels off by more than `tolerance` (the
    picking of rows and columns may land one pixel apart at an edge)."""
    total, far, count = 0, 0, 0
    for y in range(margin, len(expected) - margin):
        for x in range(margin, len(expected[0]) - margin):
            d = max(abs(a - b) for a, b in zip(shown[y][x], expected[y][x]))
            total += sum(abs(a - b) for a, b in zip(shown[y][x], expected[y][x])) / 3.0
            far += d > tolerance
            count += 1
    return total / count, far / count


class Pictures(WineTestCase):
    def setUp(self):
        super().setUp()
        self.temp = tempfile.mkdtemp(prefix="glint-pictures-")
        self.addCleanup(shutil.rmtree, self.temp, True)

    def assertShows(self, shot, rect, source, what):
        left, top, right, bottom = rect
        width, height = right - left, bottom - top
        mean, far = differences(region_rgb(shot, left, top, width, height), reference(source, width, height))
        self.assertLess(mean, 6.0, "%s: mean difference %.1f (screenshot %s)" % (what, mean, shot))
        self.assertLess(far, 0.03, "%s: %.1f %% of the pixels are far off (screenshot %s)" % (what, far * 100, shot))

    def show_dialog_picture(self, name, width, height, magic, *options):
        """Makes the picture (`options` are ImageMagick's), checks that it is
        the kind it is named for, and compares the settings dialog's picture."""
        source = os.path.join(self.temp, name)
        make_picture(source, width, height, *options)
        with open(source, "rb") as f:
            self.assertEqual(f.read(len(magic)), magic, source)
        p = self.start(self.folder(movie_bytes=make_movie("shapes"), extra_args=("--picture", source)), "/c")
        dlg = find_window(title="Settings")
        self.assertIsNotNone(dlg, "no settings dialog")
        frame = child(dlg, 1004)["rect"]
        shot = "pictures-" + name.replace(".", "-")
        # The red corner is drawn once the picture is there.
        self.assertTrue(wait_for(lambda: pixel(screenshot(shot), frame[0] + 5, frame[1] + 5)[0] > 150, timeout=15),
                        "the picture's red corner never appeared")
        self.assertShows(screenshot(shot), frame, source, name)
        p.kill()

    def test_jpeg_picture_in_the_settings_dialog(self):
        self.show_dialog_picture("dialog.jpg", 300, 220, b"\xff\xd8")

    def test_png_picture_in_the_settings_dialog(self):
        self.show_dialog_picture("dialog.png", 160, 120, b"\x89PNG", "-type", "TrueColor", "-define", "png:color-type=2")
