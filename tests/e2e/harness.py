"""Runs the real Windows programs under Wine on the test display and looks at
what they show: windows and their controls (through wininfo.exe), screenshots,
the registry and files on disk.

Runs the build that scripts/env.sh picks for this machine (GLINT_WINE_BUILD:
win32 under 32-bit Wine, or win64 under 64-bit Wine); by hand, source that file
first so that "wine" and the prefix match the build."""

import itertools
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("GLINT_BUILD", os.path.join(TOP, "build"))
WINE_BUILD = os.environ.get("GLINT_WINE_BUILD", "win32")
WINBUILD = os.path.join(BUILD, WINE_BUILD)
NATIVE = os.path.join(BUILD, "native")
BIN = os.path.join(WINBUILD, "bin")
SHOTS = os.path.join(BUILD, "e2e-shots")
SCENES = os.path.join(BUILD, "e2e-scenes.txt")  # what describe_the_scene saw, for the log's end

GLINTBOX = os.path.join(BIN, "Glintbox.scr")
GLINTPACK = os.path.join(NATIVE, "tools", "glintpack", "glintpack")
WININFO = os.path.join(WINBUILD, "tests", "wininfo.exe")
FAKE_PASSWORD = os.path.join(WINBUILD, "tests", "PASSWORD.CPL")
SETTINGS_KEY = r"HKCU\Software\Glintbox Shows\Glintbox\Settings"


def wine_env(korean=False):
    env = dict(os.environ)
    if korean:
        env["LANG"] = "ko_KR.UTF-8"
        env["LC_ALL"] = "ko_KR.UTF-8"
        env["LOCPATH"] = env.get("GLINT_LOCPATH", "/var/cache/glintbox/locale")
    else:
        env["LANG"] = "en_US.UTF-8" if os.path.isdir("/usr/lib/locale/en_US.utf8") else "C.UTF-8"
        env.pop("LC_ALL", None)
    return env


def wine(args, cwd=None, korean=False, timeout=60, check=False):
    """Runs a Windows program to its end. Its output goes through files, not
    pipes: Wine's services, started by whichever program comes first, inherit
    the output handles and would hold a pipe open long after the program ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(["wine"] + args, cwd=cwd, env=wine_env(korean), stdout=out, stderr=err,
                              timeout=timeout)
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(done.args, done.returncode, out.read().decode("utf-8", "replace"),
                                             err.read().decode("utf-8", "replace"))
    if check and result.returncode != 0:
        raise subprocess.CalledProcessError(result.returncode, result.args, result.stdout, result.stderr)
    return result


def windows():
    """Every visible top-level window with its controls."""
    out = wine([WININFO, "windows"], timeout=30).stdout
    return [json.loads(line) for line in out.splitlines() if line.startswith("{")]


def foreground():
    """The foreground window, described in a line: what a new dialog's owner may be."""
    try:
        out = wine([WININFO, "foreground"], timeout=30).stdout.strip()
    except subprocess.TimeoutExpired:
        return "(Wine did not answer within 30 s)"
    if not out.startswith("{"):
        return "no window"
    w = json.loads(out)
    return "%s of process %d" % (label(w), w["pid"])


def label(window):
    """A window in a few words: its text, class and whether it is disabled."""
    return "%s [%s]%s" % (window["text"], window["class"], "" if window["enabled"] else " disabled")


def wait_for(predicate, timeout=20.0, interval=0.3):
    end = time.time() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.time() > end:
            return value
        time.sleep(interval)


def find_window(title=None, class_prefix=None, timeout=40.0, started=None):
    """A shown top-level window by its exact title and/or class prefix. The wait
    is long because a loaded machine has taken over 20 s to start a program.
    With started (a process from WineTestCase.start), only a window of a program
    that had none on screen when it started: a message box that an earlier
    program left is never taken for the new one's."""
    def look():
        for w in windows():
            if title is not None and w["text"] != title:
                continue
            if class_prefix is not None and not w["class"].startswith(class_prefix):
                continue
            if started is not None and w["pid"] in started.earlier_pids:
                continue
            return w
        return None
    return wait_for(look, timeout)


def child(window, control_id):
    for c in window["children"]:
        if c["id"] == control_id:
            return c
    raise AssertionError("no control %d in %s" % (control_id, window["text"]))


def screenshot(name):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True, capture_output=True)
    return path


def pixel(path, x, y):
    """The (r, g, b) of one pixel of a screenshot."""
    return region_rgb(path, x, y, 1, 1)[0][0]


def x_window(title=None, program=None):
    """The X window of a shown Wine window, by its title or by its program's file name."""
    query = ["--name", "^%s$" % title] if title is not None else ["--classname", "^%s$" % program.lower()]
    out = subprocess.run(["xdotool", "search", "--onlyvisible"] + query, capture_output=True, text=True).stdout
    ids = out.split()
    return ids[-1] if ids else None


def press(key, title=None, program=None):
    """Focuses the window (by title or program) and sends it a key; there is no window manager to do it."""
    if title is not None or program is not None:
        wid = x_window(title, program)
        if wid:
            subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True, timeout=10)
    subprocess.run(["xdotool", "key", key], check=True, timeout=10)


def message_text(box):
    """The text of a message box."""
    texts = [c["text"] for c in box["children"] if c["class"].lower() == "static" and c["text"]]
    return texts[0] if texts else None


def click(x, y, button=1):
    move_mouse(x, y)
    time.sleep(0.2)
    subprocess.run(["xdotool", "click", str(button)], check=True, timeout=10)


def click_control(control):
    l, t, r, b = control["rect"]
    click((l + r) // 2, (t + b) // 2)


def reg_query(value, key=SETTINGS_KEY):
    """The stored integer, or None when it is not there."""
    out = wine(["reg", "query", key, "/v", value]).stdout
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[-2] == "REG_DWORD":
            return int(parts[-1], 16)
    return None


def reg_delete_key(key=SETTINGS_KEY):
    wine(["reg", "delete", key, "/f"])


def reg_set_dword(value, data, key=SETTINGS_KEY):
    wine(["reg", "add", key, "/v", value, "/t", "REG_DWORD", "/d", str(data & 0xFFFFFFFF), "/f"], check=True)


def set_windows_version(program, version):
    """Makes Wine report another Windows version to one program (None: the default)."""
    key = r"HKCU\Software\Wine\AppDefaults\%s" % program
    if version is None:
        wine(["reg", "delete", key, "/f"])
    else:
        wine(["reg", "add", key, "/v", "Version", "/d", version, "/f"], check=True)


def glintpack(*args):
    return subprocess.run([GLINTPACK] + list(args), capture_output=True, text=True)


class SaverFolder:
    """A folder holding Glintbox.scr and, when asked, a data file."""

    def __init__(self, movie_bytes=b"FWS\x05movie", extra_args=(), with_data=True, work_name="demo"):
        self.path = tempfile.mkdtemp(prefix="glint-e2e-")
        shutil.copy(GLINTBOX, self.path)
        self.work = os.path.join(self.path, "_swf_%s_work" % work_name)
        if with_data:
            movie = os.path.join(self.path, "movie.swf")
            with open(movie, "wb") as f:
                f.write(movie_bytes)
            result = glintpack("build", self.data_path, "--movie", movie, "--work-name", work_name, *extra_args)
            if result.returncode != 0:
                raise RuntimeError(result.stderr)
            os.remove(movie)

    @property
    def data_path(self):
        return os.path.join(self.path, "Glintbox.dat")

    def run(self, *args, timeout=60, korean=False):
        return wine(["Glintbox.scr"] + list(args), cwd=self.path, timeout=timeout, korean=korean)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


_wine_ready = False


def ensure_wine_running():
    """A persistent wineserver with Wine's desktop process up, once per run:
    asking for windows while Wine itself is still starting can hang."""
    global _wine_ready
    if _wine_ready:
        return
    # Not captured: the server and Wine's services outlive these commands and
    # would hold a captured output open.
    quiet = dict(env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p"], **quiet)
    subprocess.run(["wine", "cmd", "/c", "exit"], timeout=120, **quiet)
    _wine_ready = True


class WineTestCase(unittest.TestCase):
    """Ends every window a test leaves behind, so tests do not see each other's."""

    @classmethod
    def setUpClass(cls):
        ensure_wine_running()

    def setUp(self):
        self.processes = []
        self.folders = []

    def tearDown(self):
        result = getattr(self._outcome, "result", None)
        # A failed subtest is listed as itself, its test case behind it.
        if result and any(getattr(test, "test_case", test) is self for test, _ in result.errors + result.failures):
            screenshot("FAILED-" + self.id().rsplit(".", 1)[-1])
            self.describe_the_scene()
        for p in self.processes:
            if p.poll() is None:
                p.kill()
            p.wait()
        # A program the test's programs started (the uninstaller, a setup
        # step) may still be ending: give it time, then end it and say so.
        def running():
            return [name for name in OUR_PROGRAMS if linux_pids(name)]
        left = [] if wait_for(lambda: not running(), timeout=15) else running()
        for name in left:
            for pid in linux_pids(name):
                os.kill(pid, signal.SIGKILL)
        for folder in self.folders:
            folder.remove()
        # Whatever is still on screen belongs to no later test.
        wait_for(lambda: not [w for w in windows() if w["class"] != "Shell_TrayWnd"], timeout=5)
        if left:
            self.fail("the test left running: " + ", ".join(left))

    def describe_the_scene(self):
        """After a failure: what each program started did, what is on screen and
        where a program that still runs waits, so that a failure on a machine no
        one can look at explains itself. Also kept in SCENES, which the test
        command prints last, where a short log still shows it."""
        lines = ["scene of the failed %s:" % self.id()]
        for p in self.processes:
            code = p.poll()
            state = "still running" if code is None else "ended with exit code %d" % code
            lines.append("  started %s: %s" % (" ".join(p.args[1:]), state))
        try:
            shown = [label(w) for w in windows()]
        except subprocess.TimeoutExpired:
            shown = ["(Wine did not answer within 30 s)"]
        lines.append("  windows on screen: %s" % (", ".join(shown) or "none"))
        lines.append("  in front: %s" % foreground())
        if any(p.poll() is None for p in self.processes):
            lines += ["  " + line for line in our_backtraces()]
        text = "\n".join(lines) + "\n"
        sys.stderr.write(text)
        with open(SCENES, "a", encoding="utf-8") as f:
            f.write(text)

    def folder(self, **kwargs):
        f = SaverFolder(**kwargs)
        self.folders.append(f)
        return f

    def launch(self, program, *args, cwd=None, korean=False):
        """Starts a Windows program; tearDown ends it if it is still running."""
        earlier = {w["pid"] for w in windows()}
        p = subprocess.Popen(["wine", program] + list(args), cwd=cwd, env=wine_env(korean),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        p.earlier_pids = earlier  # see find_window(started=...)
        self.processes.append(p)
        return p

    def start(self, folder, *args, korean=False):
        return self.launch("Glintbox.scr", *args, cwd=folder.path, korean=korean)

    def assertReadsOnScreen(self, shot, window, texts, korean=False):
        """Every text must be read back from the window's pixels: English at
        least 90 % of it, Korean 80 % (a box drawn for each glyph reads as
        nearly nothing). A window just shown may not be painted yet: the
        screen is taken again for up to 10 s, and read at another scale each
        time: OCR misreads a few syllables at one scale and not at the next,
        while boxes read as nothing at any."""
        need = 0.80 if korean else 0.90
        end = time.time() + 10
        for attempt in itertools.count():
            seen = screen_text(shot, window["rect"], korean, scale=(300, 400, 250, 350)[attempt % 4])
            shares = [share_read_back(text, seen) for text in texts]
            if min(shares, default=1.0) >= need or time.time() > end:
                break
            screenshot(os.path.basename(shot)[:-4])
        for text, share in zip(texts, shares):
            self.assertGreaterEqual(share, need, "%r read back as %r (%.0f %%)" % (text, seen, share * 100))

    def assertExits(self, process, timeout=20):
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end within %d s" % timeout)


# The programs the tests start; none may outlive its test.
OUR_PROGRAMS = ("Glintbox.scr", "uninst_saver.exe", "install.exe", "chainstep.exe")


def our_backtraces(frames=14):
    """Where each thread of our programs is, from Wine's debugger: the first
    frames of each (a hang shows which call waits)."""
    try:
        out = wine(["winedbg", "--command", "bt all"], timeout=90).stdout
    except subprocess.TimeoutExpired:
        return ["(no backtraces: Wine's debugger did not end within 90 s)"]
    kept, keep, depth = [], False, 0
    for line in out.splitlines():
        if line.startswith("Backtracing for thread"):
            keep, depth = any(name.lower() in line.lower() for name in OUR_PROGRAMS), 0
            if keep:
                kept.append(line)
        elif keep and re.match(r"(=>|\s+)\d+ 0x", line):
            depth += 1
            if depth <= frames:
                kept.append(line.split(" [")[0])  # the source path is Wine's build tree: noise
    return kept or ["(no thread of our programs in Wine's debugger)"]

# The saver window's class: our framework's generated name for class style 0x80B.
WINE_SAVER_CLASS = "Glint:80b:"


# ---- the saver window's tests ----

SAVERSWF = os.path.join(NATIVE, "tests", "saverswf")


def make_movie(kind, *args):
    """The bytes of one of saverswf's test movies."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "movie.swf")
        subprocess.run([SAVERSWF, kind, path] + list(args), check=True, capture_output=True)
        with open(path, "rb") as f:
            return f.read()


def move_mouse(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True, timeout=10)


def linux_pids(program):
    """The Linux processes that run a Windows program (by its file name) in
    this run's Wine prefix; other test runs on the machine have their own."""
    prefix = ("WINEPREFIX=" + os.environ.get("WINEPREFIX", "")).encode()
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/comm" % entry) as f:
                    if f.read().strip() != program[:15]:
                        continue
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if prefix in f.read().split(b"\0"):
                        pids.append(int(entry))
            except OSError:
                pass
    return pids


def cpu_seconds(pid):
    """User plus system time a process has used so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def same_colour(actual, expected, tolerance=8):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


def region_rgb(path, left, top, width, height):
    """The pixels of a rectangle of a screenshot, as rows of (r, g, b)."""
    out = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, left, top), "+repage",
                          "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[tuple(out[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)] for y in range(height)]


def screen_text(path, rect, korean=False, scale=300):
    """The text that OCR reads in a window's rectangle of a screenshot, enlarged
    by scale %: what the user sees, so that glyphs drawn as empty boxes do not pass."""
    left, top, right, bottom = rect
    page = path[:-4] + "-ocr.png"
    subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                    "-trim", "-resize", "%d%%" % scale, "-colorspace", "Gray", page], check=True, capture_output=True)
    done = subprocess.run(["tesseract", page, "-", "--psm", "6", "-l", "kor+eng" if korean else "eng"],
                          capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        raise AssertionError("tesseract failed: " + done.stderr.strip())
    return done.stdout


def share_read_back(expected, seen):
    """How much of the expected text OCR found, in order (0..1), letters only.
    Korean OCR gets about one syllable in forty wrong: compare by this share."""
    import difflib
    def letters(text):  # OCR mixes up case and punctuation at this size
        return "".join(c for c in text.casefold() if c.isalnum())
    want = letters(expected)
    got = letters(seen)
    if not want:
        return 1.0
    matcher = difflib.SequenceMatcher(None, want, got, autojunk=False)
    return sum(block.size for block in matcher.get_matching_blocks()) / len(want)
